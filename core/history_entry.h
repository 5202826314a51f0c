// HistoryEntry: one undo or redo step, a full snapshot of the document's
// objects (dead ones included, in list order) and of its file state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/property_bag.h"
#include "core/scene_object.h"

namespace torvane {

struct HistoryEntry {
  uint32_t loadCode = 0;
  std::string filePath;
  uint32_t fileType = 3;
  bool untitled = true;
  PropertyBag metadata;
  std::vector<std::unique_ptr<SceneObject>> objects;
  uint32_t objectCount = 0;
  bool haveChanges = false;
  bool forceRecord = false;
};

}  // namespace torvane

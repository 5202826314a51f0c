// HistoryEntry: one undo or redo step, a full snapshot of the document's
// objects (dead ones included, in list order) and of its file state.
//
// The objects are snapshot copies (CopyObjectForSnapshot): their vertex and
// corner buffers are shared copy-on-write with the document and with other
// entries, so an entry costs little more than its object records until one
// side writes to a buffer. The document keeps its entries in undoStack and
// redoStack with the newest entry at the back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/property_bag.h"
#include "core/scene_object.h"

namespace torvane {

struct HistoryEntry {
  uint32_t loadCode = 0;  // kept with the snapshot, never restored
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

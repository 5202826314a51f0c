// SceneObject: one entry of the document: its mesh, its world matrix, what is
// selected inside it, its 2D outline data and per-object metadata.
//
// Two copies exist: the copy for adding an object to a document (geometry,
// outlines, selection state, metadata) and the copy for a history snapshot
// (the same plus the editing state and the id). Mesh buffers are shared
// copy-on-write by both, so copies are cheap until one side is edited.
#pragma once

#include <cstdint>
#include <vector>

#include "core/matrix4.h"
#include "core/mesh.h"
#include "core/outline.h"
#include "core/property_bag.h"
#include "core/selection_record.h"
#include "core/vec3.h"

namespace torvane {

inline constexpr uint32_t kNoObjectId = 0xFFFFFFFFu;

struct SceneObject {
  Matrix4 worldMatrix;
  SelectionRecords selectionRecords;  // head = front
  Mesh mesh;
  std::vector<OutlineShape> outlineShapes;
  uint32_t outlineMode = 0;
  std::vector<OutlineSegment> outlineWork;
  LineSlots lineSlots{};
  bool showBoundingBox = false;
  bool moveCacheStale = true;
  bool outlineFlagC = false;
  std::vector<uint32_t> moveVertices;
  std::vector<uint32_t> moveTriangles;
  PropertyBag metadata;
  bool pickFlag = false;
  Vec3 pickPoint;
  bool selected = false;
  bool primarySelected = false;
  uint32_t id = kNoObjectId;  // kNoObjectId: none, or dead once deleted
};

inline bool IsLive(const SceneObject& object) {
  return object.id != kNoObjectId;
}

// Selected as a whole: show the selection bounding box, when the object has
// triangles and no outline shapes.
void MarkBoundingBox(SceneObject& object);

// worldMatrix = transform matrix of the mesh's scale, rotation and position.
void UpdateWorldMatrix(SceneObject& object);

// Copies world matrix, mesh, outline shapes, outlineMode, selection records,
// selected, showBoundingBox and metadata; the id only when dst has none.
// False (dst unspecified but valid) when memory runs out.
bool CopyObjectForAdding(const SceneObject& src, SceneObject& dst);

// The copy for adding plus outlineFlagC, pickFlag, pickPoint and the id
// (always). primarySelected is not copied; the move cache and the outline
// work buffer start empty (the cache marked stale) and every line slot is free.
bool CopyObjectForSnapshot(const SceneObject& src, SceneObject& dst);

}  // namespace torvane

// Scene object operations: the selection bounding box, the world matrix and
// the two copies (for adding to a document, for a history snapshot).
#include "core/scene_object.h"

#include <new>

namespace torvane {
namespace {

void CopyAddingFields(const SceneObject& src, SceneObject& dst) {
  dst.worldMatrix = src.worldMatrix;
  dst.mesh = src.mesh;
  dst.outlineShapes = src.outlineShapes;
  dst.outlineMode = src.outlineMode;
  dst.selectionRecords = src.selectionRecords;
  dst.selected = src.selected;
  dst.showBoundingBox = src.showBoundingBox;
  dst.metadata = src.metadata;
}

}  // namespace

void MarkBoundingBox(SceneObject& object) {
  if (!object.outlineShapes.empty() || TriangleCount(object.mesh) == 0) return;
  object.showBoundingBox = true;
  object.outlineWork.clear();
}

void UpdateWorldMatrix(SceneObject& object) {
  object.worldMatrix = MeshTransformMatrix(object.mesh);
}

bool CopyObjectForAdding(const SceneObject& src, SceneObject& dst) {
  if (&src == &dst) return true;
  try {
    CopyAddingFields(src, dst);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (dst.id == kNoObjectId) dst.id = src.id;
  return true;
}

bool CopyObjectForSnapshot(const SceneObject& src, SceneObject& dst) {
  if (&src == &dst) return true;
  try {
    CopyAddingFields(src, dst);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The move cache itself is not copied, so the copy must rebuild it before
  // its next element move (an empty cache marked fresh would move nothing).
  dst.moveCacheStale = true;
  dst.outlineFlagC = src.outlineFlagC;
  dst.pickFlag = src.pickFlag;
  dst.pickPoint = src.pickPoint;
  dst.id = src.id;
  dst.moveVertices.clear();
  dst.moveTriangles.clear();
  dst.outlineWork.clear();
  FreeLineSlots(dst.lineSlots);
  return true;
}

}  // namespace torvane

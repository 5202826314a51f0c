// Copy, cut and paste of whole objects through the document's copy buffer.
#include "core/copy_buffer.h"

#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/delete_objects.h"
#include "core/history.h"

namespace torvane {
namespace {

// Paste turns the offset with this factor, a little finer than the one the
// object transform uses.
constexpr float kPasteDegreesToRadians = 0.017453292f;

std::string OutOfMemoryText(const char* command) {
  return std::string(command) + ": Not enough memory to complete the operation";
}

// v turned about X, then Y, then Z (row-vector convention, v x R).
Vec3 Rotate(const Vec3& v, const Vec3& degrees) {
  const float rx = degrees.x * kPasteDegreesToRadians;
  const float ry = degrees.y * kPasteDegreesToRadians;
  const float rz = degrees.z * kPasteDegreesToRadians;
  const float cx = std::cos(rx), sx = std::sin(rx);
  const float cy = std::cos(ry), sy = std::sin(ry);
  const float cz = std::cos(rz), sz = std::sin(rz);
  const Vec3 row0{cz * cy, cy * sz, -sy};
  const Vec3 row1{cz * sy * sx - sz * cx, sz * sy * sx + cz * cx, sx * cy};
  const Vec3 row2{sz * sx + cz * sy * cx, sz * sy * cx - cz * sx, cx * cy};
  return row0 * v.x + row1 * v.y + row2 * v.z;
}

// The copy of one object for the buffer; null when memory runs out.
std::unique_ptr<SceneObject> CopyForBuffer(const SceneObject& object) {
  std::unique_ptr<SceneObject> copy(new (std::nothrow) SceneObject);
  if (!copy || !CopyObjectForSnapshot(object, *copy)) return nullptr;
  if (!copy->outlineShapes.empty()) {
    // A 2D outline belongs to the object it is drawn on; the copy is the mesh.
    copy->outlineShapes.clear();
    copy->pickFlag = false;
    copy->selectionRecords.clear();
    copy->selected = false;
  }
  return copy;
}

}  // namespace

Vec3 PasteOffset(Mesh& mesh) {
  const BoundingBox bounds = MeshBounds(mesh);
  return Rotate(Vec3{0.0f, 0.0f, bounds.max.z - bounds.min.z}, mesh.rotation);
}

CommandOutcome CopySelected(Document& doc) {
  CommandOutcome outcome;
  if (doc.selectionMode != kSelectionModeObject || doc.objects.empty()) return outcome;
  // Built aside and swapped in, so a copy that runs out of memory leaves the
  // earlier buffer as it was.
  std::vector<std::unique_ptr<SceneObject>> buffer;
  try {
    for (const auto& o : doc.objects) {
      if (!o || !IsLive(*o) || !o->selected) continue;
      std::unique_ptr<SceneObject> copy = CopyForBuffer(*o);
      if (!copy) throw std::bad_alloc();
      buffer.insert(buffer.begin(), std::move(copy));
    }
  } catch (const std::bad_alloc&) {
    outcome.status = kStatusFailed;
    outcome.errorText = OutOfMemoryText("Copy selected");
    return outcome;
  } catch (const std::length_error&) {
    outcome.status = kStatusFailed;
    outcome.errorText = OutOfMemoryText("Copy selected");
    return outcome;
  }
  doc.copyBuffer = std::move(buffer);
  return outcome;
}

CommandOutcome CutSelected(Document& doc) {
  if (doc.selectionMode != kSelectionModeObject) return {};
  CommandOutcome copied = CopySelected(doc);
  // Nothing is deleted that could not be put in the buffer first.
  if (copied.status != kStatusDone) return copied;
  return DeleteSelectedObjects(doc);
}

bool CanPaste(const Document& doc) {
  return doc.selectionMode == kSelectionModeObject && !doc.copyBuffer.empty();
}

CommandOutcome PasteFromCopyBuffer(Document& doc) {
  CommandOutcome outcome;
  if (!CanPaste(doc)) return outcome;
  RecordHistory(doc);

  const bool selectPasted = !AnySelectedWithOutlines(doc);
  if (selectPasted) {
    for (auto& o : doc.objects) {
      if (!o) continue;
      // The selection list follows the flags, so that it never names an
      // object that is no longer selected (the first entry anchors
      // subtraction and the properties panel).
      if (o->selected) RemoveFromSelection(doc, o->id);
      o->selected = false;
      o->selectionRecords.clear();
      o->showBoundingBox = false;
    }
  }

  for (const auto& copy : doc.copyBuffer) {
    if (!copy || copy->id == kNoObjectId) continue;
    const uint32_t id = AddObjectCopy(doc, *copy);
    if (id == kNoObjectId) {
      outcome.status = kStatusFailed;
      outcome.errorText = OutOfMemoryText("Paste from Copy Buffer");
      break;
    }
    SceneObject& pasted = *doc.objects.back();
    // The copied records named the original object.
    for (SelectionRecord& record : pasted.selectionRecords)
      record.ownerId = id;
    if (selectPasted) {
      // A copy taken from an outline object carries no record; a selected
      // object always has its whole-object record, which Delete acts on.
      if (pasted.selectionRecords.empty()) SelectObject(pasted);
      pasted.selected = true;
      MarkBoundingBox(pasted);
    }
    SetPosition(pasted.mesh, pasted.mesh.position + PasteOffset(pasted.mesh));
    UpdateWorldMatrix(pasted);
    if (pasted.selected) {
      AddToSelection(doc, id);
    } else {
      RemoveFromSelection(doc, id);
    }
  }

  doc.haveChanges = true;
  doc.forceRecord = true;
  outcome.changed = true;
  return outcome;
}

}  // namespace torvane

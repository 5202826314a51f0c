// The selection step of a left click: deselect unless a modifier is held,
// then select the hit object or toggle the hit element, with one history
// entry for every click that hits.
#include "core/select_at.h"

#include <algorithm>
#include <new>

#include "core/gather_face.h"
#include "core/history.h"

namespace torvane {
namespace {

bool HasWholeObjectRecord(const SceneObject& object) {
  return std::any_of(object.selectionRecords.begin(), object.selectionRecords.end(),
                     [](const SelectionRecord& r) { return r.elementType == kSelectObject; });
}

// The hit object is the one and only selected object, at the head of the
// selection list.
bool IsOnlySelected(Document& doc, const SceneObject& object) {
  return object.selected && doc.selection.size() == 1 && doc.selection.front() == object.id &&
         SelectedCount(doc) == 1;
}

bool ContainsElement(const SelectionRecords& records, const SelectionRecord& element) {
  return std::any_of(records.begin(), records.end(),
                     [&](const SelectionRecord& r) { return SameElement(r, element); });
}

// Adds the picked elements, or removes them when the first of them (the
// element under the mouse) is selected already. True when the records
// changed.
bool ToggleElements(SceneObject& object, const std::vector<SelectionRecord>& picked) {
  if (picked.empty()) return false;
  SelectionRecords& records = object.selectionRecords;
  if (ContainsElement(records, picked.front())) {
    const auto removed = std::remove_if(records.begin(), records.end(), [&](const auto& r) {
      return std::any_of(picked.begin(), picked.end(),
                         [&](const SelectionRecord& p) { return SameElement(r, p); });
    });
    records.erase(removed, records.end());
    return true;
  }
  bool changed = false;
  for (const SelectionRecord& record : picked) {
    if (ContainsElement(records, record)) continue;
    try {
      PushSelectionRecord(records, record);
    } catch (const std::bad_alloc&) {
      break;
    }
    changed = true;
  }
  return changed;
}

}  // namespace

bool SameElement(const SelectionRecord& a, const SelectionRecord& b) {
  if (a.elementType == kSelectObject || b.elementType == kSelectObject) return false;
  std::array<uint32_t, 3> x{a.indices[0], a.indices[1], a.indices[2]};
  std::array<uint32_t, 3> y{b.indices[0], b.indices[1], b.indices[2]};
  std::sort(x.begin(), x.end());
  std::sort(y.begin(), y.end());
  return x == y;
}

std::vector<SelectionRecord> PickedElementRecords(const SceneObject& object,
                                                  const PickRequest& request) {
  std::vector<SelectionRecord> records;
  if (request.kind < kPickFace || request.kind > kPickVertex) return records;
  if (request.hitCorners[0] == kDeadIndex) return records;
  SelectionRecord record;
  record.ownerId = object.id;
  record.pickPoint = request.hitPoint;
  record.distance = request.distance;
  try {
    if (request.kind != kPickFace) {
      record.elementType = request.kind;
      for (int k = 0; k < 3; ++k) {
        record.indices[k] = request.hitVertices[k];
        record.indices[3 + k] = request.hitCorners[k];
      }
      records.push_back(record);
      return records;
    }
    // A face is kept as the triangle records of its triangles.
    record.elementType = kSelectTriangle;
    const MeshCorner* corners = object.mesh.corners.data();
    for (uint32_t t : GatherFace(object.mesh, request.hitCorners[0] / 3)) {
      for (uint32_t k = 0; k < 3; ++k) {
        record.indices[k] = corners[size_t{t} * 3 + k].vertexIndex;
        record.indices[3 + k] = t * 3 + k;
      }
      records.push_back(record);
    }
  } catch (const std::bad_alloc&) {
    // Whatever was gathered so far; the triangle under the mouse comes first.
  }
  return records;
}

ClickResult ApplyPickToSelection(Document& doc, PickRequest& request, bool keepSelection) {
  ClickResult result;
  // A cancelled pick found nothing but is no click on empty space either.
  if (request.cancelled) return result;
  if (request.kind == kPickIdentify) {
    result.hit = request.hit;
    return result;
  }
  SceneObject* target = request.hit ? FindObject(doc, request.hitObjectId) : nullptr;
  const bool objectMode = request.kind == kPickObject;
  result.hit = target != nullptr;

  // In an element mode, the records of the element under the mouse, and
  // whether it is selected already (clicking it again deselects it).
  std::vector<SelectionRecord> picked;
  if (target && !objectMode) picked = PickedElementRecords(*target, request);
  const bool pickedSelected =
      !picked.empty() && ContainsElement(target->selectionRecords, picked.front());

  if (target) {
    // Every click that hits records exactly one entry before anything
    // changes, also right after an Undo, so that one Undo reverses the click
    // together with the drag that may follow it.
    doc.forceRecord = true;
    RecordHistory(doc);
  }
  if (!keepSelection && AnySelected(doc)) {
    if (target && objectMode && IsOnlySelected(doc, *target)) {
      // Clicking the selected object again keeps it selected for a drag.
      doc.forceRecord = true;
      return result;
    }
    if (!target) RecordHistory(doc);
    for (auto& object : doc.objects) {
      if (object && !object->selectionRecords.empty()) object->moveCacheStale = true;
    }
    DeselectAll(doc);
    result.changed = true;
  }

  if (!target) {
    if (AnySelected(doc)) {
      RecordHistory(doc);
      if (CanUndo(doc) && AnySelected(doc)) doc.forceRecord = true;
    }
    return result;
  }

  if (objectMode) {
    if (!target->selected || !HasWholeObjectRecord(*target)) {
      // One whole-object record, however often the object is clicked.
      if (!HasWholeObjectRecord(*target)) SelectObject(*target);
      result.changed = true;
    }
    target->selected = true;
    MarkBoundingBox(*target);
  } else if (pickedSelected && !ContainsElement(target->selectionRecords, picked.front())) {
    // The clicked element was selected and went with the selection cleared
    // above: a second click deselects it.
    target->moveCacheStale = true;
  } else {
    target->selected = true;
    if (ToggleElements(*target, picked)) {
      // The cached vertices of an element move belong to the old records.
      target->moveCacheStale = true;
      result.changed = true;
    }
  }
  if (target->selectionRecords.empty()) {
    target->selected = false;
    target->showBoundingBox = false;
    RemoveFromSelection(doc, target->id);
  } else {
    AddToSelection(doc, target->id);
  }
  doc.forceRecord = true;
  return result;
}

}  // namespace torvane

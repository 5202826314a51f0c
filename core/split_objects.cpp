// "Split Objects": every selected object is replaced by its connected parts.
// All parts are gathered first; only when every object split cleanly do the
// parts (origins at their own centres) join the end of the object list, the
// split objects leave it, and the live objects are renumbered 1, 2, 3, ...
// in list order. Ids held by the document (the selection list, the outline
// object) follow the renumbering.
#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/history.h"
#include "core/split_group.h"

namespace torvane {
namespace {

using IdMap = std::vector<std::pair<uint32_t, uint32_t>>;  // old id, new id; sorted

uint32_t RenumberedId(const IdMap& ids, uint32_t id) {
  const auto it = std::lower_bound(ids.begin(), ids.end(), std::make_pair(id, uint32_t{0}));
  return it != ids.end() && it->first == id ? it->second : kNoObjectId;
}

}  // namespace

int SplitSelectedObjects(Document& doc, ProgressMonitor& monitor, size_t& partsCount) {
  partsCount = 0;
  if (!AnySelected(doc)) return kStatusDone;
  monitor.BeginIndeterminate();
  ObjectList parts;
  int ordinal = 1;
  for (const auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    char heading[48];
    std::snprintf(heading, sizeof heading, "Processing object %d", ordinal++);
    monitor.SetText(heading, 0);
    const int result = SplitIntoParts(*object, monitor, parts, partsCount);
    if (result != kStatusDone) {
      partsCount = 0;
      monitor.EndIndeterminate();
      return result;  // the gathered parts are freed with `parts`
    }
  }
  // Everything the renumbering needs is allocated before the document is
  // touched, so running out of memory here still leaves it as it was.
  IdMap ids;
  ObjectList kept;
  std::vector<uint32_t> selection;
  try {
    kept.reserve(doc.objects.size() + parts.size());
    ids.reserve(doc.objects.size());
    selection.reserve(doc.selection.size());
  } catch (const std::bad_alloc&) {
    partsCount = 0;
    monitor.EndIndeterminate();
    return kStatusFailed;
  }

  for (auto& part : parts) {
    ResetOriginToCentre(part->mesh);
    UpdateWorldMatrix(*part);
  }
  // The split objects leave the list (destroyed with the old list); every
  // other live object, the new parts last, is numbered anew. Dead objects
  // stay dead and uncounted.
  uint32_t counter = 0;
  auto renumber = [&counter](SceneObject& object) {
    object.id = ++counter;
    for (SelectionRecord& record : object.selectionRecords)
      record.ownerId = object.id;
  };
  for (auto& object : doc.objects) {
    if (!object) continue;
    if (IsLive(*object)) {
      if (object->selected) continue;
      const uint32_t oldId = object->id;
      renumber(*object);
      ids.emplace_back(oldId, object->id);
    }
    kept.push_back(std::move(object));
  }
  for (auto& part : parts) {
    renumber(*part);
    kept.push_back(std::move(part));
  }
  doc.objects.swap(kept);
  doc.objectCount = counter;
  std::sort(ids.begin(), ids.end());

  for (uint32_t id : doc.selection) {
    const uint32_t renumbered = RenumberedId(ids, id);
    if (renumbered != kNoObjectId) selection.push_back(renumbered);
  }
  doc.selection.swap(selection);
  if (!doc.selection.empty()) {
    if (SceneObject* primary = FindObject(doc, doc.selection.front())) {
      primary->primarySelected = true;
    }
  }
  doc.outlineObjectId = RenumberedId(ids, doc.outlineObjectId);
  monitor.EndIndeterminate();
  return kStatusDone;
}

CommandOutcome SplitObjectsCommand(Document& doc, ProgressMonitor& monitor) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  size_t partsCount = 0;
  outcome.status = SplitSelectedObjects(doc, monitor, partsCount);
  if (outcome.status == kStatusFailed) {
    outcome.errorText = "Split selected objects: Not enough memory to complete the operation";
  }
  if (outcome.status != kStatusDone) return outcome;
  outcome.changed = true;
  if (partsCount == 1) {
    outcome.statusText = "There were no new objects split out of the selected objects.";
  } else {
    char text[96];
    std::snprintf(text, sizeof text, "The selected objects have been split into %zu.", partsCount);
    outcome.statusText = text;
  }
  return outcome;
}

}  // namespace torvane

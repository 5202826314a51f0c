// BooleanCommand: Union, Intersection and Subtract of the selection.
//
// Inputs: the document's selection (in selection order) and the runner that
// shows each pairwise step's progress window. Output: the scene changed in
// one history step, the notice text, or the memory message.
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "core/history.h"
#include "solid/booleans.h"

namespace torvane {
namespace {

const char* MemoryName(BooleanKind kind) {
  switch (kind) {
    case BooleanKind::kUnion:
      return "Union";
    case BooleanKind::kIntersection:
      return "Intersection";
    case BooleanKind::kSubtract:
      break;
  }
  return "Subtract";
}

std::string Notice(BooleanKind kind, bool added, size_t operands) {
  char text[160];
  const int n = static_cast<int>(operands);
  switch (kind) {
    case BooleanKind::kUnion:
      if (!added) return {};
      std::snprintf(text, sizeof text, "Union: The %d selected objects were combined into 1", n);
      return text;
    case BooleanKind::kIntersection:
      if (added) {
        std::snprintf(text, sizeof text,
                      "Intersection: 1 object has been created from the intersection of the %d "
                      "selected objects",
                      n);
      } else {
        std::snprintf(text, sizeof text,
                      "Intersection: There was no common intersection of the %d selected objects",
                      n);
      }
      return text;
    case BooleanKind::kSubtract:
      break;
  }
  return added ? "Subtract: The target object has had the other selected objects taken away "
                 "from it"
               : "Subtract: There is nothing left of the target object after the other "
                 "selected objects were taken away from it";
}

}  // namespace

CommandOutcome BooleanCommand(Document& doc, BooleanKind kind, const BooleanStepRunner& run) {
  CommandOutcome outcome;
  std::vector<const SceneObject*> operands;
  std::vector<uint32_t> ids;
  try {
    for (uint32_t id : doc.selection) {
      const SceneObject* object = FindObject(doc, id);
      if (object && TriangleCount(object->mesh) >= 1) {
        operands.push_back(object);
        ids.push_back(id);
      }
    }
  } catch (const std::bad_alloc&) {
    operands.clear();
  }
  if (operands.size() < 2) return outcome;

  auto memoryFailure = [&]() {
    outcome.status = kStatusFailed;
    outcome.errorText =
        std::string(MemoryName(kind)) + ": Not enough memory to complete the operation";
    return outcome;
  };
  auto accumulator = std::make_unique<SceneObject>();
  if (!CopyObjectForAdding(*operands[0], *accumulator)) return memoryFailure();
  const std::string title = BooleanWindowTitle(kind);
  for (size_t k = 1; k < operands.size(); ++k) {
    auto step = std::make_unique<SceneObject>();
    const int status = run(title, [&](ProgressMonitor& monitor) {
      return BooleanStep(kind, *accumulator, *operands[k], *step, monitor);
    });
    if (status == kStatusCancelled) {
      outcome.status = kStatusCancelled;
      return outcome;
    }
    if (status != kStatusDone) return memoryFailure();
    accumulator = std::move(step);
  }

  // Every step succeeded: only now does the scene change.
  try {
    doc.objects.reserve(doc.objects.size() + 1);
  } catch (const std::bad_alloc&) {
    return memoryFailure();
  }
  RecordHistory(doc);
  DeselectAll(doc);
  for (uint32_t id : ids)
    RemoveObject(doc, id);
  bool added = false;
  if (TriangleCount(accumulator->mesh) > 3) {
    const uint32_t id = AddImportedObject(doc, *accumulator);
    if (SceneObject* object = FindObject(doc, id)) {
      SelectObject(*object);
      MarkBoundingBox(*object);
      AddToSelection(doc, id);
      added = true;
      Notify(doc, kNotifyObjectAdded);
    } else {
      outcome.status = kStatusFailed;
      outcome.errorText = memoryFailure().errorText;
    }
  }
  RecountObjects(doc);
  if (!FindObject(doc, doc.outlineObjectId)) doc.outlineObjectId = kNoObjectId;
  // Removed operands leave no change flag behind: the next command's
  // snapshot must still record this state.
  doc.forceRecord = true;
  outcome.changed = true;
  if (outcome.status == kStatusDone) outcome.statusText = Notice(kind, added, operands.size());
  return outcome;
}

}  // namespace torvane

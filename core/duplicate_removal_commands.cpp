// "Remove Duplicate Vertices" and "Remove Duplicate Triangles" on the
// selected objects: one history step, the per-object step on every live
// selected object in list order, and the total in the status text. An
// object that fails for lack of memory stays unchanged and the next one is
// still tried; after a cancel the remaining objects stop at their first
// check.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/duplicate_removal.h"
#include "core/history.h"

namespace torvane {
namespace {

using PerObjectStep = int (*)(Mesh&, ProgressMonitor&, uint64_t&);

CommandOutcome RunRemoval(Document& doc, ProgressMonitor& monitor, PerObjectStep step,
                          const char* title, const char* noneText, const char* totalFormat) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  uint64_t total = 0;
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    const int result = step(object->mesh, monitor, total);
    outcome.status = std::max(outcome.status, result);
  }
  outcome.changed = total > 0;
  if (total == 0) {
    outcome.statusText = noneText;
  } else {
    char text[160];
    std::snprintf(text, sizeof text, totalFormat, static_cast<unsigned long long>(total));
    outcome.statusText = text;
  }
  if (outcome.status == kStatusFailed) {
    outcome.errorText = std::string(title) + ": Not enough memory to complete the operation";
  }
  return outcome;
}

}  // namespace

CommandOutcome RemoveDuplicateVerticesCommand(Document& doc, ProgressMonitor& monitor) {
  return RunRemoval(doc, monitor, RemoveDuplicateVertices, "Remove duplicate vertices",
                    "There were no duplicated vertices to remove from the selected objects.",
                    "Removed a total of %llu duplicated vertices from the selected objects.");
}

CommandOutcome RemoveDuplicateTrianglesCommand(Document& doc, ProgressMonitor& monitor) {
  return RunRemoval(doc, monitor, RemoveDuplicateTriangles, "Remove duplicate triangles",
                    "There were no duplicated triangles to remove from the selected objects.",
                    "Removed a total of %llu duplicated triangles from the selected objects.");
}

}  // namespace torvane

// Subdivide all: every triangle present at the start is subdivided into 3 or
// into 4 (without neighbour repair; each edge is split by both of its
// triangles, and the two midpoints become one vertex only inside the
// append look-back window). The commands "Subdivide all triangles into 3"
// and "into 4" run it on every selected object and deselect it afterwards.
#include <algorithm>

#include "core/corner_append.h"
#include "core/history.h"
#include "core/mesh_ops.h"

namespace torvane {
namespace {

constexpr uint32_t kCancelEvery = 10;     // corners
constexpr uint32_t kProgressEvery = 100;  // corners

uint64_t CountLiveTriangles(const Mesh& mesh, uint32_t cornerLimit) {
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const MeshCorner* c = mesh.corners.data();
  uint64_t count = 0;
  for (uint32_t k = 0; k + 2 < cornerLimit; k += 3) {
    if (c[k].vertexIndex < vertices && c[k + 1].vertexIndex < vertices &&
        c[k + 2].vertexIndex < vertices) {
      ++count;
    }
  }
  return count;
}

// Clears the object's selection and takes it out of the document's
// selection list, so that the list and the flags keep agreeing.
void Deselect(Document& doc, SceneObject& object) {
  object.selectionRecords.clear();
  object.selected = false;
  object.showBoundingBox = false;
  RemoveFromSelection(doc, object.id);
}

}  // namespace

int SubdivideAll(Mesh& mesh, Subdivision kind, ProgressMonitor& monitor) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  // All the room the run needs is made first: running out of memory halfway
  // would otherwise leave some triangles split and others not.
  const uint64_t live = CountLiveTriangles(mesh, n);
  const uint64_t newVertices = live * (kind == Subdivision::kInto3 ? 1 : 3);
  const uint64_t newCorners = live * (kind == Subdivision::kInto3 ? 6 : 9);
  if (uint64_t{mesh.vertexCount} + newVertices > UINT32_MAX ||
      uint64_t{mesh.cornerCount} + newCorners > UINT32_MAX || !ReserveVertices(mesh, newVertices) ||
      !ReserveCorners(mesh, newCorners)) {
    return kStatusFailed;
  }
  int result = kStatusDone;
  for (uint32_t k = 0; k + 2 < n; k += 3) {
    if (k % kCancelEvery == 0 && monitor.IsCancelled()) {
      result = kStatusCancelled;
      break;
    }
    if (k % kProgressEvery == 0) monitor.SetFraction(double(k) / double(n));
    const bool ok = kind == Subdivision::kInto3
                        ? SubdivideTriangleInto3(mesh, k, k + 1, k + 2)
                        : SubdivideTriangleInto4(mesh, k, k + 1, k + 2, false);
    if (!ok) {
      result = kStatusFailed;
      break;
    }
  }
  TrimMesh(mesh);
  return result;
}

const char* SubdivideAllCommandName(Subdivision kind) {
  return kind == Subdivision::kInto3 ? "Subdivide all triangles into 3"
                                     : "Subdivide all triangles into 4";
}

CommandOutcome SubdivideAllCommand(Document& doc, Subdivision kind, const ProgressRunner& run) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  const char* heading = kind == Subdivision::kInto3 ? "Subdivide all triangles into 3 each"
                                                    : "Subdivide all triangles into 4 each";
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    const int result = run(SubdivideAllCommandName(kind), [&](ProgressMonitor& monitor) {
      monitor.SetText(heading, 0);
      if (TriangleCount(object->mesh) == 0) return int{kStatusDone};
      return SubdivideAll(object->mesh, kind, monitor);
    });
    outcome.status = std::max(outcome.status, result);
    Deselect(doc, *object);
    outcome.changed = true;
  }
  RecountObjects(doc);
  return outcome;
}

CommandOutcome SubdivideAllCommand(Document& doc, Subdivision kind, ProgressMonitor& monitor) {
  return SubdivideAllCommand(
      doc, kind, [&monitor](const std::string&, const std::function<int(ProgressMonitor&)>& body) {
        return body(monitor);
      });
}

}  // namespace torvane

// Duplicate removal: "Remove Duplicate Vertices" merges vertices at equal
// positions (per component within 2^-23) and renumbers the corners; "Remove
// Duplicate Triangles" deletes triangles that repeat an earlier triangle's
// three vertex indices in the same cyclic order.
//
// Results are exactly those of comparing every pair in index order: each
// class of equal vertices is represented by its lowest index, and a vertex
// is only compared with representatives of lower index (equality is not
// transitive, so a vertex near a merged one but not near its representative
// stays). Both work in near-linear time through hashing.
//
// Per-object steps answer 0 done (or nothing to do), 1 cancelled, 2 out of
// memory; a cancelled or failed object is left unchanged. Each adds the
// number of removed items to `total`.
#pragma once

#include <cstdint>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/mesh.h"
#include "core/progress_monitor.h"

namespace torvane {

int RemoveDuplicateVertices(Mesh& mesh, ProgressMonitor& monitor, uint64_t& total);
int RemoveDuplicateTriangles(Mesh& mesh, ProgressMonitor& monitor, uint64_t& total);

// The commands: one history step, then the per-object step on every live
// selected object in list order (going on after a failed object). The status
// is the worst object result; statusText the total ("Removed a total of %Iu
// duplicated vertices from the selected objects." or the "There were no
// duplicated ..." text); errorText names the command when memory ran out.
CommandOutcome RemoveDuplicateVerticesCommand(Document& doc, ProgressMonitor& monitor);
CommandOutcome RemoveDuplicateTrianglesCommand(Document& doc, ProgressMonitor& monitor);

}  // namespace torvane

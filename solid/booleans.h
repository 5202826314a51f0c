// Union, Intersection and Subtract: the selected objects combined into one
// new object through the BSP kernel.
//
// The operands are the selected objects with triangles, in the order they
// were selected; the first is the target of Subtract. They are folded
// pairwise into an accumulator, each step under its own progress window
// (the caller's runner). Boxes that do not meet take quick paths without the
// kernel. Only when every step succeeded does the scene change, in one
// history step: the operands leave, and the accumulator is added when it has
// more than 3 triangles. A cancel or a memory failure leaves the scene as it
// was.
#pragma once

#include <functional>
#include <string>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/mesh.h"
#include "core/progress_monitor.h"
#include "core/scene_object.h"
#include "solid/bsp.h"

namespace torvane {

enum class BooleanKind { kUnion, kIntersection, kSubtract };

// "Union", "Intersection", "Difference": the progress window title.
std::string BooleanWindowTitle(BooleanKind kind);

// Runs one pairwise step under a progress window titled `title` and answers
// the step's status (0 done, 1 cancelled, 2 out of memory).
using BooleanStepRunner =
    std::function<int(const std::string& title, const std::function<int(ProgressMonitor&)>& step)>;

// The command. statusText is the notice for the 3D view's timed hint line
// (empty when there is none), errorText the memory message (shown with the
// error icon and no title). changed is set when the scene changed.
CommandOutcome BooleanCommand(Document& doc, BooleanKind kind, const BooleanStepRunner& run);

// True when the world bounding boxes of the two objects' vertices meet
// (touching counts); false means the objects are disjoint.
bool WorldBoxesOverlap(const SceneObject& a, const SceneObject& b);

// One pairwise step: `result` is filled from accumulator `a` and operand `b`.
int BooleanStep(BooleanKind kind, const SceneObject& a, const SceneObject& b, SceneObject& result,
                ProgressMonitor& monitor);

// The kernel between two world meshes: polygons, trees, the tree boolean and
// the mesh of the surviving polygons in `out`, with the progress texts.
int RunBooleanDriver(BooleanKind kind, const WorldMesh& a, const WorldMesh& b, Mesh& out,
                     ProgressMonitor& monitor);

// The clean-up after the duplicate-vertex merge: vertices within the kernel's
// tolerance of each other along open edges are welded, edges are split at
// the vertices lying on them, and zero-area slivers are folded into their
// neighbours, so that a boolean of closed solids is closed (every edge used
// once in each direction). 0 done, 1 cancelled, 2 out of memory (the mesh is
// then unchanged).
int RepairTJunctions(Mesh& mesh, ProgressMonitor& monitor);

}  // namespace torvane

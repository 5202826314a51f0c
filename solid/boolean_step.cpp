// The pairwise boolean step and the two-operand kernel driver.
//
// Inputs: the accumulator and one operand. Output: the step result in world
// space (transform reset), or an empty result, with the step status. Boxes
// that do not meet never reach the kernel: union concatenates the meshes,
// intersection is empty, subtract keeps the target.
#include <algorithm>
#include <cfloat>
#include <new>

#include "core/duplicate_removal.h"
#include "core/matrix4.h"
#include "core/split_group.h"
#include "solid/booleans.h"
#include "solid/bsp_internal.h"
#include "solid/side_task.h"

namespace torvane {
namespace {

struct WorldBox {
  Vec3 min{FLT_MAX, FLT_MAX, FLT_MAX};
  Vec3 max{-FLT_MAX, -FLT_MAX, -FLT_MAX};
  bool empty = true;
};

WorldBox BoxOf(const SceneObject& object) {
  const Mesh& mesh = object.mesh;
  const Matrix4 m = MeshTransformMatrix(mesh);
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  WorldBox box;
  for (uint32_t i = 0; i < n; ++i) {
    const Vec3 p = TransformPoint(mesh.positions[i], m);
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
    box.empty = false;
  }
  return box;
}

const char* StepText(BooleanKind kind) {
  switch (kind) {
    case BooleanKind::kUnion:
      return "Create the union of the selected meshes";
    case BooleanKind::kIntersection:
      return "Create the intersection of the selected meshes";
    case BooleanKind::kSubtract:
      break;
  }
  return "Subtract the meshes from the target mesh";
}

// The working copy of an object's geometry with its object-level properties.
bool CopyOf(const SceneObject& from, SceneObject& to) {
  to = SceneObject{};
  return CopyObjectForAdding(from, to);
}

// Kernel results are in world space: the receiving object keeps no
// transform, outline, selection or id of its own.
void ResetToWorld(SceneObject& t) {
  t.mesh.scale = Vec3{1.0f, 1.0f, 1.0f};
  t.mesh.rotation = Vec3{};
  t.mesh.position = Vec3{};
  t.outlineShapes.clear();
  t.outlineWork.clear();
  FreeLineSlots(t.lineSlots);
  t.selectionRecords.clear();
  t.selected = false;
  t.primarySelected = false;
  t.showBoundingBox = false;
  t.id = kNoObjectId;
  UpdateWorldMatrix(t);
}

void EmptyResult(SceneObject& t) {
  t = SceneObject{};
}

void InstallMesh(SceneObject& t, Mesh& kernelMesh) {
  if (kernelMesh.vertexCount < 4 || kernelMesh.cornerCount < 12) {
    ClearMesh(t.mesh);
  } else {
    t.mesh.positions = std::move(kernelMesh.positions);
    t.mesh.corners = std::move(kernelMesh.corners);
    t.mesh.vertexCount = kernelMesh.vertexCount;
    t.mesh.cornerCount = kernelMesh.cornerCount;
  }
  ResetToWorld(t);
  InvalidateBounds(t.mesh);
  MarkChanged(t.mesh);
}

int KernelStep(BooleanKind kind, const SceneObject& a, const SceneObject& b, SceneObject& t,
               ProgressMonitor& monitor) {
  const WorldMesh wa = MakeWorldMesh(a.mesh);
  const WorldMesh wb = MakeWorldMesh(b.mesh);
  if (!wa.valid || !wb.valid) return kCsgOutOfMemory;
  monitor.SetText(StepText(kind), 0);
  Mesh out;
  const int status = RunBooleanDriver(kind, wa, wb, out, monitor);
  if (status != kCsgDone) return status;
  // The result keeps the target's name, colour and materials.
  if (!CopyOf(a, t)) return kCsgOutOfMemory;
  InstallMesh(t, out);
  uint64_t merged = 0;
  const int dedup = RemoveDuplicateVertices(t.mesh, monitor, merged);
  if (dedup != kStatusDone) return dedup;
  return RepairTJunctions(t.mesh, monitor);
}

struct MarqueeScope {
  explicit MarqueeScope(ProgressMonitor& m) : monitor(m) { monitor.BeginIndeterminate(); }
  ~MarqueeScope() { monitor.EndIndeterminate(); }
  ProgressMonitor& monitor;
};

}  // namespace

std::string BooleanWindowTitle(BooleanKind kind) {
  switch (kind) {
    case BooleanKind::kUnion:
      return "Union";
    case BooleanKind::kIntersection:
      return "Intersection";
    case BooleanKind::kSubtract:
      break;
  }
  return "Difference";
}

bool WorldBoxesOverlap(const SceneObject& a, const SceneObject& b) {
  const WorldBox ba = BoxOf(a);
  const WorldBox bb = BoxOf(b);
  if (ba.empty || bb.empty) return false;
  return ba.min.x <= bb.max.x && bb.min.x <= ba.max.x && ba.min.y <= bb.max.y &&
         bb.min.y <= ba.max.y && ba.min.z <= bb.max.z && bb.min.z <= ba.max.z;
}

int BooleanStep(BooleanKind kind, const SceneObject& a, const SceneObject& b, SceneObject& t,
                ProgressMonitor& monitor) {
  MarqueeScope marquee(monitor);
  EmptyResult(t);
  const bool aHas = TriangleCount(a.mesh) > 0;
  const bool bHas = TriangleCount(b.mesh) > 0;
  switch (kind) {
    case BooleanKind::kUnion:
      if (!aHas) return CopyOf(b, t) ? kCsgDone : kCsgOutOfMemory;
      if (!bHas) return CopyOf(a, t) ? kCsgDone : kCsgOutOfMemory;
      if (!WorldBoxesOverlap(a, b)) {
        // Apart: one object holding both meshes, brought to world space.
        if (!CopyOf(a, t)) return kCsgOutOfMemory;
        BakeTransform(t.mesh);
        if (!AppendMesh(t.mesh, b.mesh)) return kCsgOutOfMemory;
        ResetToWorld(t);
        MarkChanged(t.mesh);
        InvalidateBounds(t.mesh);
        return kCsgDone;
      }
      break;
    case BooleanKind::kIntersection:
      if (!aHas || !bHas || !WorldBoxesOverlap(a, b)) return kCsgDone;
      break;
    case BooleanKind::kSubtract:
      if (!aHas || !bHas) return kCsgDone;
      if (!WorldBoxesOverlap(a, b)) return CopyOf(a, t) ? kCsgDone : kCsgOutOfMemory;
      break;
  }
  const int status = KernelStep(kind, a, b, t, monitor);
  if (status != kCsgDone) EmptyResult(t);
  return status;
}

int RunBooleanDriver(BooleanKind kind, const WorldMesh& a, const WorldMesh& b, Mesh& out,
                     ProgressMonitor& monitor) {
  CsgStorePtr store;
  try {
    store = MakeCsgStore();
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  CsgTree treeA = MakeCsgTree(store);
  CsgTree treeB = MakeCsgTree(store);
  CsgTree result = MakeCsgTree(store);
  auto abandon = [&](CsgResult status) {
    monitor.SetText("Cancelling action", 0);
    ReleaseTreeInBackground(treeA);
    ReleaseTreeInBackground(treeB);
    ReleaseTreeInBackground(result);
    return status;
  };

  // The second operand's tree is built on another core beside the first's,
  // in a store of its own, and its polygons are then moved behind the
  // first's: the store ends as building one after the other leaves it.
  CsgStorePtr storeB;
  try {
    storeB = MakeCsgStore();
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  treeB.store = storeB;
  CsgResult secondPolygons = kCsgDone;
  SideTask side([&](ProgressMonitor& sideMonitor) {
    CsgPolygonList listB;
    secondPolygons = MeshToPolygons(*storeB, b, listB, sideMonitor);
    if (secondPolygons != kCsgDone) return secondPolygons;
    return BuildTree(treeB, listB, sideMonitor);
  });

  CsgPolygonList list;
  monitor.SetText("Processing the first object", 1);
  CsgResult r = MeshToPolygons(*store, a, list, monitor);
  if (r != kCsgDone) return r;
  monitor.SetText("Build first tree", 1);
  r = BuildTree(treeA, list, monitor);
  if (r != kCsgDone) {
    side.Cancel();
    return abandon(r);
  }

  list.clear();
  monitor.SetText("Processing the second object", 1);
  monitor.SetText("Build second tree", 1);
  r = side.Finish(monitor);
  if (secondPolygons != kCsgDone) return secondPolygons;
  if (r != kCsgDone) return abandon(r);
  try {
    bsp::MovePieces(*storeB, 0, 0, *store, treeB);
  } catch (const std::bad_alloc&) {
    return abandon(kCsgOutOfMemory);
  }
  treeB.store = store;

  monitor.SetText("Processing...", 1);
  switch (kind) {
    case BooleanKind::kUnion:
      r = TreeUnion(treeA, treeB, result, monitor);
      break;
    case BooleanKind::kIntersection:
      r = TreeIntersect(treeA, treeB, result, monitor);
      break;
    case BooleanKind::kSubtract:
      r = TreeSubtract(treeA, treeB, result, monitor);
      break;
  }
  if (r == kCsgDone) {
    const CsgResult freedA = FreeTree(treeA, monitor);
    const CsgResult freedB = FreeTree(treeB, monitor);
    if (freedA == kCsgCancelled || freedB == kCsgCancelled) r = kCsgCancelled;
  }
  if (r != kCsgDone) return abandon(r);

  monitor.SetText("Applying changes...", 1);
  list.clear();
  r = CollectPolygons(result, list, monitor);
  const CsgResult freed = FreeTree(result, monitor);
  if (r == kCsgDone && freed == kCsgCancelled) r = kCsgCancelled;
  if (r != kCsgDone) return r;

  monitor.SetText("Compiling the resulting object", 1);
  return PolygonsToMesh(*store, list, out, monitor);
}

}  // namespace torvane

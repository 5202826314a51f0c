// The tree booleans: union, subtract (a minus b) and intersect of two solids.
//
// Inputs: trees a and b built from the two operands, sharing one store.
// Output: the result built into the fresh tree `out` (its root plane chosen
// by the six-candidate rule); a and b are left without nodes. Each sequence
// stops at the first step that does not answer kCsgDone.
#include "solid/bsp_internal.h"

namespace torvane {
namespace {

#define CSG_STEP(call)                                 \
  do {                                                 \
    const CsgResult step_result_ = (call);             \
    if (step_result_ != kCsgDone) return step_result_; \
  } while (0)

// b's surviving polygons join a, and a's polygons go into the output tree.
CsgResult Finish(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& m, bool invertA,
                 const char* text) {
  CsgPolygonList list;
  CSG_STEP(CollectPolygons(b, list, m));
  CSG_STEP(FreeTree(b, m));
  CSG_STEP(bsp::BuildTreeOnTwoCores(a, list, m));
  if (invertA) CSG_STEP(InvertTree(a, m));
  CsgPolygonList all;
  CSG_STEP(CollectPolygons(a, all, m));
  CSG_STEP(FreeTree(a, m));
  if (text) m.SetText(text, 1);
  return bsp::BuildTreeOnTwoCores(out, all, m);
}

}  // namespace

CsgResult TreeUnion(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& m) {
  CSG_STEP(bsp::ClipEachOther(a, b, m));
  CSG_STEP(InvertTree(b, m));
  CSG_STEP(ClipTo(b, a, m));
  CSG_STEP(InvertTree(b, m));
  return Finish(a, b, out, m, false, nullptr);
}

CsgResult TreeSubtract(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& m) {
  CSG_STEP(InvertTree(a, m));
  CSG_STEP(bsp::ClipEachOther(a, b, m));
  CSG_STEP(InvertTree(b, m));
  CSG_STEP(ClipTo(b, a, m));
  CSG_STEP(InvertTree(b, m));
  return Finish(a, b, out, m, true, "Build poly diff");
}

CsgResult TreeIntersect(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& m) {
  CSG_STEP(InvertTree(a, m));
  CSG_STEP(ClipTo(b, a, m));
  CSG_STEP(InvertTree(b, m));
  CSG_STEP(bsp::ClipEachOther(a, b, m));
  return Finish(a, b, out, m, true, nullptr);
}

#undef CSG_STEP

}  // namespace torvane

// ClipPolygons and ClipTo: keep the parts of polygons outside a tree's solid.
//
// Inputs: a tree (its solid is the space behind its planes) and a list.
// Output: the list replaced by the parts outside, in the order a recursive
// clip gives (the front subtree's results, then the back subtree's). The
// recursion is an explicit stack of (node, range) tasks over one buffer of
// polygon ids, so a tree as deep as its polygon count clips in constant
// call depth.
#include "solid/bsp_internal.h"

namespace torvane {
namespace bsp {
namespace {

struct ClipTask {
  uint32_t node;
  size_t begin;  // the task's list is buffer[begin, end of buffer when it is on top)
  size_t end;
};

struct Clipper {
  const CsgTree& tree;
  CancelPoll& poll;
  SplitScratch scratch;
  std::vector<CsgPolygonId> buffer;
  std::vector<ClipTask> tasks;
  CsgPolygonList front;
  CsgPolygonList back;
  CsgPolygonList out;  // head first

  // Returns false when cancelled.
  bool Clip(uint32_t root, CsgPolygonList& list) {
    out.clear();
    buffer.assign(list.begin(), list.end());
    tasks.clear();
    tasks.push_back({root, 0, buffer.size()});
    CsgStore& store = *tree.store;
    while (!tasks.empty()) {
      const ClipTask task = tasks.back();
      tasks.pop_back();
      const CsgNode& node = tree.nodes[task.node];
      front.clear();
      back.clear();
      for (size_t i = task.end; i-- > task.begin;) {
        if (!DistributePolygon(store, node.plane, buffer[i], front, back, front, back, poll,
                               scratch)) {
          return false;
        }
      }
      buffer.resize(task.begin);
      // The back task goes below the front one so the front results come out first.
      if (node.back != kNoCsgNode && !back.empty()) {
        const size_t b = buffer.size();
        buffer.insert(buffer.end(), back.begin(), back.end());
        tasks.push_back({node.back, b, buffer.size()});
      }
      if (node.front != kNoCsgNode) {
        if (!front.empty()) {
          const size_t f = buffer.size();
          buffer.insert(buffer.end(), front.begin(), front.end());
          tasks.push_back({node.front, f, buffer.size()});
        }
      } else {
        out.insert(out.end(), front.rbegin(), front.rend());
      }
    }
    list.assign(out.rbegin(), out.rend());
    return true;
  }
};

}  // namespace
}  // namespace bsp

CsgResult ClipPolygons(const CsgTree& tree, uint32_t node, CsgPolygonList& list,
                       ProgressMonitor& monitor) {
  if (list.empty() || node >= tree.nodes.size()) return kCsgDone;
  bsp::CancelPoll poll(monitor);
  try {
    bsp::Clipper clipper{tree, poll, {}, {}, {}, {}, {}, {}};
    return clipper.Clip(node, list) ? kCsgDone : kCsgCancelled;
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
}

CsgResult ClipTo(CsgTree& a, const CsgTree& b, ProgressMonitor& monitor) {
  if (b.nodes.empty()) return kCsgDone;
  bsp::CancelPoll poll(monitor);
  try {
    bsp::Clipper clipper{b, poll, {}, {}, {}, {}, {}, {}};
    for (CsgNode& node : a.nodes) {
      if (poll()) return kCsgCancelled;
      if (node.polygons.empty()) continue;
      if (!clipper.Clip(0, node.polygons)) return kCsgCancelled;
    }
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

}  // namespace torvane

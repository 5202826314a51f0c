// The whole-tree walks: InvertTree, CollectPolygons, FreeTree, and the
// release of an abandoned tree on a background worker.
//
// Inputs: a tree. Outputs: the tree inverted (solid and empty space
// swapped), its polygons moved to a list in pre-order with the back subtree
// first, or its nodes released bottom-up.
#include <algorithm>
#include <utility>

#include "core/null_progress.h"
#include "core/worker_thread.h"
#include "solid/bsp_internal.h"

namespace torvane {

CsgResult InvertTree(CsgTree& tree, ProgressMonitor& monitor) {
  bsp::CancelPoll poll(monitor);
  CsgStore& store = *tree.store;
  for (CsgNode& node : tree.nodes) {
    if (poll()) return kCsgCancelled;
    for (CsgPolygonId id : node.polygons) {
      CsgPolygon& p = store.polygons[id];
      std::reverse(store.vertices.begin() + p.firstVertex,
                   store.vertices.begin() + p.firstVertex + p.count);
      p.plane = bsp::Flipped(p.plane);
    }
    node.plane = bsp::Flipped(node.plane);
    std::swap(node.front, node.back);
  }
  return kCsgDone;
}

CsgResult CollectPolygons(CsgTree& tree, CsgPolygonList& out, ProgressMonitor& monitor) {
  if (tree.nodes.empty()) return kCsgDone;
  bsp::CancelPoll poll(monitor);
  try {
    size_t total = 0;
    for (const CsgNode& node : tree.nodes)
      total += node.polygons.size();
    // Head first: each node's list goes after what was collected before.
    CsgPolygonList collected;
    bsp::Grow(collected, total + out.size());
    std::vector<uint32_t> stack{0};
    while (!stack.empty()) {
      if (poll()) return kCsgCancelled;
      const uint32_t index = stack.back();
      stack.pop_back();
      CsgNode& node = tree.nodes[index];
      collected.insert(collected.end(), node.polygons.rbegin(), node.polygons.rend());
      node.polygons = CsgPolygonList{};
      if (node.front != kNoCsgNode) stack.push_back(node.front);
      if (node.back != kNoCsgNode) stack.push_back(node.back);
    }
    std::reverse(collected.begin(), collected.end());
    collected.insert(collected.end(), out.begin(), out.end());
    out.swap(collected);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

CsgResult FreeTree(CsgTree& tree, ProgressMonitor& monitor) {
  monitor.SetText("Cleaning up...", 1);
  CsgResult result = kCsgDone;
  // Children come after their parents in the node array, so releasing from
  // the end is bottom-up.
  size_t released = 0;
  for (size_t i = tree.nodes.size(); i-- > 0; ++released) {
    if (released % 100000 == 0 && result == kCsgDone && monitor.IsCancelled()) {
      result = kCsgCancelled;
    }
    CsgNode& node = tree.nodes[i];
    node.polygons = CsgPolygonList{};
    node.pendingFront = CsgPolygonList{};
    node.pendingBack = CsgPolygonList{};
  }
  tree.nodes = std::vector<CsgNode>{};
  return result;
}

namespace {

class TreeRelease : public WorkerThread {
 public:
  explicit TreeRelease(CsgTree tree) : tree_(std::move(tree)) {}

 protected:
  void Run() override {
    NullProgress quiet;
    FreeTree(tree_, quiet);
    tree_.store.reset();
  }

 private:
  CsgTree tree_;
};

}  // namespace

void ReleaseTreeInBackground(CsgTree& tree) {
  CsgTree taken;
  taken.store = tree.store;
  taken.nodes.swap(tree.nodes);
  tree = CsgTree{};
  tree.store = taken.store;
  if (taken.nodes.empty()) return;
  std::shared_ptr<TreeRelease> worker;
  try {
    worker = std::make_shared<TreeRelease>(std::move(taken));
  } catch (const std::bad_alloc&) {
    NullProgress quiet;
    FreeTree(taken, quiet);
    return;
  }
  if (!worker->Start(WorkerPriority::kBelowNormal)) {
    // The worker still holds the tree; dropping it here frees it at once.
    worker.reset();
  }
}

}  // namespace torvane

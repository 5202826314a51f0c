// BuildTree: adds a list of polygons to a tree without recursion.
//
// Inputs: the tree (possibly already built) and the list, which is consumed.
// Output: every polygon (or its pieces) in the node whose plane it lies in.
// A root without a plane takes the most balanced of its first six
// polygons' planes (ratio of the smaller to the larger side, ties keep the
// earlier); every other node takes the plane of the first polygon it
// receives. The walk goes down the parent links, back subtree first.
#include <algorithm>

#include "solid/bsp_internal.h"

namespace torvane {
namespace {

using bsp::CancelPoll;
using bsp::MemoryFloor;

struct BuildState {
  CsgTree& tree;
  CancelPoll poll;
  MemoryFloor floor;
  bsp::SplitScratch scratch;
  std::vector<CsgPolygonList> spare;  // consumed pending lists, kept for their capacity
  uint64_t created = 0;

  CsgPolygonList TakeSpare() {
    if (spare.empty()) return {};
    CsgPolygonList list = std::move(spare.back());
    spare.pop_back();
    return list;
  }
  void GiveBack(CsgPolygonList& list) {
    list.clear();
    if (list.capacity() > 0) spare.push_back(std::move(list));
    list = CsgPolygonList{};
  }
};

// The plane of the candidate list's first six polygons that balances the
// list best. Only the counts matter for the choice, so the candidates are
// scored by classification: a spanning polygon always gives one piece to
// each side.
bool ChooseRootPlane(BuildState& s, const CsgPolygonList& list, CsgPlane& chosen) {
  const CsgStore& store = *s.tree.store;
  const size_t candidates = std::min<size_t>(kCsgSplitCandidates, list.size());
  float best = 0.0f;
  for (size_t c = 0; c < candidates; ++c) {
    const CsgPlane plane = store.polygons[list[list.size() - 1 - c]].plane;
    uint32_t fronts = 0, backs = 0;
    for (size_t i = list.size(); i-- > 0;) {
      bool cancelled = false;
      const uint32_t type =
          bsp::ClassifyPolygon(store, store.polygons[list[i]], plane, s.poll, cancelled);
      if (cancelled) return false;
      if (type & kCsgFront) ++fronts;
      if (type & kCsgBack) ++backs;
    }
    const float ratio =
        static_cast<float>(std::min(fronts, backs)) / static_cast<float>(std::max(fronts, backs));
    if (c == 0 || ratio > best) {
      best = ratio;
      chosen = plane;
    }
  }
  return true;
}

// Splits `list` (head first) by the node's plane into its polygon list and
// its pending lists; creates the children that will receive something.
// False when cancelled or below the memory floor (`outOfMemory` set).
bool Distribute(BuildState& s, uint32_t node, const CsgPolygonList& list, bool checkFloor,
                bool& outOfMemory) {
  CsgTree& tree = s.tree;
  {
    CsgNode& n = tree.nodes[node];
    if (n.pendingFront.capacity() == 0) n.pendingFront = s.TakeSpare();
    if (n.pendingBack.capacity() == 0) n.pendingBack = s.TakeSpare();
    const CsgPlane plane = n.plane;
    for (size_t i = list.size(); i-- > 0;) {
      if (checkFloor && s.floor.Reached()) {
        outOfMemory = true;
        return false;
      }
      if (!bsp::DistributePolygon(*tree.store, plane, list[i], n.polygons, n.polygons,
                                  n.pendingFront, n.pendingBack, s.poll, s.scratch)) {
        return false;
      }
    }
  }
  // A spare list keeps the capacity of the longest list it held: a pending
  // list that stays empty goes back at once, and one holding far less than
  // its capacity is trimmed, since the front children wait on the walk's
  // stack while the back subtree is built, and a deep tree would otherwise
  // hold a long list's capacity at every level.
  for (CsgPolygonList* pending : {&tree.nodes[node].pendingFront, &tree.nodes[node].pendingBack}) {
    if (pending->empty()) {
      s.GiveBack(*pending);
    } else if (pending->capacity() > 2 * pending->size() + 64) {
      pending->shrink_to_fit();
    }
  }
  auto addChild = [&](bool front) {
    bsp::Grow(tree.nodes, 1);
    tree.nodes.emplace_back();
    tree.nodes.back().parent = node;
    const uint32_t child = static_cast<uint32_t>(tree.nodes.size() - 1);
    (front ? tree.nodes[node].front : tree.nodes[node].back) = child;
    ++s.created;
  };
  if (!tree.nodes[node].pendingFront.empty() && tree.nodes[node].front == kNoCsgNode)
    addChild(true);
  if (!tree.nodes[node].pendingBack.empty() && tree.nodes[node].back == kNoCsgNode) addChild(false);
  return true;
}

// Hands a node's pending list to one child.
bool HandDown(BuildState& s, uint32_t child, CsgPolygonList& pending, bool& outOfMemory) {
  CsgPolygonList list = std::move(pending);
  pending = CsgPolygonList{};
  CsgNode& c = s.tree.nodes[child];
  if (!HasPlane(c.plane)) c.plane = s.tree.store->polygons[list.back()].plane;
  const bool ok = Distribute(s, child, list, true, outOfMemory);
  s.GiveBack(list);
  return ok;
}

CsgResult Build(BuildState& s, CsgPolygonList& list, ProgressMonitor& monitor) {
  CsgTree& tree = s.tree;
  monitor.SetText("Find first split", 1);
  bool outOfMemory = false;
  if (tree.nodes.empty()) {
    bsp::Grow(tree.nodes, 1);
    tree.nodes.emplace_back();
  }
  if (!HasPlane(tree.nodes[0].plane)) {
    CsgPlane chosen;
    if (!ChooseRootPlane(s, list, chosen)) return kCsgCancelled;
    tree.nodes[0].plane = chosen;
  }
  if (!Distribute(s, 0, list, false, outOfMemory))
    return outOfMemory ? kCsgOutOfMemory : kCsgCancelled;
  list.clear();
  list.shrink_to_fit();

  monitor.SetText("Build tree", 1);
  std::vector<uint32_t> stack{0};
  while (!stack.empty()) {
    const uint32_t node = stack.back();
    stack.pop_back();
    if (s.created % 10 == 0) {
      if (s.poll()) return kCsgCancelled;
      if (s.floor.Reached()) return kCsgOutOfMemory;
    }
    const uint32_t back = tree.nodes[node].back;
    const uint32_t front = tree.nodes[node].front;
    bool backGot = false, frontGot = false;
    if (!tree.nodes[node].pendingBack.empty()) {
      if (!HandDown(s, back, tree.nodes[node].pendingBack, outOfMemory))
        return outOfMemory ? kCsgOutOfMemory : kCsgCancelled;
      backGot = true;
    }
    if (!tree.nodes[node].pendingFront.empty()) {
      if (!HandDown(s, front, tree.nodes[node].pendingFront, outOfMemory))
        return outOfMemory ? kCsgOutOfMemory : kCsgCancelled;
      frontGot = true;
    }
    // Only subtrees that received polygons have work; back before front.
    if (frontGot) stack.push_back(front);
    if (backGot) stack.push_back(back);
    s.GiveBack(tree.nodes[node].pendingBack);
    s.GiveBack(tree.nodes[node].pendingFront);
  }
  return kCsgDone;
}

}  // namespace

CsgResult BuildTree(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor) {
  if (list.empty()) return kCsgDone;
  if (!tree.store) return kCsgOutOfMemory;
  BuildState state{tree, CancelPoll(monitor), {}, {}, {}, 0};
  try {
    return Build(state, list, monitor);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
}

}  // namespace torvane

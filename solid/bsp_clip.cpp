// ClipPolygons and ClipTo: keep the parts of polygons outside a tree's solid.
//
// Inputs: a tree (its solid is the space behind its planes) and a list.
// Output: the list replaced by the parts outside, in the order a recursive
// clip gives (the front subtree's results, then the back subtree's).
//
// Each polygon walks down the tree on its own, with an explicit stack, so a
// tree as deep as its polygon count clips in constant call depth and a
// polygon touches only the nodes on its path. The order of the recursive
// clip is rebuilt afterwards: a node's list holds at most one piece of each
// input polygon (the pieces of one polygon lie in different cells), every
// list is in input order, reversed once per level, and a node's front
// results come out in the reverse of its list's order. So the output is the
// nodes' front results in pre-order (front subtree first), each node's
// pieces by input position, descending at even depth and ascending at odd.
#include <algorithm>

#include "solid/bsp_internal.h"
#include "solid/plane_runs.h"

namespace torvane {
namespace bsp {
namespace {

// Nodes a clip passes in one test when a polygon lies wholly on one side.
constexpr uint32_t kRunLength = 16;

struct Clipper {
  const CsgTree& tree;
  CancelPoll& poll;
  SplitScratch scratch;
  uint32_t root = kNoCsgNode;
  std::vector<uint32_t> rank;   // pre-order position of each node below `root`
  std::vector<uint8_t> parity;  // depth below `root`, modulo 2
  std::vector<PlaneRun> runs;
  struct Kept {
    uint32_t node;
    uint32_t position;  // in the input list, head first
    CsgPolygonId piece;
  };
  std::vector<Kept> kept;
  struct Step {
    uint32_t node;
    CsgPolygonId id;
    uint32_t untilRun;  // nodes to go before the next run test
  };
  std::vector<Step> walk;
  CsgPolygonList front;
  CsgPolygonList back;

  void Number(uint32_t start) {
    if (runs.empty()) runs = MakePlaneRuns(tree, kRunLength);
    root = start;
    rank.assign(tree.nodes.size(), 0);
    parity.assign(tree.nodes.size(), 0);
    std::vector<uint32_t> stack{start};
    uint32_t next = 0;
    while (!stack.empty()) {
      const uint32_t n = stack.back();
      stack.pop_back();
      rank[n] = next++;
      const CsgNode& node = tree.nodes[n];
      for (uint32_t child : {node.back, node.front}) {
        if (child == kNoCsgNode) continue;
        parity[child] = parity[n] ^ 1;
        stack.push_back(child);
      }
    }
  }

  // Returns false when cancelled.
  bool Clip(uint32_t start, CsgPolygonList& list) {
    if (start != root) Number(start);
    CsgStore& store = *tree.store;
    kept.clear();
    const size_t count = list.size();
    for (size_t position = 0; position < count; ++position) {
      walk.clear();
      walk.push_back({start, list[count - 1 - position], 0});
      while (!walk.empty()) {
        const auto [n, id, untilRun] = walk.back();
        walk.pop_back();
        const PlaneRun& run = runs[n];
        // A run whose test failed overlaps the runs of the next nodes on its
        // path, which would mostly fail too: those nodes are passed one by
        // one before another run is tried.
        uint32_t nextRun = untilRun > 0 ? untilRun - 1 : 0;
        if (untilRun == 0 && run.length > 1) {
          if (!BallPassesRun(run, store.polygons[id].ball)) {
            nextRun = kRunLength / 2 - 1;
          } else {
            // Wholly on the run's side of all its planes: each node would pass
            // the polygon on unchanged.
            const CsgNode& last = tree.nodes[run.last];
            const uint32_t next = run.side == kCsgBack ? last.back : last.front;
            if (next != kNoCsgNode) {
              walk.push_back({next, id, 0});
            } else if (run.side == kCsgFront) {
              kept.push_back({run.last, static_cast<uint32_t>(position), id});
            }
            continue;
          }
        }
        const CsgNode& node = tree.nodes[n];
        front.clear();
        back.clear();
        if (!DistributePolygon(store, node.plane, id, front, back, front, back, poll, scratch))
          return false;
        for (CsgPolygonId piece : front) {
          if (node.front != kNoCsgNode) {
            walk.push_back({node.front, piece, nextRun});
          } else {
            kept.push_back({n, static_cast<uint32_t>(position), piece});
          }
        }
        // Pieces behind a node without a back child are inside the solid.
        if (node.back != kNoCsgNode) {
          for (CsgPolygonId piece : back)
            walk.push_back({node.back, piece, nextRun});
        }
      }
    }
    std::sort(kept.begin(), kept.end(), [&](const Kept& a, const Kept& b) {
      if (a.node != b.node) return rank[a.node] < rank[b.node];
      return parity[a.node] ? a.position < b.position : a.position > b.position;
    });
    // `kept` runs head first; a list's head is its last element.
    list.resize(kept.size());
    for (size_t i = 0; i < kept.size(); ++i)
      list[kept.size() - 1 - i] = kept[i].piece;
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
    bsp::Clipper clipper{tree, poll, {}, kNoCsgNode, {}, {}, {}, {}, {}, {}, {}};
    return clipper.Clip(node, list) ? kCsgDone : kCsgCancelled;
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
}

CsgResult ClipTo(CsgTree& a, const CsgTree& b, ProgressMonitor& monitor) {
  if (b.nodes.empty()) return kCsgDone;
  bsp::CancelPoll poll(monitor);
  try {
    bsp::Clipper clipper{b, poll, {}, kNoCsgNode, {}, {}, {}, {}, {}, {}, {}};
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

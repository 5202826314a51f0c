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
#include "solid/plane_columns.h"
#include "solid/plane_runs.h"

namespace torvane {
namespace bsp {
namespace {

// Nodes a clip passes in one test when a polygon lies wholly on one side.
constexpr uint32_t kRunLength = 16;
// Long runs start at every kLongRunStep-th level below the clip's start. A
// polygon deep inside a convex solid lies behind the whole of its back
// chain, as long as the solid has faces: it passes long runs at a time,
// and one that fails costs a single test before the short runs go on.
constexpr uint32_t kLongRunLength = 256;
constexpr uint32_t kLongRunStep = 64;
// Nodes a polygon whose run test failed is taken along its path, exactly,
// before runs are tried again.
constexpr uint32_t kScanLength = 16;

struct Clipper {
  Clipper(const CsgTree& clipping, CsgStore& polygons, CancelPoll& cancel)
      : tree(clipping), store(polygons), poll(cancel) {}

  const CsgTree& tree;
  CsgStore& store;  // of the polygons clipped and their pieces
  CancelPoll& poll;
  SplitScratch scratch;
  uint32_t root = kNoCsgNode;
  std::vector<uint32_t> rank;   // pre-order position of each node below `root`
  std::vector<uint32_t> depth;  // below `root`
  std::vector<PlaneRun> runs;
  std::vector<uint32_t> longAt;  // per node: its entry in longRuns, or kNoCsgNode
  std::vector<PlaneRun> longRuns;
  // The tree cut into paths, each node followed by its back child, or its
  // front child when it has no back one (the way a run goes), with the
  // planes turned so that the path goes on behind each: `columns` finds the
  // next node on a path that has real work to do for a polygon.
  PlaneColumns columns;
  std::vector<uint32_t> at;       // per node: its place in `columns`
  std::vector<uint32_t> pathEnd;  // per node: the place of its path's last node
  std::vector<uint32_t> placed;   // per place: the node
  struct Kept {
    uint32_t node;
    uint32_t position;  // in the input list, head first
    CsgPolygonId piece;
  };
  std::vector<Kept> kept;
  struct Step {
    uint32_t node;
    CsgPolygonId id;
  };
  std::vector<Step> walk;
  CsgPolygonList front;
  CsgPolygonList back;

  void Number(uint32_t start) {
    if (runs.empty()) runs = MakePlaneRuns(tree, kRunLength);
    root = start;
    rank.assign(tree.nodes.size(), 0);
    depth.assign(tree.nodes.size(), 0);
    longAt.assign(tree.nodes.size(), kNoCsgNode);
    longRuns.clear();
    std::vector<uint32_t> stack{start};
    std::vector<CsgPlane> planes;
    uint32_t next = 0;
    at.assign(tree.nodes.size(), 0);
    pathEnd.assign(tree.nodes.size(), 0);
    placed.clear();
    columns.Clear();
    while (!stack.empty()) {
      const uint32_t n = stack.back();
      stack.pop_back();
      rank[n] = next++;
      if (n == start || NextOnPath(tree.nodes[tree.nodes[n].parent]) != n) LayOutPath(n);
      if (depth[n] % kLongRunStep == 0) {
        const PlaneRun run = MakePlaneRun(tree, n, kLongRunLength, planes);
        if (run.length > kRunLength) {
          longAt[n] = static_cast<uint32_t>(longRuns.size());
          longRuns.push_back(run);
        }
      }
      const CsgNode& node = tree.nodes[n];
      for (uint32_t child : {node.back, node.front}) {
        if (child == kNoCsgNode) continue;
        depth[child] = depth[n] + 1;
        stack.push_back(child);
      }
    }
  }

  static uint32_t NextOnPath(const CsgNode& node) {
    return node.back != kNoCsgNode ? node.back : node.front;
  }

  void LayOutPath(uint32_t head) {
    const uint32_t first = static_cast<uint32_t>(placed.size());
    for (uint32_t n = head; n != kNoCsgNode; n = NextOnPath(tree.nodes[n])) {
      const CsgNode& node = tree.nodes[n];
      at[n] = static_cast<uint32_t>(placed.size());
      placed.push_back(n);
      columns.Add(node.back != kNoCsgNode ? node.plane : Flipped(node.plane));
    }
    const uint32_t last = static_cast<uint32_t>(placed.size() - 1);
    for (uint32_t k = first; k <= last; ++k)
      pathEnd[placed[k]] = last;
  }

  // The polygon lies wholly on the run's side of all its planes: each node
  // would pass it on unchanged.
  void PassRun(const PlaneRun& run, CsgPolygonId id, size_t position) {
    const CsgNode& last = tree.nodes[run.last];
    const uint32_t next = run.side == kCsgBack ? last.back : last.front;
    if (next != kNoCsgNode) {
      walk.push_back({next, id});
    } else if (run.side == kCsgFront) {
      kept.push_back({run.last, static_cast<uint32_t>(position), id});
    }
  }

  // Returns false when cancelled.
  bool Clip(uint32_t start, CsgPolygonList& list) {
    if (start != root) Number(start);
    kept.clear();
    const size_t count = list.size();
    for (size_t position = 0; position < count; ++position) {
      walk.clear();
      walk.push_back({start, list[count - 1 - position]});
      while (!walk.empty()) {
        const Step step = walk.back();
        walk.pop_back();
        const CsgPolygonId id = step.id;
        const CsgPolygon& polygon = store.polygons[id];
        uint32_t n = step.node;
        if (longAt[n] != kNoCsgNode && BallPassesRun(longRuns[longAt[n]], polygon.ball)) {
          PassRun(longRuns[longAt[n]], id, position);
          continue;
        }
        if (runs[n].length > 1 && BallPassesRun(runs[n], polygon.ball)) {
          PassRun(runs[n], id, position);
          continue;
        }
        // The nodes up to the next one with real work to do (cut, keep or
        // hand to the other side) would only pass the polygon on whole.
        const uint32_t end = std::min(pathEnd[n], at[n] + kScanLength);
        const uint32_t found = columns.FirstNotWhollyOn(
            kCsgBack, polygon, store.vertices.data() + polygon.firstVertex, at[n], end);
        if (found == end && end < pathEnd[n]) {
          walk.push_back({placed[found], id});
          continue;
        }
        n = placed[found];
        const CsgNode& node = tree.nodes[n];
        front.clear();
        back.clear();
        if (!DistributePolygon(store, node.plane, id, front, back, front, back, poll, scratch))
          return false;
        for (CsgPolygonId piece : front) {
          if (node.front != kNoCsgNode) {
            walk.push_back({node.front, piece});
          } else {
            kept.push_back({n, static_cast<uint32_t>(position), piece});
          }
        }
        // Pieces behind a node without a back child are inside the solid.
        if (node.back != kNoCsgNode) {
          for (CsgPolygonId piece : back)
            walk.push_back({node.back, piece});
        }
      }
    }
    std::sort(kept.begin(), kept.end(), [&](const Kept& a, const Kept& b) {
      if (a.node != b.node) return rank[a.node] < rank[b.node];
      return (depth[a.node] & 1) ? a.position < b.position : a.position > b.position;
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
    bsp::Clipper clipper{tree, *tree.store, poll};
    return clipper.Clip(node, list) ? kCsgDone : kCsgCancelled;
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
}

namespace bsp {

CsgResult ClipNodesIn(CsgTree& a, const CsgTree& b, CsgStore& store, size_t firstNode,
                      size_t endNode, ProgressMonitor& monitor) {
  if (b.nodes.empty()) return kCsgDone;
  CancelPoll poll(monitor);
  try {
    Clipper clipper{b, store, poll};
    for (size_t n = firstNode; n < endNode; ++n) {
      if (poll()) return kCsgCancelled;
      CsgNode& node = a.nodes[n];
      if (node.polygons.empty()) continue;
      if (!clipper.Clip(0, node.polygons)) return kCsgCancelled;
    }
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

CsgResult ClipToIn(CsgTree& a, const CsgTree& b, CsgStore& store, ProgressMonitor& monitor) {
  return ClipNodesIn(a, b, store, 0, a.nodes.size(), monitor);
}

}  // namespace bsp
}  // namespace torvane

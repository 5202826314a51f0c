// BuildTree: adds a list of polygons to a tree without recursion.
//
// Inputs: the tree (possibly already built) and the list, which is consumed.
// Output: every polygon (or its pieces) in the node whose plane it lies in.
// A root without a plane takes the most balanced of its first six
// polygons' planes (ratio of the smaller to the larger side, ties keep the
// earlier); every other node takes the plane of the first polygon it
// receives.
//
// A list handed to a node goes down a chain of children in one pass; at
// each level the chain goes on to the side (back or front) most of the
// polygons take. At each level the polygons are split in list order, those
// on the chain's side form the next level's list in reverse order, and the
// next node's
// plane comes from that list's head. So a polygon keeps its place among the
// survivors, every level's list runs in input order one way or the other,
// and its head is the first or last survivor. Only those ends are needed to
// choose the planes: a polygon is taken to a level when it becomes an end
// of the list or when the chain ends, and then passes whole runs of planes
// it lies wholly on that side of in one test. On a convex shape, whose
// back chain is as long as the shape has faces, and on its inside, where
// the chain runs through the front children, that is what keeps the build
// from testing every polygon at every level. The pieces each level keeps in
// its node and hands to the other side are put back into the order the
// level-by-level walk gives them. The order in which the subtrees are built
// changes only the nodes' numbering, never what they hold.
#include <algorithm>

#include "solid/bsp_internal.h"
#include "solid/chain_lookahead.h"
#include "solid/plane_columns.h"
#include "solid/plane_runs.h"

namespace torvane {
namespace {

using bsp::CancelPoll;
using bsp::MemoryFloor;

struct BuildState {
  CsgTree& tree;
  CancelPoll poll;
  MemoryFloor floor;
  bsp::SplitScratch scratch;
  uint64_t created = 0;
  bool lookahead = false;  // a second core may walk ahead along long chains
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

constexpr uint32_t kRunLength = 16;
// A polygon deep inside a convex shape lies behind the planes of whole
// stretches of its chain: runs this long are tried first.
constexpr uint32_t kLongRunLength = 256;
constexpr uint32_t kLeft = 0xFFFFFFFFu;
// Lists shorter than this are walked before a second core would be of use.
constexpr size_t kLookaheadPolygons = 4096;

struct Record {
  uint32_t level;
  uint32_t index;  // in the list handed to the chain
  CsgPolygonId piece;
};

// The pieces of `records` as the walk at their level would have pushed
// them: by index, descending at even levels and ascending at odd ones.
void SortByWalk(std::vector<Record>& records) {
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    if (a.level != b.level) return a.level < b.level;
    return (a.level & 1) ? a.index < b.index : a.index > b.index;
  });
}

// A list waiting for a node, and the side its chain follows first: the side
// it was handed to, since the shape that sent polygons one way tends to
// send them that way again.
struct Task {
  uint32_t node;
  CsgPolygonList list;
  uint32_t side;
};

struct Chain {
  explicit Chain(BuildState& state) : s(state) {}

  BuildState& s;
  uint32_t side = kCsgBack;      // the side the last level chose
  std::vector<uint32_t> nodes;   // per level
  std::vector<CsgPlane> planes;  // per level
  std::vector<uint32_t> sides;   // per level: the side of its plane the chain goes on to
  // The planes turned so that the chain goes on behind each; a point's
  // distance to a turned plane is exactly the negated distance.
  std::vector<CsgPlane> oriented;
  bsp::PlaneColumns columns;            // the turned planes, for the test of many at once
  std::vector<bsp::PlaneRun> runs;      // runs[m]: levels [16m, 16m + 16), turned planes
  std::vector<bsp::PlaneRun> longRuns;  // longRuns[m]: levels [256m, 256m + 256)
  std::vector<CsgPolygonId> piece;      // per index: the part still going down
  std::vector<uint32_t> level;          // per index: the level it waits at, or kLeft
  std::vector<uint32_t> own;            // per index: the level whose plane is its own, or kLeft
  std::vector<Record> kept, across;     // across: handed to the other side
  CsgPolygonList coplanar, front, back;
  bool outOfMemory = false;
  std::unique_ptr<bsp::ChainLookahead> ahead;

  // Takes the polygon at `index` down to level `target` or until it leaves
  // the chain. False when cancelled or out of memory.
  bool Advance(size_t index, uint32_t target) {
    CsgStore& store = *s.tree.store;
    uint32_t& at = level[index];
    while (at < target) {
      if (at == own[index]) {
        // The polygon a node takes its plane from stays in that node even
        // when float noise puts a vertex beyond the tolerance of the plane
        // of its first three: handed on, it would give the next node the
        // same plane, and so on without end.
        kept.push_back({at, static_cast<uint32_t>(index), piece[index]});
        at = kLeft;
        return true;
      }
      if (ahead) {
        // Levels the second core found the polygon, as it came, to pass.
        uint32_t to = std::min(ahead->PassedTo(index), target);
        if (own[index] > at && own[index] < to) to = own[index];
        if (to > at) {
          at = to;
          continue;
        }
      }
      if (at % kLongRunLength == 0 && at + kLongRunLength <= target &&
          at / kLongRunLength < longRuns.size() &&
          bsp::BallPassesRun(longRuns[at / kLongRunLength], store.polygons[piece[index]].ball)) {
        at += kLongRunLength;
        continue;
      }
      if (at % kRunLength == 0 && at + kRunLength <= target && at / kRunLength < runs.size() &&
          bsp::BallPassesRun(runs[at / kRunLength], store.polygons[piece[index]].ball)) {
        at += kRunLength;
        continue;
      }
      {
        // The levels up to the next one with work to do only pass the
        // polygon on whole; they are found without cutting or lists, up to
        // the polygon's own level and the next run a ball test may pass.
        uint32_t stop = target;
        if (own[index] > at && own[index] < stop) stop = own[index];
        const uint32_t boundary = (at / kRunLength + 4) * kRunLength;
        if (boundary + kRunLength <= stop && boundary / kRunLength < runs.size()) stop = boundary;
        const CsgPolygon& polygon = store.polygons[piece[index]];
        const uint32_t next = columns.FirstNotWhollyOn(
            kCsgBack, polygon, store.vertices.data() + polygon.firstVertex, at, stop);
        if (next > at) {
          if (s.poll()) return false;
          at = next;
          continue;
        }
      }
      if (s.floor.Reached()) {
        outOfMemory = true;
        return false;
      }
      coplanar.clear();
      front.clear();
      back.clear();
      if (!bsp::DistributePolygon(store, planes[at], piece[index], coplanar, coplanar, front, back,
                                  s.poll, s.scratch)) {
        return false;
      }
      const uint32_t index32 = static_cast<uint32_t>(index);
      const CsgPolygonList& onward = sides[at] == kCsgBack ? back : front;
      const CsgPolygonList& other = sides[at] == kCsgBack ? front : back;
      if (!coplanar.empty()) kept.push_back({at, index32, coplanar[0]});
      if (!other.empty()) across.push_back({at, index32, other[0]});
      if (onward.empty()) {
        at = kLeft;
        return true;
      }
      piece[index] = onward[0];
      ++at;
    }
    return true;
  }

  // The head of level k's list: the last survivor at even levels, the first
  // at odd ones; `found` false when nothing reaches level k.
  bool FindHead(uint32_t k, size_t& lo, size_t& hi, size_t& head, bool& found) {
    found = false;
    while (lo < hi) {
      const size_t i = (k & 1) ? lo : hi - 1;
      if (!Advance(i, k)) return false;
      if (level[i] == k) {
        head = i;
        found = true;
        return true;
      }
      if (k & 1) {
        ++lo;
      } else {
        --hi;
      }
    }
    return true;
  }

  bool CreateChild(uint32_t parent, bool isFront, uint32_t& child) {
    CsgTree& tree = s.tree;
    bsp::Grow(tree.nodes, 1);
    tree.nodes.emplace_back();
    tree.nodes.back().parent = parent;
    child = static_cast<uint32_t>(tree.nodes.size() - 1);
    (isFront ? tree.nodes[parent].front : tree.nodes[parent].back) = child;
    if (s.created++ % 10 == 0) {
      if (s.poll()) return false;
      if (s.floor.Reached()) {
        outOfMemory = true;
        return false;
      }
    }
    return true;
  }

  // Chooses the side of level k's plane the chain goes on to: the side most
  // of a few polygons spread over the list lie on, else the last choice.
  // Any side gives the same tree; the one most polygons take keeps the
  // chain long and the lists handed across short.
  bool ChooseSide(uint32_t k, size_t lo, size_t hi) {
    const CsgStore& store = *s.tree.store;
    uint32_t fronts = 0, backs = 0;
    constexpr size_t kSamples = 8;
    for (size_t j = 0; j < kSamples && lo < hi; ++j) {
      const size_t i = lo + (hi - lo - 1) * j / (kSamples - 1);
      if (!Advance(i, k)) return false;
      if (level[i] != k) continue;
      const CsgPolygon& polygon = store.polygons[piece[i]];
      uint32_t type = bsp::QuickClass(planes[k], polygon.ball);
      if (type == bsp::kUnknownClass) {
        type = 0;
        const CsgVertex* v = store.vertices.data() + polygon.firstVertex;
        for (uint32_t c = 0; c < polygon.count; ++c)
          type |= bsp::ClassOf(bsp::Distance(planes[k], v[c]));
      }
      fronts += (type & kCsgFront) ? 1 : 0;
      backs += (type & kCsgBack) ? 1 : 0;
    }
    if (fronts != backs) side = fronts > backs ? kCsgFront : kCsgBack;
    sides.push_back(side);
    const CsgPlane& p = planes[k];
    oriented.push_back(side == kCsgBack ? p : CsgPlane{-p.nx, -p.ny, -p.nz, -p.w});
    columns.Add(oriented.back());
    if (ahead) ahead->Publish(oriented.back());
    if (oriented.size() % kRunLength == 0) {
      bsp::PlaneRun run;
      const std::span<const CsgPlane> last(oriented.data() + oriented.size() - kRunLength,
                                           kRunLength);
      bsp::BoundPlanes(last, kCsgBack, run);  // a failed bound has length 0
      runs.push_back(run);
    }
    if (oriented.size() % kLongRunLength == 0) {
      bsp::PlaneRun run;
      bsp::BoundPlanes({oriented.data() + oriented.size() - kLongRunLength, kLongRunLength},
                       kCsgBack, run);
      longRuns.push_back(run);
    }
    return true;
  }

  // Builds the list into the chain from `start`, first along `chainSide`;
  // the lists for the children on the other sides are added to `tasks`.
  bool Run(uint32_t start, CsgPolygonList& list, uint32_t chainSide, std::vector<Task>& tasks) {
    side = chainSide;
    CsgTree& tree = s.tree;
    CsgStore& store = *tree.store;
    own.assign(list.size(), kLeft);
    if (!HasPlane(tree.nodes[start].plane)) {
      tree.nodes[start].plane = store.polygons[list.back()].plane;
      own.back() = 0;
    }
    nodes.assign(1, start);
    planes.assign(1, tree.nodes[start].plane);
    sides.clear();
    oriented.clear();
    columns.Clear();
    runs.clear();
    longRuns.clear();
    piece.assign(list.begin(), list.end());
    level.assign(list.size(), 0);
    kept.clear();
    across.clear();
    ahead.reset();
    if (s.lookahead && list.size() >= kLookaheadPolygons) {
      // Before the walk adds pieces to the store: the polygons are copied.
      ahead =
          std::make_unique<bsp::ChainLookahead>(store, list, tree.nodes.size() + list.size() + 1);
    }
    size_t lo = 0, hi = list.size();
    for (uint32_t k = 1;; ++k) {
      if (!ChooseSide(k - 1, lo, hi)) return false;
      size_t head = 0;
      bool found = false;
      if (!FindHead(k, lo, hi, head, found)) return false;
      if (!found) break;
      if (ahead) ahead->Remaining(lo, hi);
      const bool toFront = sides.back() == kCsgFront;
      const CsgNode& parent = tree.nodes[nodes.back()];
      uint32_t child = toFront ? parent.front : parent.back;
      if (child == kNoCsgNode && !CreateChild(nodes.back(), toFront, child)) return false;
      if (!HasPlane(tree.nodes[child].plane)) {
        tree.nodes[child].plane = store.polygons[piece[head]].plane;
        own[head] = k;
      }
      nodes.push_back(child);
      planes.push_back(tree.nodes[child].plane);
    }
    ahead.reset();
    SortByWalk(kept);
    for (const Record& r : kept) {
      CsgPolygonList& polygons = tree.nodes[nodes[r.level]].polygons;
      bsp::Grow(polygons, 1);
      polygons.push_back(r.piece);
    }
    SortByWalk(across);
    for (size_t i = 0; i < across.size();) {
      const uint32_t at = across[i].level;
      CsgPolygonList handed;
      for (; i < across.size() && across[i].level == at; ++i)
        handed.push_back(across[i].piece);
      const bool toFront = sides[at] == kCsgBack;
      const CsgNode& parent = tree.nodes[nodes[at]];
      uint32_t child = toFront ? parent.front : parent.back;
      if (child == kNoCsgNode && !CreateChild(nodes[at], toFront, child)) return false;
      tasks.push_back({child, std::move(handed), toFront ? kCsgFront : kCsgBack});
    }
    return true;
  }
};

CsgResult Build(BuildState& s, CsgPolygonList& list, ProgressMonitor& monitor) {
  CsgTree& tree = s.tree;
  monitor.SetText("Find first split", 1);
  if (tree.nodes.empty()) {
    bsp::Grow(tree.nodes, 1);
    tree.nodes.emplace_back();
  }
  if (!HasPlane(tree.nodes[0].plane)) {
    CsgPlane chosen;
    if (!ChooseRootPlane(s, list, chosen)) return kCsgCancelled;
    tree.nodes[0].plane = chosen;
  }
  monitor.SetText("Build tree", 1);
  std::vector<Task> tasks;
  tasks.push_back({0, std::move(list), kCsgBack});
  list = CsgPolygonList{};
  Chain chain(s);
  while (!tasks.empty()) {
    Task task = std::move(tasks.back());
    tasks.pop_back();
    if (!chain.Run(task.node, task.list, task.side, tasks))
      return chain.outOfMemory ? kCsgOutOfMemory : kCsgCancelled;
  }
  return kCsgDone;
}

}  // namespace

namespace {

CsgResult BuildWith(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor, bool lookahead) {
  if (list.empty()) return kCsgDone;
  if (!tree.store) return kCsgOutOfMemory;
  BuildState state{tree, CancelPoll(monitor), {}, {}, 0, lookahead};
  try {
    return Build(state, list, monitor);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
}

}  // namespace

CsgResult BuildTree(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor) {
  return BuildWith(tree, list, monitor, false);
}

CsgResult bsp::BuildTreeOnTwoCores(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor) {
  return BuildWith(tree, list, monitor, true);
}

}  // namespace torvane

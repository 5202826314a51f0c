// The solid-modelling kernel behind Union, Subtract and Intersection: closed
// triangle meshes become lists of convex polygons, the polygons are organised
// in binary space partitioning trees, one tree's polygons are clipped against
// the other tree's solid, solids are inverted, and the surviving polygons turn
// back into a triangle mesh.
//
// Everything is single precision, with one tolerance (0.001) for deciding on
// which side of a plane a point lies. Every operation polls its
// ProgressMonitor for cancellation, answers a CsgResult, and turns a failed
// allocation into kCsgOutOfMemory; a tree build also stops when the
// available-memory figure falls below the kernel's floor.
//
// Storage: the polygons and vertices of one boolean live in one CsgStore that
// every list and tree of that boolean shares. A list is a sequence of polygon
// ids whose head is its last element (new members go to the head, so pushing
// is push_back); each polygon id belongs to exactly one list or node at a
// time. Releasing a polygon never returns memory on its own: the store is
// freed when the last tree or list holding it goes, which is also what lets
// an abandoned tree be released on another thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/colour32.h"
#include "core/mesh.h"
#include "core/mesh_corner.h"
#include "core/progress_monitor.h"
#include "core/vec3.h"

namespace torvane {

inline constexpr float kCsgPlaneTolerance = 0.001f;
// The root plane is chosen among the planes of the list's first polygons.
inline constexpr uint32_t kCsgSplitCandidates = 6;
// A tree build gives up when less memory than this is available.
inline constexpr uint64_t kCsgMemoryFloor = 0x3000000u;

enum CsgResult : int {
  kCsgDone = 0,
  kCsgCancelled = 1,
  kCsgOutOfMemory = 2,
};

// Side of a plane; a polygon's class is the bitwise or of its vertices'.
enum CsgClass : uint32_t {
  kCsgCoplanar = 0,
  kCsgFront = 1,
  kCsgBack = 2,
  kCsgSpanning = 3,
};

struct CsgVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  Colour32 colour = kOpaqueBlack;  // carried along, never interpolated
};

// n . p = w for points p on the plane.
struct CsgPlane {
  float nx = 0.0f;
  float ny = 0.0f;
  float nz = 0.0f;
  float w = 0.0f;
};

// normalise((b - a) x (c - a)) and w = n . a; all zeros when the points are
// collinear (no plane).
CsgPlane PlaneFromPoints(const CsgVertex& a, const CsgVertex& b, const CsgVertex& c);
// A plane exists when its normal has a length greater than 0.
bool HasPlane(const CsgPlane& plane);
// The side of `plane` that one point lies on (kCsgCoplanar within 0.001).
CsgClass ClassifyPoint(const CsgPlane& plane, const CsgVertex& v);

using CsgPolygonId = uint32_t;

// A ball around a polygon's vertices that lets most classifications skip
// the vertices: `centre` is their average and `reach` covers every vertex's
// distance from it together with the rounding of a distance computed at that
// size (see bsp::QuickClass). An unknown ball (infinite reach) always sends
// the test to the vertices.
struct alignas(16) CsgBall {
  float cx = 0.0f;
  float cy = 0.0f;
  float cz = 0.0f;
  float reach = INFINITY;
};

// A convex polygon: `count` vertices from `firstVertex` in the store.
struct CsgPolygon {
  CsgBall ball;
  CsgPlane plane;
  uint32_t firstVertex = 0;
  uint32_t count = 0;
};

// The ball of a polygon's vertices.
CsgBall BallAround(std::span<const CsgVertex> vertices);

struct CsgStore {
  std::vector<CsgPolygon> polygons;
  std::vector<CsgVertex> vertices;
};
using CsgStorePtr = std::shared_ptr<CsgStore>;

// Polygon ids; the head of the list is back().
using CsgPolygonList = std::vector<CsgPolygonId>;

inline constexpr uint32_t kNoCsgNode = 0xFFFFFFFFu;

struct CsgNode {
  CsgPlane plane;               // all zeros: no plane yet
  CsgPolygonList polygons;      // lying in the node's plane
  uint32_t front = kNoCsgNode;  // node indices in the owning tree
  uint32_t back = kNoCsgNode;
  uint32_t parent = kNoCsgNode;  // kNoCsgNode for the root
  CsgPolygonList pendingFront;   // waiting for the children during a build
  CsgPolygonList pendingBack;
};

// nodes[0] is the root once the tree holds polygons; children are always
// created after their parents, so reverse index order is bottom-up.
struct CsgTree {
  CsgStorePtr store;
  std::vector<CsgNode> nodes;
};

CsgStorePtr MakeCsgStore();
CsgTree MakeCsgTree(const CsgStorePtr& store);

// Adds a polygon of `vertices` (at least 3) with its plane from the first
// three; kCsgOutOfMemory when the store cannot grow.
CsgResult MakePolygon(CsgStore& store, std::span<const CsgVertex> vertices, CsgPolygonId& id);
std::span<const CsgVertex> PolygonVertices(const CsgStore& store, CsgPolygonId id);

// Leaves the polygon untouched and adds copies or pieces to the lists:
// coplanar ones by the direction of their own normal, spanning ones cut in
// two. Cancellation is polled at every vertex.
CsgResult SplitPolygon(CsgStore& store, const CsgPlane& plane, CsgPolygonId polygon,
                       CsgPolygonList& coplanarFront, CsgPolygonList& coplanarBack,
                       CsgPolygonList& front, CsgPolygonList& back, ProgressMonitor& monitor);

// Adds the polygons to the tree; the list is consumed. An empty root takes
// the most balanced plane among its first six polygons; every other node
// takes the plane of the first polygon it receives.
CsgResult BuildTree(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor);

// Keeps the parts of `list` outside the solid of the subtree at `node` (the
// list is replaced by them): the front results, then the back results.
CsgResult ClipPolygons(const CsgTree& tree, uint32_t node, CsgPolygonList& list,
                       ProgressMonitor& monitor);
// Every node's polygons of `a` replaced by ClipPolygons(root of b, them).
CsgResult ClipTo(CsgTree& a, const CsgTree& b, ProgressMonitor& monitor);
// Solid and empty space swapped: polygons and planes flipped, children swapped.
CsgResult InvertTree(CsgTree& tree, ProgressMonitor& monitor);
// Moves every node's polygons (pre-order, back subtree first) to the end of
// `out`; the nodes keep their planes.
CsgResult CollectPolygons(CsgTree& tree, CsgPolygonList& out, ProgressMonitor& monitor);
// Releases every node bottom-up ("Cleaning up..."). A cancel request only
// makes the answer kCsgCancelled: the release always completes.
CsgResult FreeTree(CsgTree& tree, ProgressMonitor& monitor);
// Hands the tree to a background worker at below-normal priority that frees
// it; frees it at once when no worker can be started. `tree` is left empty.
void ReleaseTreeInBackground(CsgTree& tree);

// The tree booleans; `a` and `b` are consumed and the result is built into
// the fresh tree `out` (all three share one store).
CsgResult TreeUnion(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& monitor);
CsgResult TreeSubtract(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& monitor);
CsgResult TreeIntersect(CsgTree& a, CsgTree& b, CsgTree& out, ProgressMonitor& monitor);

// An object's geometry in world space: positions through its transform
// (angles converted with 0.017453292), the corners of its live triangles with
// normals turned alike and colours kept. `valid` is false when a copy could
// not be made.
struct WorldMesh {
  std::vector<Vec3> positions;
  std::vector<MeshCorner> corners;
  bool valid = true;
};
WorldMesh MakeWorldMesh(const Mesh& mesh);

// One polygon per triangle, each put at the head of `out`. Triangles without
// area (no plane) are left out: they bound nothing.
CsgResult MeshToPolygons(CsgStore& store, const WorldMesh& mesh, CsgPolygonList& out,
                         ProgressMonitor& monitor);
// Fan triangles of every polygon with their own vertices (nothing shared),
// corner colours from the polygon and the unit face normal; the mesh is
// marked changed. On failure the mesh has no corners.
CsgResult PolygonsToMesh(const CsgStore& store, const CsgPolygonList& list, Mesh& mesh,
                         ProgressMonitor& monitor);

}  // namespace torvane

// Picking: which object, triangle, edge or vertex lies under a ray through
// the scene.
//
// Input: a PickRequest holding the kind (the selection mode, or identify) and
// a ray in scene coordinates, and the document's objects. Output: the request
// filled with the nearest hit: object id, the three vertex indices and three
// corner numbers of the hit triangle (an edge reports its two vertices, a
// vertex its one), the hit point and distance along the ray.
//
// Objects are first rejected by their world bounding box; the triangles of a
// large object are split over worker threads (one worker below 1000
// triangles) while the calling thread polls the progress every 5 ms. Edges and
// vertices are found through capture volumes around them whose size grows in
// three passes until something is found.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/document.h"
#include "core/mesh_corner.h"
#include "core/progress_monitor.h"
#include "core/scene_object.h"
#include "core/vec3.h"

namespace torvane {

enum PickKind : uint32_t {
  kPickObject = 0,
  kPickFace = 1,
  kPickTriangle = 2,
  kPickEdge = 3,
  kPickVertex = 4,
  kPickIdentify = 5,
};

// Nothing farther along the ray than this is ever hit.
inline constexpr double kPickStartDistance = 1000000.0;
// Objects with fewer triangles are tested on the calling thread alone.
inline constexpr uint32_t kPickParallelTriangles = 1000;
inline constexpr unsigned kPickMaxWorkers = 16;
// Half-edge of the capture cube around a vertex, per unit of the object's z
// scale, for each pass; the next pass runs only when the previous one found
// nothing.
inline constexpr double kCaptureTolerances[3] = {0.015, 0.025, 0.035};
// A surface nearer than the picked edge or vertex by more than this hides it.
inline constexpr double kSurfaceMargin = 2.220446e-16;

struct PickRequest {
  uint32_t kind = kPickObject;
  Vec3 rayStart, rayEnd;                 // scene coordinates
  double distance = kPickStartDistance;  // nearest so far
  uint32_t hitObjectId = kNoObjectId;
  std::array<uint32_t, 3> hitVertices{kDeadIndex, kDeadIndex, kDeadIndex};
  std::array<uint32_t, 3> hitCorners{kDeadIndex, kDeadIndex, kDeadIndex};
  Vec3 hitPoint;
  bool hit = false;
  // The hit edge or vertex lies behind a surface of its object.
  bool surface = false;
  // The progress reported cancellation; nothing was hit.
  bool cancelled = false;
};

struct PickSettings {
  bool culling = true;                  // the views' culling mode is not "Do not cull anything"
  ProgressMonitor* progress = nullptr;  // polled every 5 ms; cancel => no hit
  unsigned workerCount = 0;             // 0: one per processor, at most 16
};

// Ray-triangle test of the program: plane normal of (a, b, c), no hit when
// the ray runs parallel to the plane (|n.D| below 1.1920929e-07) or the plane
// lies behind the start; the plane point is then located in the coordinate
// plane that drops the normal's largest axis. `direction` is normalised; *t
// is the distance along it and *point the hit point.
bool IntersectRayTriangle(const Vec3& start, const Vec3& direction, const Vec3& a, const Vec3& b,
                          const Vec3& c, double* t, Vec3* point);

// Distance along the (normalised) ray at which it enters the box (0 when the
// start lies inside); false when it misses the box.
bool IntersectRayBox(const Vec3& start, const Vec3& direction, const Vec3& boxMin,
                     const Vec3& boxMax, double* t);

// The capture volume of the edge (p, q): the cube of half-edge h swept along
// the segment (a vertex is the edge (p, p)). True when the ray meets it; *t is
// where the ray enters the volume (0 when the start lies inside).
bool IntersectRayCapture(const Vec3& start, const Vec3& direction, const Vec3& p, const Vec3& q,
                         double h, double* t);

// The world box of an object: the eight corners of its local bounds through
// the world matrix. False for a mesh without vertices.
bool WorldBoundingBox(Mesh& mesh, Vec3* boxMin, Vec3* boxMax);

// Triangle ranges of the workers: worker i takes i*(n/w) .. (i+1)*(n/w)-1, the
// last one runs to n-1. Pairs of first and last triangle; w is clamped to
// 1..16 and to n.
struct PickRange {
  uint32_t first = 0;
  uint32_t last = 0;
};
std::vector<PickRange> PickRanges(uint32_t triangleCount, unsigned workers);

// Workers used for an object of `triangleCount` triangles: 1 below 1000,
// otherwise settings.workerCount (0: the processor count), at most 16.
unsigned PickWorkerCount(uint32_t triangleCount, const PickSettings& settings);

// One object; updates `request` (distance, hit triangle, point, hit, surface
// and the object id) when it hits nearer than request.distance, and answers
// whether it did. A cancelled pick sets request.cancelled and answers false.
bool PickObject(SceneObject& object, PickRequest& request, const PickSettings& settings);

// The 2D outline test of an object that holds outline shapes. Outline shapes
// are not pickable yet: never a hit.
bool PickOutlineObject(const SceneObject& object, PickRequest& request);

// Every live object, the nearest hit wins (ties keep the earlier object). The
// request's results are reset first. Identify (kind 5) reports the same
// fields and is meant to change nothing. False (request.hit false) on a miss
// or when cancelled.
bool PickScene(Document& doc, PickRequest& request, const PickSettings& settings);

}  // namespace torvane

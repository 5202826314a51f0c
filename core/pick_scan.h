// The per-worker scans of picking: one worker's range of triangles tested
// against the ray, for triangles (object, face, triangle and identify picks)
// or for the capture volumes of edges and vertices.
//
// Input: a PickJob (the mesh's arrays, the vertices in scene coordinates,
// the ray) and a triangle range. Output: the worker's own WorkerResult.
// Workers only read the job; each writes its own result.
#pragma once

#include <array>
#include <cstdint>

#include "core/matrix4.h"
#include "core/mesh_corner.h"
#include "core/pick.h"
#include "core/progress_monitor.h"
#include "core/vec3.h"

namespace torvane {

// What one worker found in its range.
struct WorkerResult {
  double distance = kPickStartDistance;
  bool hit = false;
  std::array<uint32_t, 3> vertices{kDeadIndex, kDeadIndex, kDeadIndex};
  std::array<uint32_t, 3> corners{kDeadIndex, kDeadIndex, kDeadIndex};
  Vec3 point;
  // Nearest surface of the range (edge and vertex picks that ask for it).
  double surfaceDistance = kPickStartDistance;
};

// Read-only inputs shared by the workers of one object.
struct PickJob {
  const MeshCorner* corners = nullptr;
  const Vec3* positions = nullptr;  // object space
  // The positions in scene coordinates with one spare entry after the last,
  // or null (then every corner is transformed where it is used).
  const Vec3* world = nullptr;
  // Per vertex, two coordinates across the ray (edge and vertex picks), or
  // null: a capture volume whose ends both lie farther than `reach` to one
  // side cannot meet the ray.
  const float* across = nullptr;
  float reach = 0.0f;
  uint32_t vertexCount = 0;
  Matrix4 matrix;
  Vec3 start;
  Vec3 direction;  // normalised
  uint32_t kind = kPickObject;
  double h = 0.0;            // capture half-edge of the current pass
  bool wantSurface = false;  // also find the nearest surface
};

// Kinds 0, 1, 2 and 5: the nearest triangle of the range (the first of
// equals). Looks at monitor.IsCancelled() every few thousand triangles.
void ScanTriangles(const PickJob& job, PickRange range, ProgressMonitor& monitor,
                   WorkerResult& out);

// Kinds 3 and 4: the nearest capture volume of the range (the first of
// equals), and with job.wantSurface the nearest surface.
void ScanElements(const PickJob& job, PickRange range, ProgressMonitor& monitor, WorkerResult& out);

// Vertices first .. last into scene coordinates (exactly TransformPoint), and
// with `across` their coordinates across the ray.
void TransformRange(const PickJob& job, PickRange range, Vec3* world, float* across);

// The bound `reach` for capture cubes of half-edge h: the cube's half
// diagonal with room for rounding.
float CaptureReach(double h);

}  // namespace torvane

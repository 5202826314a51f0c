// The scans of one worker's triangle range: triangles four at a time through
// the quad test, and the capture volumes of edges and vertices behind a
// cheap rejection by their place across the ray.
#include "core/pick_scan.h"

#include <cmath>

#include "core/pick_triangles4.h"

namespace torvane {
namespace {

// Workers look at the cancel flag after this many triangles.
constexpr uint32_t kCancelCheckTriangles = 4096;

bool TimeToCheck(PickRange range, uint32_t t) {
  return (t - range.first) % kCancelCheckTriangles == kCancelCheckTriangles - 1;
}

// The three vertex indices of a living triangle whose indices are in range.
bool LivingTriangle(const PickJob& job, uint32_t t, uint32_t v[3]) {
  const MeshCorner* c = job.corners + size_t{t} * 3;
  v[0] = c[0].vertexIndex;
  v[1] = c[1].vertexIndex;
  v[2] = c[2].vertexIndex;
  return v[0] < job.vertexCount && v[1] < job.vertexCount && v[2] < job.vertexCount;
}

// p x M exactly as TransformPoint computes it, here where loops can inline it.
inline Vec3 TransformVertex(const Vec3& p, const Matrix4& m) {
  return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
          p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
          p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

Vec3 SceneVertex(const PickJob& job, uint32_t v) {
  return job.world ? job.world[v] : TransformVertex(job.positions[v], job.matrix);
}

void KeepHit(WorkerResult& out, double distance, uint32_t t, uint32_t a, uint32_t b, uint32_t c,
             const Vec3& point) {
  out.distance = distance;
  out.hit = true;
  out.vertices = {a, b, c};
  out.corners = {t * 3, t * 3 + 1, t * 3 + 2};
  out.point = point;
}

// Collects living triangles into quads and hands each full quad (and the
// last, partial one) to `test` with the number of lanes in use.
class QuadBuilder {
 public:
  explicit QuadBuilder(const PickJob& job) : job_(job) {}

  // Adds triangle t with vertices v; true when the quad is full.
  bool Add(uint32_t t, const uint32_t v[3]) {
    if (job_.world) {
      quad.a[filled] = job_.world + v[0];
      quad.b[filled] = job_.world + v[1];
      quad.c[filled] = job_.world + v[2];
    } else {
      Vec3* corner = transformed_ + filled * 3;
      for (int k = 0; k < 3; ++k)
        corner[k] = TransformVertex(job_.positions[v[k]], job_.matrix);
      quad.a[filled] = corner;
      quad.b[filled] = corner + 1;
      quad.c[filled] = corner + 2;
    }
    triangles[filled] = t;
    for (int k = 0; k < 3; ++k)
      vertices[filled][k] = v[k];
    return ++filled == 4;
  }

  // Runs the quad test; bit k of the answer: lane k (below `filled`) hit.
  unsigned Test(QuadHits* hits) {
    for (int k = filled; k < 4; ++k) {
      // Unused lanes repeat the first triangle; their bits are dropped.
      quad.a[k] = quad.a[0];
      quad.b[k] = quad.b[0];
      quad.c[k] = quad.c[0];
    }
    const unsigned mask = IntersectRayTriangles4(job_.start, job_.direction, quad, hits);
    return mask & ((1u << filled) - 1);
  }

  TriangleQuad quad;
  uint32_t triangles[4];
  uint32_t vertices[4][3];
  int filled = 0;

 private:
  const PickJob& job_;
  // Corners transformed here when the job has no transformed copy (one spare
  // entry: the quad test reads 16 bytes a corner).
  Vec3 transformed_[13];
};

// Both ends of the segment lie beyond the reach on one side of the ray.
bool FarFromRay(const PickJob& job, uint32_t a, uint32_t b) {
  const float* pa = job.across + size_t{a} * 2;
  const float* pb = job.across + size_t{b} * 2;
  const float r = job.reach;
  return (pa[0] > r && pb[0] > r) || (pa[0] < -r && pb[0] < -r) || (pa[1] > r && pb[1] > r) ||
         (pa[1] < -r && pb[1] < -r);
}

}  // namespace

float CaptureReach(double h) {
  // The cube's half diagonal h * sqrt(3), widened for the rounding of the
  // stored coordinates and of the frame.
  return float(h * 1.7320508075688772 * 1.0001);
}

void TransformRange(const PickJob& job, PickRange range, Vec3* world, float* across) {
  for (uint32_t v = range.first; v <= range.last; ++v)
    world[v] = TransformVertex(job.positions[v], job.matrix);
  if (!across) return;
  // Two unit vectors across the ray: e1 perpendicular to the direction and to
  // the axis it is least aligned with, e2 perpendicular to both.
  const double dx = job.direction.x, dy = job.direction.y, dz = job.direction.z;
  const double ax = std::fabs(dx), ay = std::fabs(dy), az = std::fabs(dz);
  double e1x, e1y, e1z;
  if (ax <= ay && ax <= az) {
    e1x = 0, e1y = dz, e1z = -dy;  // d x (1, 0, 0)
  } else if (ay <= az) {
    e1x = -dz, e1y = 0, e1z = dx;  // d x (0, 1, 0)
  } else {
    e1x = dy, e1y = -dx, e1z = 0;  // d x (0, 0, 1)
  }
  const double length = std::sqrt(e1x * e1x + e1y * e1y + e1z * e1z);
  e1x /= length, e1y /= length, e1z /= length;
  const double e2x = dy * e1z - dz * e1y, e2y = dz * e1x - dx * e1z, e2z = dx * e1y - dy * e1x;
  for (uint32_t v = range.first; v <= range.last; ++v) {
    const double px = double(world[v].x) - job.start.x, py = double(world[v].y) - job.start.y,
                 pz = double(world[v].z) - job.start.z;
    across[size_t{v} * 2] = float(px * e1x + py * e1y + pz * e1z);
    across[size_t{v} * 2 + 1] = float(px * e2x + py * e2y + pz * e2z);
  }
}

void ScanTriangles(const PickJob& job, PickRange range, ProgressMonitor& monitor,
                   WorkerResult& out) {
  QuadBuilder builder(job);
  QuadHits hits;
  auto test = [&] {
    unsigned mask = builder.Test(&hits);
    for (int k = 0; mask; ++k, mask >>= 1) {
      if ((mask & 1) && double(hits.t[k]) < out.distance) {
        const uint32_t* v = builder.vertices[k];
        KeepHit(out, hits.t[k], builder.triangles[k], v[0], v[1], v[2],
                {hits.px[k], hits.py[k], hits.pz[k]});
      }
    }
    builder.filled = 0;
  };
  for (uint32_t t = range.first; t <= range.last; ++t) {
    if (TimeToCheck(range, t) && monitor.IsCancelled()) return;
    uint32_t v[3];
    if (LivingTriangle(job, t, v) && builder.Add(t, v)) test();
  }
  if (builder.filled > 0) test();
}

void ScanElements(const PickJob& job, PickRange range, ProgressMonitor& monitor,
                  WorkerResult& out) {
  const bool edges = job.kind == kPickEdge;
  QuadBuilder surfaces(job);
  QuadHits hits;
  auto testSurfaces = [&] {
    unsigned mask = surfaces.Test(&hits);
    for (int k = 0; mask; ++k, mask >>= 1) {
      if ((mask & 1) && double(hits.t[k]) < out.surfaceDistance) out.surfaceDistance = hits.t[k];
    }
    surfaces.filled = 0;
  };
  for (uint32_t t = range.first; t <= range.last; ++t) {
    if (TimeToCheck(range, t) && monitor.IsCancelled()) return;
    uint32_t v[3];
    if (!LivingTriangle(job, t, v)) continue;
    for (int e = 0; e < 3; ++e) {
      const int f = edges ? (e + 1) % 3 : e;
      if (job.across && FarFromRay(job, v[e], v[f])) continue;
      double distance;
      if (IntersectRayCapture(job.start, job.direction, SceneVertex(job, v[e]),
                              SceneVertex(job, v[f]), job.h, &distance) &&
          distance < out.distance) {
        const Vec3 point = job.start + job.direction * float(distance);
        KeepHit(out, distance, t, v[e], edges ? v[f] : kDeadIndex, kDeadIndex, point);
      }
    }
    if (job.wantSurface && surfaces.Add(t, v)) testSurfaces();
  }
  if (surfaces.filled > 0) testSurfaces();
}

}  // namespace torvane

// The geometric tests of picking: ray against triangle, box and the capture
// volume of an edge or vertex, and the world box of an object.
#include <algorithm>
#include <cmath>

#include "core/matrix4.h"
#include "core/mesh.h"
#include "core/pick.h"

namespace torvane {
namespace {

constexpr float kEpsilon = 1.1920929e-07f;

float Component(const Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Narrows [tEnter, tExit] by the slab |n.(X - centre)| <= r along the ray
// X = start + t dir. False when the slab leaves nothing.
struct Offset {
  double x, y, z;
};

bool ClipToSlab(double nx, double ny, double nz, double r, const Offset& offset, const Vec3& dir,
                double& tEnter, double& tExit) {
  const double along = nx * dir.x + ny * dir.y + nz * dir.z;
  const double at = nx * offset.x + ny * offset.y + nz * offset.z;
  if (along == 0.0) return std::fabs(at) <= r;
  double t1 = (-r - at) / along;
  double t2 = (r - at) / along;
  if (t1 > t2) std::swap(t1, t2);
  tEnter = std::max(tEnter, t1);
  tExit = std::min(tExit, t2);
  return tEnter <= tExit;
}

}  // namespace

bool IntersectRayTriangle(const Vec3& start, const Vec3& direction, const Vec3& a, const Vec3& b,
                          const Vec3& c, double* t, Vec3* point) {
  const Vec3 n = FaceNormal(a, b, c);
  const float denominator = Dot(n, direction);
  // Also rejects degenerate triangles, whose normal is zero.
  if (!(std::fabs(denominator) >= kEpsilon)) return false;
  const float d = -Dot(n, a);
  const float along = -(Dot(n, start) + d) / denominator;
  if (!(along >= 0.0f)) return false;
  const Vec3 p = start + direction * along;

  // Work in the coordinate plane where the triangle's projection is largest.
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  int i = 1, j = 2;  // drop x
  if (!(ax >= ay && ax >= az)) {
    if (ay >= az) {
      i = 0;
      j = 2;
    } else {
      i = 0;
      j = 1;
    }
  }
  const Vec3 u = b - a, v = c - a, w = p - a;
  const float u0 = Component(u, i), u1 = Component(u, j);
  const float v0 = Component(v, i), v1 = Component(v, j);
  const float w0 = Component(w, i), w1 = Component(w, j);
  float alpha, beta;
  if (std::fabs(u0) < kEpsilon) {
    // B - A has nothing on axis i: that axis gives beta alone.
    beta = w0 / v0;
    if (!(beta >= 0.0f && beta <= 1.0f)) return false;
    alpha = (w1 - beta * v1) / u1;
  } else {
    beta = (w1 * u0 - w0 * u1) / (v1 * u0 - v0 * u1);
    if (!(beta >= 0.0f && beta < 1.0f)) return false;
    alpha = (w0 - beta * v0) / u0;
  }
  if (!(alpha >= 0.0f && alpha + beta <= 1.0f)) return false;
  if (t) *t = along;
  if (point) *point = p;
  return true;
}

bool IntersectRayBox(const Vec3& start, const Vec3& direction, const Vec3& boxMin,
                     const Vec3& boxMax, double* t) {
  const double cx = (double(boxMin.x) + boxMax.x) * 0.5, cy = (double(boxMin.y) + boxMax.y) * 0.5,
               cz = (double(boxMin.z) + boxMax.z) * 0.5;
  const Offset offset{start.x - cx, start.y - cy, start.z - cz};
  const double rx = double(boxMax.x) - cx, ry = double(boxMax.y) - cy, rz = double(boxMax.z) - cz;
  if (rx < 0 || ry < 0 || rz < 0) return false;
  double tEnter = 0.0, tExit = INFINITY;
  if (!ClipToSlab(1, 0, 0, rx, offset, direction, tEnter, tExit)) return false;
  if (!ClipToSlab(0, 1, 0, ry, offset, direction, tEnter, tExit)) return false;
  if (!ClipToSlab(0, 0, 1, rz, offset, direction, tEnter, tExit)) return false;
  if (t) *t = tEnter;
  return true;
}

bool IntersectRayCapture(const Vec3& start, const Vec3& direction, const Vec3& p, const Vec3& q,
                         double h, double* t) {
  // The cube swept along the segment is the set m + s e + cube, s in [-1, 1]:
  // a convex body bounded by the slabs whose normals are the three axes and
  // the cross products of each axis with e.
  const double mx = (double(p.x) + q.x) * 0.5, my = (double(p.y) + q.y) * 0.5,
               mz = (double(p.z) + q.z) * 0.5;
  const double ex = (double(q.x) - p.x) * 0.5, ey = (double(q.y) - p.y) * 0.5,
               ez = (double(q.z) - p.z) * 0.5;
  const Offset offset{start.x - mx, start.y - my, start.z - mz};
  double tEnter = 0.0, tExit = INFINITY;
  // The axis slabs first: they are the box around both end cubes and reject
  // almost every ray.
  if (!ClipToSlab(1, 0, 0, h + std::fabs(ex), offset, direction, tEnter, tExit)) return false;
  if (!ClipToSlab(0, 1, 0, h + std::fabs(ey), offset, direction, tEnter, tExit)) return false;
  if (!ClipToSlab(0, 0, 1, h + std::fabs(ez), offset, direction, tEnter, tExit)) return false;
  const double normals[3][3] = {{0, -ez, ey}, {ez, 0, -ex}, {-ey, ex, 0}};
  for (const auto& n : normals) {
    if (n[0] == 0 && n[1] == 0 && n[2] == 0) continue;
    const double r = h * (std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2])) +
                     std::fabs(n[0] * ex + n[1] * ey + n[2] * ez);
    if (!ClipToSlab(n[0], n[1], n[2], r, offset, direction, tEnter, tExit)) return false;
  }
  if (t) *t = tEnter;
  return true;
}

bool WorldBoundingBox(Mesh& mesh, Vec3* boxMin, Vec3* boxMax) {
  if (mesh.vertexCount == 0) return false;
  const BoundingBox local = MeshBounds(mesh);
  const Matrix4 world = MeshTransformMatrix(mesh);
  // All eight corners: the two extreme corners alone span a wrong (even flat)
  // box once the object is rotated.
  Vec3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
  for (int c = 0; c < 8; ++c) {
    const Vec3 corner{(c & 1) ? local.max.x : local.min.x, (c & 2) ? local.max.y : local.min.y,
                      (c & 4) ? local.max.z : local.min.z};
    const Vec3 w = TransformPoint(corner, world);
    lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
    hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
  }
  *boxMin = lo;
  *boxMax = hi;
  return true;
}

}  // namespace torvane

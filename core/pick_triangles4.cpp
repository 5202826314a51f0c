// Four-lane ray-triangle test: SSE2 where available (every x86-64), else the
// scalar test lane by lane. The lane code mirrors IntersectRayTriangle
// operation for operation; both branches of the solve are computed and the
// one the scalar test would take is selected per lane.
#include "core/pick_triangles4.h"

#include "core/pick.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace torvane {

#if defined(__SSE2__)
namespace {

using F4 = __m128;

inline F4 Select(F4 mask, F4 a, F4 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

inline F4 Abs(F4 v) {
  return _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
}

// The x, y and z of four corners as three vectors (one load per corner and a
// transpose).
inline void LoadCorners(const Vec3* const corners[4], F4& x, F4& y, F4& z) {
  F4 r0 = _mm_loadu_ps(&corners[0]->x);
  F4 r1 = _mm_loadu_ps(&corners[1]->x);
  F4 r2 = _mm_loadu_ps(&corners[2]->x);
  F4 r3 = _mm_loadu_ps(&corners[3]->x);
  _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
  x = r0;
  y = r1;
  z = r2;
}

// Unary minus (a sign flip, also of zeros), not 0 - v.
inline F4 Negate(F4 v) {
  return _mm_xor_ps(_mm_set1_ps(-0.0f), v);
}

}  // namespace

unsigned IntersectRayTriangles4(const Vec3& start, const Vec3& direction, const TriangleQuad& quad,
                                QuadHits* hits) {
  const F4 eps = _mm_set1_ps(1.1920929e-07f);
  const F4 zero = _mm_setzero_ps();
  const F4 one = _mm_set1_ps(1.0f);
  F4 ax, ay, az, bx, by, bz, cx, cy, cz;
  LoadCorners(quad.a, ax, ay, az);
  LoadCorners(quad.b, bx, by, bz);
  LoadCorners(quad.c, cx, cy, cz);
  // u = b - a, v = c - a (the edges of the face normal and of the solve).
  const F4 ux = _mm_sub_ps(bx, ax), uy = _mm_sub_ps(by, ay), uz = _mm_sub_ps(bz, az);
  const F4 vx = _mm_sub_ps(cx, ax), vy = _mm_sub_ps(cy, ay), vz = _mm_sub_ps(cz, az);
  // Face normal: the cross product divided by its length; zero length gives
  // the zero normal.
  const F4 cxv = _mm_sub_ps(_mm_mul_ps(uy, vz), _mm_mul_ps(uz, vy));
  const F4 cyv = _mm_sub_ps(_mm_mul_ps(uz, vx), _mm_mul_ps(ux, vz));
  const F4 czv = _mm_sub_ps(_mm_mul_ps(ux, vy), _mm_mul_ps(uy, vx));
  const F4 len = _mm_sqrt_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(cxv, cxv), _mm_mul_ps(cyv, cyv)), _mm_mul_ps(czv, czv)));
  const F4 degenerate = _mm_cmpeq_ps(len, zero);
  const F4 nx = _mm_andnot_ps(degenerate, _mm_div_ps(cxv, len));
  const F4 ny = _mm_andnot_ps(degenerate, _mm_div_ps(cyv, len));
  const F4 nz = _mm_andnot_ps(degenerate, _mm_div_ps(czv, len));

  const F4 dx = _mm_set1_ps(direction.x), dy = _mm_set1_ps(direction.y),
           dz = _mm_set1_ps(direction.z);
  const F4 sx = _mm_set1_ps(start.x), sy = _mm_set1_ps(start.y), sz = _mm_set1_ps(start.z);
  const F4 denominator =
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, dx), _mm_mul_ps(ny, dy)), _mm_mul_ps(nz, dz));
  F4 ok = _mm_cmpge_ps(Abs(denominator), eps);
  if (_mm_movemask_ps(ok) == 0) return 0;
  const F4 d =
      Negate(_mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, ax), _mm_mul_ps(ny, ay)), _mm_mul_ps(nz, az)));
  const F4 ns = _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, sx), _mm_mul_ps(ny, sy)), _mm_mul_ps(nz, sz));
  const F4 along = _mm_div_ps(Negate(_mm_add_ps(ns, d)), denominator);
  ok = _mm_and_ps(ok, _mm_cmpge_ps(along, zero));
  if (_mm_movemask_ps(ok) == 0) return 0;
  const F4 px = _mm_add_ps(sx, _mm_mul_ps(dx, along));
  const F4 py = _mm_add_ps(sy, _mm_mul_ps(dy, along));
  const F4 pz = _mm_add_ps(sz, _mm_mul_ps(dz, along));

  // The coordinate plane that drops the normal's largest axis.
  const F4 anx = Abs(nx), any = Abs(ny), anz = Abs(nz);
  const F4 dropX = _mm_and_ps(_mm_cmpge_ps(anx, any), _mm_cmpge_ps(anx, anz));
  const F4 dropZ = _mm_andnot_ps(dropX, _mm_cmplt_ps(any, anz));
  const F4 wx = _mm_sub_ps(px, ax), wy = _mm_sub_ps(py, ay), wz = _mm_sub_ps(pz, az);
  // Axis i is y when x is dropped, else x; axis j is y when z is dropped,
  // else z.
  const F4 u0 = Select(dropX, uy, ux), u1 = Select(dropZ, uy, uz);
  const F4 v0 = Select(dropX, vy, vx), v1 = Select(dropZ, vy, vz);
  const F4 w0 = Select(dropX, wy, wx), w1 = Select(dropZ, wy, wz);

  // Each lane takes one of the two solves; a solve no lane takes is skipped.
  const F4 alternative = _mm_cmplt_ps(Abs(u0), eps);
  const int alternatives = _mm_movemask_ps(_mm_and_ps(ok, alternative));
  const int mains = _mm_movemask_ps(_mm_andnot_ps(alternative, ok));
  F4 betaA = zero, okA = zero;
  if (alternatives) {
    betaA = _mm_div_ps(w0, v0);
    okA = _mm_and_ps(_mm_cmpge_ps(betaA, zero), _mm_cmple_ps(betaA, one));
  }
  F4 betaM = zero, okM = zero;
  if (mains) {
    betaM = _mm_div_ps(_mm_sub_ps(_mm_mul_ps(w1, u0), _mm_mul_ps(w0, u1)),
                       _mm_sub_ps(_mm_mul_ps(v1, u0), _mm_mul_ps(v0, u1)));
    okM = _mm_and_ps(_mm_cmpge_ps(betaM, zero), _mm_cmplt_ps(betaM, one));
  }
  ok = _mm_and_ps(ok, Select(alternative, okA, okM));
  if (_mm_movemask_ps(ok) == 0) return 0;
  const F4 beta = Select(alternative, betaA, betaM);
  F4 alpha;
  if (!alternatives) {
    alpha = _mm_div_ps(_mm_sub_ps(w0, _mm_mul_ps(betaM, v0)), u0);
  } else if (!mains) {
    alpha = _mm_div_ps(_mm_sub_ps(w1, _mm_mul_ps(betaA, v1)), u1);
  } else {
    alpha = Select(alternative, _mm_div_ps(_mm_sub_ps(w1, _mm_mul_ps(betaA, v1)), u1),
                   _mm_div_ps(_mm_sub_ps(w0, _mm_mul_ps(betaM, v0)), u0));
  }
  ok = _mm_and_ps(ok, _mm_cmpge_ps(alpha, zero));
  ok = _mm_and_ps(ok, _mm_cmple_ps(_mm_add_ps(alpha, beta), one));
  const unsigned mask = unsigned(_mm_movemask_ps(ok));
  if (mask) {
    _mm_store_ps(hits->t, along);
    _mm_store_ps(hits->px, px);
    _mm_store_ps(hits->py, py);
    _mm_store_ps(hits->pz, pz);
  }
  return mask;
}

#else

unsigned IntersectRayTriangles4(const Vec3& start, const Vec3& direction, const TriangleQuad& quad,
                                QuadHits* hits) {
  unsigned mask = 0;
  for (int k = 0; k < 4; ++k) {
    double t;
    Vec3 p;
    if (IntersectRayTriangle(start, direction, *quad.a[k], *quad.b[k], *quad.c[k], &t, &p)) {
      mask |= 1u << k;
      hits->t[k] = float(t);
      hits->px[k] = p.x;
      hits->py[k] = p.y;
      hits->pz[k] = p.z;
    }
  }
  return mask;
}

#endif

}  // namespace torvane

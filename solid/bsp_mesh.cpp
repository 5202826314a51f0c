// Between meshes and polygon lists: the world copy of an object's mesh,
// MeshToPolygons and PolygonsToMesh.
//
// Inputs: a mesh (its positions, live triangles, transform) or a polygon
// list. Outputs: one polygon per triangle at the head of the list, or a mesh
// of fan triangles with unshared vertices, corner colours from the polygons
// and unit face normals.
#include <cmath>

#include "core/matrix4.h"
#include "solid/bsp_internal.h"

namespace torvane {
namespace {

constexpr float kWorldDegreesToRadians = 0.017453292f;

Matrix4 WorldTransform(const Mesh& mesh) {
  const float rx = mesh.rotation.x * kWorldDegreesToRadians;
  const float ry = mesh.rotation.y * kWorldDegreesToRadians;
  const float rz = mesh.rotation.z * kWorldDegreesToRadians;
  const float cx = std::cos(rx), sx = std::sin(rx);
  const float cy = std::cos(ry), sy = std::sin(ry);
  const float cz = std::cos(rz), sz = std::sin(rz);
  Matrix4 r;
  r.m = {cz * cy,
         cy * sz,
         -sy,
         0,
         cz * sy * sx - sz * cx,
         sz * sy * sx + cz * cx,
         sx * cy,
         0,
         sz * sx + cz * sy * cx,
         sz * sy * cx - cz * sx,
         cx * cy,
         0,
         0,
         0,
         0,
         1};
  Matrix4 s;
  s(0, 0) = mesh.scale.x;
  s(1, 1) = mesh.scale.y;
  s(2, 2) = mesh.scale.z;
  Matrix4 m = Multiply(s, r);
  m.m[12] += mesh.position.x;
  m.m[13] += mesh.position.y;
  m.m[14] += mesh.position.z;
  return m;
}

}  // namespace

WorldMesh MakeWorldMesh(const Mesh& mesh) {
  WorldMesh world;
  try {
    const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
    const uint32_t corners = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
    const Matrix4 m = WorldTransform(mesh);
    world.positions.resize(vertices);
    for (uint32_t i = 0; i < vertices; ++i)
      world.positions[i] = TransformPoint(mesh.positions[i], m);
    world.corners.reserve(corners);
    // Whole triangles only: dropping single dead corners would shift every
    // later triangle's corners.
    for (uint32_t k = 0; k < corners; k += 3) {
      const MeshCorner* c = mesh.corners.data() + k;
      if (c[0].vertexIndex >= vertices || c[1].vertexIndex >= vertices ||
          c[2].vertexIndex >= vertices) {
        continue;
      }
      for (int j = 0; j < 3; ++j) {
        MeshCorner corner = c[j];
        corner.normal = TransformDirection(corner.normal, m);
        world.corners.push_back(corner);
      }
    }
  } catch (const std::bad_alloc&) {
    world = WorldMesh{};
    world.valid = false;
  }
  return world;
}

CsgResult MeshToPolygons(CsgStore& store, const WorldMesh& mesh, CsgPolygonList& out,
                         ProgressMonitor& monitor) {
  bsp::CancelPoll poll(monitor);
  try {
    const size_t triangles = mesh.corners.size() / 3;
    bsp::Grow(store.polygons, triangles);
    bsp::Grow(store.vertices, triangles * 3);
    bsp::Grow(out, triangles);
    for (size_t t = 0; t < triangles; ++t) {
      if (poll()) return kCsgCancelled;
      CsgVertex v[3];
      for (int j = 0; j < 3; ++j) {
        const MeshCorner& c = mesh.corners[t * 3 + j];
        const Vec3& p = mesh.positions[c.vertexIndex];
        v[j] = CsgVertex{p.x, p.y, p.z, c.colour};
      }
      const CsgPlane plane = PlaneFromPoints(v[0], v[1], v[2]);
      if (!HasPlane(plane)) continue;
      CsgPolygon polygon;
      polygon.plane = plane;
      polygon.firstVertex = static_cast<uint32_t>(store.vertices.size());
      polygon.count = 3;
      polygon.ball = BallAround(v);
      store.vertices.insert(store.vertices.end(), v, v + 3);
      store.polygons.push_back(polygon);
      out.push_back(static_cast<CsgPolygonId>(store.polygons.size() - 1));
    }
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

CsgResult PolygonsToMesh(const CsgStore& store, const CsgPolygonList& list, Mesh& mesh,
                         ProgressMonitor& monitor) {
  bsp::CancelPoll poll(monitor);
  uint64_t triangles = 0;
  size_t counted = 0;
  for (size_t i = list.size(); i-- > 0; ++counted) {
    if (counted % 1000 == 0 && poll()) return kCsgCancelled;
    const uint32_t n = store.polygons[list[i]].count;
    if (n > 2) triangles += n - 2;
  }
  mesh.positions.Free();
  mesh.corners.Free();
  mesh.vertexCount = 0;
  mesh.cornerCount = 0;
  if (triangles * 3 > UINT32_MAX || !mesh.corners.ResizeDiscard(triangles * 3) ||
      !mesh.positions.ResizeDiscard(triangles * 3)) {
    mesh.corners.Free();
    mesh.positions.Free();
    return kCsgOutOfMemory;
  }
  Vec3* positions = mesh.positions.MutableData();
  MeshCorner* corners = mesh.corners.MutableData();
  uint32_t k = 0;
  counted = 0;
  for (size_t i = list.size(); i-- > 0; ++counted) {
    if (counted % 100 == 0 && poll()) {
      mesh.corners.Free();
      mesh.positions.Free();
      return kCsgCancelled;
    }
    const std::span<const CsgVertex> v = PolygonVertices(store, list[i]);
    for (size_t f = 0; f + 2 < v.size(); ++f) {
      const CsgVertex* tri[3] = {&v[0], &v[f + 1], &v[f + 2]};
      Vec3 p[3];
      for (int j = 0; j < 3; ++j)
        p[j] = Vec3{tri[j]->x, tri[j]->y, tri[j]->z};
      const Vec3 normal = FaceNormal(p[0], p[1], p[2]);
      for (int j = 0; j < 3; ++j) {
        positions[k] = p[j];
        corners[k] = MeshCorner{k, normal, tri[j]->colour};
        ++k;
      }
    }
  }
  mesh.vertexCount = k;
  mesh.cornerCount = k;
  InvalidateBounds(mesh);
  MarkChanged(mesh);
  return kCsgDone;
}

}  // namespace torvane

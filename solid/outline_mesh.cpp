// Putting built geometry into an object's mesh, and re-centring the object
// on the bounds of its vertices.
#include <new>

#include "core/mesh.h"
#include "solid/outline_solids.h"

namespace torvane {

bool InstallMeshParts(Mesh& mesh, const MeshParts& parts, Colour32 colour) {
  const size_t vertexCount = parts.positions.size();
  const size_t cornerCount = parts.triangles.size() * 3;
  if (vertexCount > UINT32_MAX / 2 || cornerCount > UINT32_MAX / 2) return false;
  GrowArray<Vec3> positions;
  GrowArray<MeshCorner> corners;
  if (!positions.ResizeDiscard(vertexCount) || !corners.ResizeDiscard(cornerCount)) return false;
  Vec3* p = positions.MutableData();
  MeshCorner* c = corners.MutableData();
  if ((vertexCount > 0 && !p) || (cornerCount > 0 && !c)) return false;
  for (size_t i = 0; i < vertexCount; ++i)
    p[i] = parts.positions[i];
  for (size_t t = 0; t < parts.triangles.size(); ++t) {
    const TriangleIndices& tri = parts.triangles[t];
    const Vec3 n = FaceNormal(p[tri[0]], p[tri[1]], p[tri[2]]);
    for (int k = 0; k < 3; ++k)
      c[t * 3 + k] = MeshCorner{tri[k], n, colour};
  }
  mesh.positions = std::move(positions);
  mesh.corners = std::move(corners);
  mesh.vertexCount = static_cast<uint32_t>(vertexCount);
  mesh.cornerCount = static_cast<uint32_t>(cornerCount);
  InvalidateBounds(mesh);
  MarkChanged(mesh);
  return true;
}

void RecentreOnBounds(SceneObject& object) {
  Mesh& mesh = object.mesh;
  if (mesh.vertexCount == 0) return;
  const Vec3 centre = MeshCentre(mesh);
  Vec3* p = mesh.positions.MutableData();
  if (!p) return;
  for (uint32_t i = 0; i < mesh.vertexCount; ++i)
    p[i] = p[i] - centre;
  InvalidateBounds(mesh);
  SetPosition(mesh, mesh.position + centre);
  UpdateWorldMatrix(object);
}

}  // namespace torvane

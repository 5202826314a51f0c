// PrepareStlFacets: the facet records both STL writers write.
//
// Every mesh's transform is applied, then the conversion to the file's axes:
// mirrored in X and turned a quarter about X, so that a program point
// (x, y, z) is written as (-x, -z, y). Normals are the face normals of the
// written vertices; the attribute word carries the triangle's colour.
#include <cmath>
#include <cstring>

#include "core/matrix4.h"
#include "formats/stl/stl.h"

namespace torvane {
namespace {

constexpr float kQuarterTurn = 1.5707964f;

Matrix4 FileAxesMatrix() {
  Matrix4 mirror;
  mirror(0, 0) = -1.0f;
  Matrix4 turn;  // right-handed rotation about X, row-vector convention
  const float c = std::cos(kQuarterTurn);
  const float s = std::sin(kQuarterTurn);
  turn(1, 1) = c;
  turn(1, 2) = s;
  turn(2, 1) = -s;
  turn(2, 2) = c;
  return Multiply(mirror, turn);
}

size_t TriangleCountOf(const ImportedMesh& mesh) {
  return mesh.indices.length() / 3;
}

}  // namespace

int PrepareStlFacets(ProgressMonitor& monitor, const ImportedModel& model, StlFacetArray& facets) {
  size_t total = 0;
  for (const ImportedMesh& mesh : model.meshes)
    total += TriangleCountOf(mesh);
  if (!facets.Allocate(total)) return kStatusFailed;
  if (total == 0) return kStatusDone;

  const Matrix4 toFile = FileAxesMatrix();
  size_t next = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const size_t triangles = TriangleCountOf(mesh);
    if (triangles == 0) continue;
    monitor.SetText("Preparing data", 0);
    if (monitor.IsCancelled()) return kStatusCancelled;
    const Matrix4 transform = TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
    const uint32_t* indices = mesh.indices.data();
    const Vec3* positions = mesh.positions.data();
    const uint32_t positionCount = mesh.positions.length();
    const Colour32* colours = mesh.colours.data();
    const uint32_t colourCount = mesh.colours.length();
    const bool perCorner = colourCount == mesh.indices.length();

    for (size_t t = 0; t < triangles; ++t) {
      StlFacet& facet = facets[next++];
      const uint32_t* corner = indices + t * 3;
      // Dead triangles, and any whose indices lie outside the positions,
      // keep their place in the file as an all-zero record.
      if (corner[0] == 0xFFFFFFFFu || corner[0] >= positionCount || corner[1] >= positionCount ||
          corner[2] >= positionCount) {
        std::memset(&facet, 0, sizeof(facet));
        continue;
      }
      Vec3 v[3];
      for (int i = 0; i < 3; ++i) {
        v[i] = TransformPoint(TransformPoint(positions[corner[i]], transform), toFile);
        SetFacetVertex(facet, i, v[i]);
      }
      SetFacetNormal(facet, FaceNormal(v[0], v[1], v[2]));
      Colour32 colour = kStlUncolouredColour;
      if (perCorner) {
        colour = colours[t * 3];
      } else if (corner[0] < colourCount) {
        colour = colours[corner[0]];
      }
      facet.attribute = StlColourToAttribute(colour);
    }
  }
  return kStatusDone;
}

}  // namespace torvane

// The per-corner vertex data written straight into the vertex buffer must be
// byte for byte what interleaving the mesh's render arrays gives, whatever
// the corners hold and however many threads write them.
#include "render/mesh_vertices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "core/mesh.h"

namespace torvane {
namespace {

// Interleaves the render arrays of BuildRenderArrays: position, normal, colour.
std::vector<unsigned char> InterleavedRenderArrays(Mesh& mesh) {
  BuildRenderArrays(mesh);
  const MeshRenderData& r = mesh.render;
  size_t n = r.colours.size();
  std::vector<unsigned char> out(n * kCornerVertexStride);
  for (size_t k = 0; k < n; ++k) {
    unsigned char* at = out.data() + k * kCornerVertexStride;
    std::memcpy(at, &r.positions[k * 3], 12);
    std::memcpy(at + 12, &r.normals[k * 3], 12);
    std::memcpy(at + 24, &r.colours[k], 4);
  }
  return out;
}

// Random positions and corners with the awkward cases mixed in: dead
// corners, indices past vertexCount but inside the position buffer, indices
// past the buffer, and a corner buffer longer than cornerCount.
void BuildAwkwardMesh(Mesh& mesh, uint32_t triangles, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-100.0f, 100.0f);
  const uint32_t positions = 50 + triangles / 2;
  ASSERT_TRUE(mesh.positions.ResizeDiscard(positions));
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t i = 0; i < positions; ++i)
    p[i] = {value(random), value(random), value(random)};
  mesh.vertexCount = positions - 7;
  const uint32_t corners = triangles * 3;
  ASSERT_TRUE(mesh.corners.ResizeDiscard(corners + 5));
  MeshCorner* c = mesh.corners.MutableData();
  std::uniform_int_distribution<uint32_t> index(0, positions + 3);
  std::uniform_int_distribution<int> kind(0, 19);
  for (uint32_t k = 0; k < corners + 5; ++k) {
    c[k].vertexIndex = kind(random) == 0 ? kDeadIndex : index(random);
    c[k].normal = {value(random), value(random), value(random)};
    c[k].colour = static_cast<Colour32>(random());
  }
  mesh.cornerCount = corners;
}

// The last case counts more corners than the buffer holds: what the buffer
// holds is drawn.
TEST(MeshVertices, MatchTheInterleavedRenderArraysOnAnyThreadCountAndTheMaterialItsRule) {
  const struct {
    uint32_t triangles;
    bool countBeyondBuffer;
  } kCases[] = {{1, false}, {10, false}, {kParallelFillCorners / 3 + 11, false}, {4, true}};
  for (const auto& c : kCases) {
    Mesh mesh;
    BuildAwkwardMesh(mesh, c.triangles, c.triangles);
    if (c.countBeyondBuffer) mesh.cornerCount = mesh.corners.length() + 3;
    std::vector<unsigned char> expected = InterleavedRenderArrays(mesh);
    const uint32_t drawable = std::min<uint32_t>(mesh.cornerCount, mesh.corners.length());
    ASSERT_EQ(DrawableCornerCount(mesh), drawable);
    ASSERT_EQ(expected.size(), size_t{drawable} * kCornerVertexStride);
    for (unsigned threads : {1u, 2u, 3u, 8u, 0u}) {
      // Start from garbage so that skipped bytes would show.
      std::vector<unsigned char> got(expected.size(), 0xAB);
      FillMeshVertices(mesh, got.data(), threads);
      EXPECT_TRUE(got == expected) << c.triangles << " triangles, " << threads << " threads";
    }
  }
  Mesh empty;
  EXPECT_EQ(DrawableCornerCount(empty), 0u);
  FillMeshVertices(empty, nullptr);  // writes nothing

  // The material follows the render arrays' rule, with and without one of
  // the mesh's own.
  Mesh mesh;
  BuildAwkwardMesh(mesh, 2, 3);
  for (bool hasMaterial : {false, true}) {
    mesh.hasMaterial = hasMaterial;
    mesh.renderDiffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    mesh.renderAmbient = {0.5f, 0.6f, 0.7f, 0.8f};
    mesh.renderSpecular = {0.9f, 0.25f, 0.75f, 1.0f};
    BuildRenderArrays(mesh);
    ApplyMaterial(mesh);
    const Material m = MeshMaterial(mesh);
    const MeshRenderData& r = mesh.render;
    const ColourF pairs[][2] = {{m.diffuse, r.diffuse},
                                {m.ambient, r.ambient},
                                {m.specular, r.specular},
                                {m.emissive, r.emissive}};
    for (const auto& pair : pairs)
      EXPECT_EQ(std::memcmp(&pair[0], &pair[1], sizeof(ColourF)), 0) << hasMaterial;
  }
}

}  // namespace
}  // namespace torvane

// Primitive shapes: counts, extents, outward normals, colours and painted
// flags of the four shapes, the sphere's clean-up, selection and history of
// the commands, and the out-of-memory path leaving the document unchanged.
#include "core/primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/history.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

constexpr ColourF kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Colour32 kRed32 = 0xFFFF0000u;

SceneObject Build(PrimitiveShape shape) {
  SceneObject object;
  BuildPrimitive(shape, kRed32, object);
  return object;
}

// Closed with a positive volume is outward; every corner carries the colour
// and its triangle's face normal.
TEST(Primitives, EachShapeIsClosedOutwardWithItsCountsSizeAndMaterial) {
  const Vec3 kBox{5, 5, 5}, kIco{4.4721f, 4.2533f, 5}, kRing{5, 5, 1};
  const struct {
    PrimitiveShape shape;
    uint32_t vertices, triangles;
    bool painted;
    Vec3 min, max;
    double volume, tolerance;  // relative: the faceted sphere and torus fall short
  } shapes[] = {{PrimitiveShape::kCube, 8, 12, false, -kBox, kBox, 1000, 1e-6},
                {PrimitiveShape::kSphere, 242, 480, true, -kBox, kBox, 4 * M_PI * 125 / 3, 0.05},
                {PrimitiveShape::kIcosahedron, 12, 20, true, -kIco, kIco, 317.0, 1e-3},
                {PrimitiveShape::kTorus, 400, 800, true, -kRing, kRing, 8 * M_PI * M_PI, 0.05}};
  for (const auto& s : shapes) {
    SceneObject object = Build(s.shape);
    Mesh& mesh = object.mesh;
    SCOPED_TRACE(PrimitiveCommandName(s.shape));
    EXPECT_EQ(mesh.vertexCount, s.vertices);
    EXPECT_EQ(mesh.positions.length(), s.vertices) << "trimmed";
    EXPECT_EQ(mesh.cornerCount, s.triangles * 3) << "no dead corners left";
    EXPECT_TRUE(mesh.painted == s.painted && mesh.colour == kRed32);
    EXPECT_TRUE(mesh.unsavedChange && mesh.unautosavedChange && mesh.unrecordedChange &&
                mesh.renderStale);
    EXPECT_FLOAT_EQ(mesh.scale.x, 1.0f) << "the working size is baked in";
    ExpectNear(MeshBounds(mesh).min, s.min, 1e-3f);
    ExpectNear(MeshBounds(mesh).max, s.max, 1e-3f);
    for (uint32_t k = 0; k < mesh.cornerCount; ++k) {
      const MeshCorner* t = mesh.corners.data() + k / 3 * 3;
      ASSERT_LT(t[k % 3].vertexIndex, mesh.vertexCount);
      const Vec3 normal =
          FaceNormal(mesh.positions[t[0].vertexIndex], mesh.positions[t[1].vertexIndex],
                     mesh.positions[t[2].vertexIndex]);
      EXPECT_LT(Length(t[k % 3].normal - normal), 1e-5f) << k;
      EXPECT_EQ(t[k % 3].colour, kRed32);
    }
    EXPECT_TRUE(IsClosed(mesh));
    EXPECT_NEAR(MeshVolume(mesh), s.volume, s.volume * s.tolerance);
    for (uint32_t i = 0; s.painted && s.shape != PrimitiveShape::kTorus && i < s.vertices; ++i)
      EXPECT_NEAR(Length(mesh.positions[i]), 5.0f, 1e-5f);
  }
}

TEST(Primitives, AddSelectsTheShapeAndIsOneUndoStep) {
  Document doc;
  RecordingListener listener;
  doc.mainWindow = &listener;
  const CommandOutcome first = AddPrimitive(doc, PrimitiveShape::kCube, kRed);
  EXPECT_TRUE(first.changed && first.status == kStatusDone && doc.forceRecord);
  ASSERT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.undoStack.size(), 1u) << "the empty document is recorded too";
  EXPECT_TRUE(doc.objects[0]->selected && doc.objects[0]->showBoundingBox);
  EXPECT_EQ(doc.objects[0]->mesh.corners[0].colour, kRed32);

  AddPrimitive(doc, PrimitiveShape::kTorus, kRed);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{1, 2})) << "the earlier selection stays";
  EXPECT_TRUE(doc.objects[0]->primarySelected);
  EXPECT_TRUE(doc.undoStack.size() == 2 && doc.objectCount == 2);
  EXPECT_EQ(std::count(listener.codes.begin(), listener.codes.end(), kNotifyObjectAdded), 2);

  Undo(doc);
  EXPECT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{1});
}

// What every generator leaves when memory runs out: no triangles, no object.
TEST(Primitives, AShapeWithoutTrianglesIsNotAdded) {
  Document doc;
  AddPrimitive(doc, PrimitiveShape::kIcosahedron, kRed);
  RecordingListener listener;
  doc.mainWindow = &listener;
  const std::vector<uint32_t> selection = doc.selection;
  const std::pair<PrimitiveShape, const char*> kShapes[] = {
      {PrimitiveShape::kCube, "Cube"},
      {PrimitiveShape::kSphere, "Sphere"},
      {PrimitiveShape::kIcosahedron, "Icosahedron"},
      {PrimitiveShape::kTorus, "Torus"}};
  for (const auto& [shape, name] : kShapes) {
    SceneObject empty;
    const CommandOutcome outcome = AddPrimitiveObject(doc, shape, empty);
    EXPECT_TRUE(outcome.status == kStatusFailed && !outcome.changed);
    EXPECT_EQ(outcome.errorText, std::string("Torvane is unable to create the ") + name +
                                     " object due to there not being enough memory for the "
                                     "operation.");
  }
  EXPECT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.selection, selection);
  EXPECT_TRUE(listener.codes.empty());
}

}  // namespace
}  // namespace torvane

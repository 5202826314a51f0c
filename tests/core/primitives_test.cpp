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

constexpr ColourF kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Colour32 kRed32 = 0xFFFF0000u;

using testing::RecordingListener;

SceneObject Build(PrimitiveShape shape) {
  SceneObject object;
  BuildPrimitive(shape, kRed32, object);
  return object;
}

// Every corner is live, carries the colour and its triangle's face normal,
// and the normal points away from `inside(triangle centroid)`.
template <class Inside>
void ExpectClosedOutwardShape(const Mesh& mesh, Inside inside) {
  ASSERT_EQ(mesh.cornerCount % 3, 0u);
  for (uint32_t k = 0; k < mesh.cornerCount; k += 3) {
    const MeshCorner* c = mesh.corners.data() + k;
    ASSERT_LT(std::max({c[0].vertexIndex, c[1].vertexIndex, c[2].vertexIndex}), mesh.vertexCount);
    const Vec3 a = mesh.positions[c[0].vertexIndex];
    const Vec3 b = mesh.positions[c[1].vertexIndex];
    const Vec3 d = mesh.positions[c[2].vertexIndex];
    const Vec3 centroid = (a + b + d) * (1.0f / 3.0f);
    const Vec3 normal = FaceNormal(a, b, d);
    EXPECT_GT(Dot(c[0].normal, centroid - inside(centroid)), 0.0f) << "triangle " << k / 3;
    for (int i = 0; i < 3; ++i) {
      EXPECT_LT(Length(c[i].normal - normal), 1e-5f);
      EXPECT_EQ(c[i].colour, kRed32);
    }
  }
}

TEST(Primitives, EachShapeIsClosedOutwardWithItsCountsSizeAndMaterial) {
  struct Shape {
    PrimitiveShape shape;
    uint32_t vertices, triangles;
    bool painted;
    Vec3 min, max;
  };
  const Shape shapes[] = {
      {PrimitiveShape::kCube, 8, 12, false, {-5, -5, -5}, {5, 5, 5}},
      {PrimitiveShape::kSphere, 242, 480, true, {-5, -5, -5}, {5, 5, 5}},
      {PrimitiveShape::kIcosahedron, 12, 20, true, {-4.4721f, -4.2533f, -5}, {4.4721f, 4.2533f, 5}},
      {PrimitiveShape::kTorus, 400, 800, true, {-5, -5, -1}, {5, 5, 1}}};
  for (const Shape& s : shapes) {
    SceneObject object = Build(s.shape);
    const Mesh& mesh = object.mesh;
    SCOPED_TRACE(PrimitiveCommandName(s.shape));
    EXPECT_EQ(mesh.vertexCount, s.vertices);
    EXPECT_EQ(TriangleCount(mesh), s.triangles);
    EXPECT_EQ(mesh.cornerCount, s.triangles * 3) << "no dead corners left";
    EXPECT_EQ(mesh.positions.length(), s.vertices) << "trimmed";
    EXPECT_TRUE(mesh.painted == s.painted && mesh.colour == kRed32);
    EXPECT_TRUE(mesh.unsavedChange && mesh.unautosavedChange && mesh.unrecordedChange &&
                mesh.renderStale);
    EXPECT_FLOAT_EQ(mesh.scale.x, 1.0f) << "the working size is baked in";
    const BoundingBox box = MeshBounds(const_cast<Mesh&>(mesh));
    testing::ExpectNear(box.min, s.min, 1e-3f);
    testing::ExpectNear(box.max, s.max, 1e-3f);
    if (s.shape == PrimitiveShape::kTorus) {
      // Outward: away from the nearest point of the ring of radius 4.
      ExpectClosedOutwardShape(mesh, [](const Vec3& p) {
        const float r = std::sqrt(p.x * p.x + p.y * p.y);
        return Vec3{p.x / r * 4, p.y / r * 4, 0};
      });
    } else {
      ExpectClosedOutwardShape(mesh, [](const Vec3&) { return Vec3{}; });
      for (uint32_t i = 0; s.painted && i < mesh.vertexCount; ++i)
        EXPECT_NEAR(Length(mesh.positions[i]), 5.0f, 1e-5f);
    }
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

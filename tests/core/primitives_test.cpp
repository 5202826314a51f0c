// Primitive shapes: counts, extents, outward normals, colours and painted
// flags of the four shapes, the sphere's clean-up, selection and history of
// the commands, and the out-of-memory path leaving the document unchanged.
#include "core/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/history.h"
#include "core/primitive_tables.h"

namespace torvane {
namespace {

constexpr ColourF kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Colour32 kRed32 = 0xFFFF0000u;

struct RecordingListener : DocumentListener {
  std::vector<uint32_t> codes;
  void OnDocumentNotify(uint32_t code, uintptr_t, intptr_t) override { codes.push_back(code); }
};

SceneObject Build(PrimitiveShape shape) {
  SceneObject object;
  BuildPrimitive(shape, kRed32, object);
  return object;
}

bool HasVertexNear(const Mesh& mesh, const Vec3& p) {
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    if (Length(mesh.positions[i] - p) < 1e-5f) return true;
  }
  return false;
}

// Every corner is live, carries the colour and its triangle's face normal,
// and the normal points away from `inside(triangle centroid)`.
template <class Inside>
void ExpectClosedOutwardShape(const Mesh& mesh, Inside inside) {
  ASSERT_EQ(mesh.cornerCount % 3, 0u);
  for (uint32_t k = 0; k < mesh.cornerCount; k += 3) {
    const MeshCorner* c = mesh.corners.data() + k;
    ASSERT_LT(c[0].vertexIndex, mesh.vertexCount);
    ASSERT_LT(c[1].vertexIndex, mesh.vertexCount);
    ASSERT_LT(c[2].vertexIndex, mesh.vertexCount);
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

void ExpectPrimitiveMesh(const Mesh& mesh, bool painted) {
  EXPECT_EQ(mesh.painted, painted);
  EXPECT_EQ(mesh.colour, kRed32);
  EXPECT_FLOAT_EQ(mesh.renderAmbient.r, 0.8627451f);
  EXPECT_FLOAT_EQ(mesh.renderDiffuse.g, 0.8627451f);
  EXPECT_FLOAT_EQ(mesh.renderSpecular.b, 0.8627451f);
  EXPECT_FLOAT_EQ(mesh.renderSpecular.a, 1.0f);
  EXPECT_TRUE(mesh.unsavedChange && mesh.unautosavedChange && mesh.unrecordedChange &&
              mesh.renderStale);
  EXPECT_FLOAT_EQ(mesh.scale.x, 1.0f) << "the working size is baked in";
  EXPECT_FLOAT_EQ(mesh.position.z, 0.0f);
}

const Vec3 kOrigin{};

TEST(Primitives, CubeIsTenUnitsAcrossWithUnpaintedCorners) {
  SceneObject cube = Build(PrimitiveShape::kCube);
  Mesh& mesh = cube.mesh;
  EXPECT_EQ(mesh.vertexCount, 8u);
  EXPECT_EQ(TriangleCount(mesh), 12u);
  ExpectPrimitiveMesh(mesh, false);
  const BoundingBox box = MeshBounds(mesh);
  EXPECT_FLOAT_EQ(box.min.x, -5);
  EXPECT_FLOAT_EQ(box.min.y, -5);
  EXPECT_FLOAT_EQ(box.min.z, -5);
  EXPECT_FLOAT_EQ(box.max.x, 5);
  EXPECT_FLOAT_EQ(box.max.y, 5);
  EXPECT_FLOAT_EQ(box.max.z, 5);
  // Vertex bits: 0 is +x, 1 is +z, 2 is +y.
  EXPECT_FLOAT_EQ(mesh.positions[6].x, -5);
  EXPECT_FLOAT_EQ(mesh.positions[6].y, 5);
  EXPECT_FLOAT_EQ(mesh.positions[6].z, 5);
  ExpectClosedOutwardShape(mesh, [](const Vec3&) { return kOrigin; });
  // The first pair faces -Z, the last -Y.
  EXPECT_FLOAT_EQ(mesh.corners[0].normal.z, -1);
  EXPECT_FLOAT_EQ(mesh.corners[33].normal.y, -1);
}

TEST(Primitives, SphereIsOneCleanPartOfRadiusFive) {
  const PrimitiveTable* table = UnitSphereTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->positions.size(), 242u);
  EXPECT_EQ(table->cornerIndices.size(), 1440u);
  EXPECT_EQ(table->cornerCapacity, 1503u);
  EXPECT_EQ(UnitSphereTable(), table) << "built once";

  SceneObject sphere = Build(PrimitiveShape::kSphere);
  Mesh& mesh = sphere.mesh;
  EXPECT_EQ(mesh.vertexCount, 242u);
  EXPECT_EQ(mesh.cornerCount, 1440u) << "no dead corners left";
  EXPECT_EQ(mesh.corners.length(), 1440u);
  EXPECT_EQ(mesh.positions.length(), 242u);
  ExpectPrimitiveMesh(mesh, true);
  for (uint32_t i = 0; i < mesh.vertexCount; ++i)
    EXPECT_NEAR(Length(mesh.positions[i]), 5.0f, 1e-5f);
  EXPECT_TRUE(HasVertexNear(mesh, Vec3{0, 5, 0}));
  EXPECT_TRUE(HasVertexNear(mesh, Vec3{0, -5, 0}));
  // Renumbered in order of first use: the first triangle is (ring 0 segment
  // 0, top pole, ring 0 segment 1).
  EXPECT_EQ(mesh.corners[0].vertexIndex, 0u);
  EXPECT_EQ(mesh.corners[1].vertexIndex, 1u);
  EXPECT_EQ(mesh.corners[2].vertexIndex, 2u);
  EXPECT_FLOAT_EQ(mesh.positions[1].y, 5);
  EXPECT_NEAR(mesh.positions[0].x, 5 * std::sin(3.14159265f / 16), 1e-5f);
  ExpectClosedOutwardShape(mesh, [](const Vec3&) { return kOrigin; });
}

TEST(Primitives, IcosahedronHasItsPolesOnZ) {
  SceneObject ico = Build(PrimitiveShape::kIcosahedron);
  Mesh& mesh = ico.mesh;
  EXPECT_EQ(mesh.vertexCount, 12u);
  EXPECT_EQ(TriangleCount(mesh), 20u);
  ExpectPrimitiveMesh(mesh, true);
  for (uint32_t i = 0; i < mesh.vertexCount; ++i)
    EXPECT_NEAR(Length(mesh.positions[i]), 5.0f, 1e-5f);
  EXPECT_TRUE(HasVertexNear(mesh, Vec3{0, 0, -5}));
  EXPECT_TRUE(HasVertexNear(mesh, Vec3{0, 0, 5}));
  ExpectClosedOutwardShape(mesh, [](const Vec3&) { return kOrigin; });
}

TEST(Primitives, TorusSpansTenAcrossAndTwoDeep) {
  SceneObject torus = Build(PrimitiveShape::kTorus);
  Mesh& mesh = torus.mesh;
  EXPECT_EQ(mesh.vertexCount, 400u);
  EXPECT_EQ(TriangleCount(mesh), 800u);
  ExpectPrimitiveMesh(mesh, true);
  const BoundingBox box = MeshBounds(mesh);
  EXPECT_NEAR(box.min.x, -5, 1e-4f);
  EXPECT_NEAR(box.max.x, 5, 1e-4f);
  EXPECT_NEAR(box.min.y, -5, 1e-2f);  // no ring step lands exactly on +-y
  EXPECT_NEAR(box.max.y, 5, 1e-2f);
  EXPECT_NEAR(box.min.z, -1, 1e-4f);
  EXPECT_NEAR(box.max.z, 1, 1e-4f);
  // Outward: away from the nearest point of the ring of radius 4.
  ExpectClosedOutwardShape(mesh, [](const Vec3& p) {
    const float r = std::sqrt(p.x * p.x + p.y * p.y);
    return Vec3{p.x / r * 4, p.y / r * 4, 0};
  });
}

TEST(Primitives, AddSelectsTheShapeAndIsOneUndoStep) {
  Document doc;
  RecordingListener listener;
  doc.mainWindow = &listener;
  const CommandOutcome first = AddPrimitive(doc, PrimitiveShape::kCube, kRed);
  EXPECT_TRUE(first.changed);
  EXPECT_EQ(first.status, kStatusDone);
  ASSERT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.undoStack.size(), 1u) << "the empty document is recorded too";
  EXPECT_TRUE(doc.forceRecord);
  const SceneObject& cube = *doc.objects[0];
  EXPECT_TRUE(cube.selected);
  EXPECT_TRUE(cube.showBoundingBox);
  EXPECT_EQ(cube.mesh.corners[0].colour, kRed32);

  AddPrimitive(doc, PrimitiveShape::kTorus, kRed);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{1, 2})) << "the earlier selection stays";
  EXPECT_TRUE(doc.objects[0]->primarySelected);
  EXPECT_EQ(doc.undoStack.size(), 2u);
  EXPECT_EQ(doc.objectCount, 2u);
  const std::vector<uint32_t> added{kNotifyObjectAdded};
  std::vector<uint32_t> notified;
  for (uint32_t code : listener.codes) {
    if (code == kNotifyObjectAdded) notified.push_back(code);
  }
  EXPECT_EQ(notified.size(), 2u);

  Undo(doc);
  EXPECT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{1});
  Redo(doc);
  EXPECT_EQ(doc.objects.size(), 2u);
  EXPECT_EQ(TriangleCount(doc.objects[1]->mesh), 800u);
}

TEST(Primitives, AShapeWithoutTrianglesIsNotAdded) {
  Document doc;
  AddPrimitive(doc, PrimitiveShape::kIcosahedron, kRed);
  RecordingListener listener;
  doc.mainWindow = &listener;
  const std::vector<uint32_t> selection = doc.selection;

  SceneObject empty;  // what every generator leaves when memory runs out
  for (PrimitiveShape shape : {PrimitiveShape::kCube, PrimitiveShape::kSphere}) {
    const CommandOutcome outcome = AddPrimitiveObject(doc, shape, empty);
    EXPECT_EQ(outcome.status, kStatusFailed);
    EXPECT_FALSE(outcome.changed);
  }
  EXPECT_EQ(AddPrimitiveObject(doc, PrimitiveShape::kCube, empty).errorText,
            "Torvane is unable to create the Cube object due to there not being enough memory "
            "for the operation.");
  EXPECT_EQ(PrimitiveOutOfMemoryText(PrimitiveShape::kTorus),
            "Torvane is unable to create the Torus object due to there not being enough memory "
            "for the operation.");
  EXPECT_EQ(PrimitiveCommandName(PrimitiveShape::kIcosahedron), "Add Icosahedron");
  EXPECT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.selection, selection);
  EXPECT_TRUE(listener.codes.empty());
}

}  // namespace
}  // namespace torvane

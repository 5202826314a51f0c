// Normals, winding, subdivision and origins: inverting and reversing twice
// restores everything, recalculated normals are face normals, the corner
// order of one subdivided triangle and the neighbour repair that keeps edges free of T-junctions, a
// cancelled or memory-starved Subdivide all, the three origin operations,
// and the commands skipping outline objects and answering the culling hint.
#include "core/mesh_ops.h"

#include <gtest/gtest.h>

#include "core/history.h"
#include "core/split_group.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

// World-space bounds of a mesh as drawn.
BoundingBox DrawnBounds(const Mesh& mesh) {
  const Matrix4 m = MeshTransformMatrix(mesh);
  BoundingBox box{{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    const Vec3 p = TransformPoint(mesh.positions.data()[i], m);
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
  }
  return box;
}

TEST(MeshNormals, InvertAndReverseTwiceRestoreAndRecalculateGivesFaceNormals) {
  const Mesh cube = Cube();
  Mesh m = cube;
  m.corners.MutableData()[3].colour = 0xFF123456u;
  const Mesh coloured = m;
  InvertNormals(m);
  ExpectNear(m.corners.data()[0].normal, {0, 0, 1});
  InvertNormals(m);
  ExpectSameGeometry(m, coloured, "inverted twice");

  ReverseAllTriangles(m);
  // Whole corner records swap.
  EXPECT_TRUE(m.corners.data()[3].vertexIndex == coloured.corners.data()[5].vertexIndex &&
              m.corners.data()[5].colour == 0xFF123456u);
  ReverseAllTriangles(m);
  ExpectSameGeometry(m, coloured, "reversed twice");

  // Smooth normals are replaced by face normals; dead triangles keep theirs.
  MeshCorner* c = m.corners.MutableData();
  for (uint32_t k = 0; k < 36; ++k)
    c[k].normal = {0.577f, 0.577f, 0.577f};
  c[33].vertexIndex = kDeadIndex;
  m.unsavedChange = false;
  RecalculateNormals(m);
  EXPECT_TRUE(m.unsavedChange);
  for (uint32_t k = 0; k < 33; ++k)
    EXPECT_EQ(m.corners.data()[k].normal.x, cube.corners.data()[k].normal.x) << k;
  EXPECT_EQ(m.corners.data()[34].normal.x, 0.577f);
}

// The corner order of one subdivided triangle; whole meshes, the neighbour
// repair and closedness are checked through the element commands and
// torvane-cli.
TEST(Subdivide, TheSingleTriangleShapes) {
  // Into 3: (a, b, g), (b, c, g), (c, a, g) around the centroid. Into 4:
  // midpoints appended ab, bc, ca; (a, mab, mca) then the three new.
  const struct {
    bool into4;
    std::vector<uint32_t> corners;
    Vec3 appended;  // vertex 4 (into 4) or 3 (into 3)
  } kShapes[] = {{false, {0, 1, 3, 1, 2, 3, 2, 0, 3}, {1, 1, 0}},
                 {true, {0, 3, 5, 1, 4, 3, 2, 5, 4, 3, 4, 5}, {1.5f, 1.5f, 0}}};
  for (const auto& shape : kShapes) {
    SCOPED_TRACE(shape.into4);
    Mesh t;
    AppendTriangle(t, {0, 0, 0}, {3, 0, 0}, {0, 3, 0}, 0xFF00FF00u);
    ASSERT_TRUE(shape.into4 ? SubdivideTriangleInto4(t, 0, 1, 2, false)
                            : SubdivideTriangleInto3(t, 0, 1, 2));
    ASSERT_EQ(t.cornerCount, shape.corners.size());
    for (uint32_t k = 0; k < t.cornerCount; ++k)
      EXPECT_EQ(t.corners.data()[k].vertexIndex, shape.corners[k]) << k;
    ExpectNear(t.positions.data()[shape.into4 ? 4 : 3], shape.appended);
    // A triangle with a dead corner is left alone.
    t.corners.MutableData()[0].vertexIndex = kDeadIndex;
    EXPECT_TRUE(SubdivideTriangleInto3(t, 0, 1, 2) && t.cornerCount == shape.corners.size());
  }
}

TEST(Subdivide, CancelKeepsThePartDoneAndMissingMemoryChangesNothing) {
  Mesh m;
  for (int i = 0; i < 200; ++i)
    AppendTriangle(m, {float(i), 0, 0}, {float(i) + 1, 0, 0}, {float(i), 1, 0}, 0xFFFFFFFFu);
  TrimMesh(m);
  const uint32_t triangles = TriangleCount(m);
  CancelAfter cancel(2);  // checks at corners 0 and 30 pass, 60 cancels
  EXPECT_EQ(SubdivideAll(m, Subdivision::kInto3, cancel), kStatusCancelled);
  EXPECT_TRUE(TriangleCount(m) == triangles + 2 * 20 && m.corners.length() == m.cornerCount);

  // 80,000 triangles into 4 needs more than the half megabyte available.
  Mesh big;
  for (int i = 0; i < 80000; ++i) {
    const float x = float(i % 400), y = float(i / 400);
    AppendTriangle(big, {x, y, 0}, {x + 1, y, 0}, {x, y + 1, 0}, 0xFFFFFFFFu);
  }
  TrimMesh(big);
  const Mesh before = big;
  MemoryOverride low(500000);
  NullProgress progress;
  EXPECT_EQ(SubdivideAll(big, Subdivision::kInto4, progress), kStatusFailed);
  ExpectSameGeometry(big, before, "out of memory");
}

TEST(Origins, CentreOnGridAndBothResetsKeepTheObjectWhereItIsDrawn) {
  // Scaled (2, 1, 1) and turned 90 degrees about Z: the drawn box's centre
  // lands on the origin; scale and rotation stay.
  Mesh m = Cube({1, 2, 3}, {3, 4, 7});
  SetScale(m, {2, 1, 1});
  SetRotation(m, {0, 0, 90});
  SetPosition(m, {5, 5, 5});
  CenterOnGridOrigin(m);
  const BoundingBox drawn = DrawnBounds(m);
  ExpectNear(drawn.min + (drawn.max - drawn.min) * 0.5f, {0, 0, 0});

  // Turned about X and Y and moved: nothing moves on screen; the transform
  // becomes the box centre alone (or nothing) and the normals follow the
  // baked turn.
  for (bool grid : {false, true}) {
    SCOPED_TRACE(grid);
    Mesh r = Cube({-1, -1, -1}, {1, 1, 1});
    SetPosition(r, {10, 7, 0});
    SetRotation(r, {90, 45, 0});
    const BoundingBox before = DrawnBounds(r);
    grid ? ResetOriginToGridOrigin(r) : ResetOriginToCentre(r);
    const BoundingBox after = DrawnBounds(r);
    ExpectNear(after.min, before.min);
    ExpectNear(after.max, before.max);
    ExpectNear(r.position, grid ? Vec3{} : Vec3{10, 7, 0});
    ExpectNear(r.corners.data()[0].normal, {0, 1, 0});
  }
}

TEST(MeshOpsCommands, SkipOutlinesAnswerTheHintAndDeselectAfterSubdividing) {
  EXPECT_EQ(CullingHint(0),
            "Faces with their normals pointing inwards will appear black\n"
            "while in the 'Do not cull anything' Backface culling mode");
  EXPECT_EQ(CullingHint(1),
            "Faces with their normals pointing inwards will appear transparent\n"
            "while in the 'Cull backfaces' Backface culling mode");
  EXPECT_TRUE(CullingHint(7) == CullingHint(1) && CullingHint(2).empty());

  Document doc;
  EXPECT_FALSE(InvertNormalsCommand(doc, 0).changed) << "nothing selected";
  SceneObject cube;
  cube.mesh = Cube();
  const uint32_t a = AddObjectCopy(doc, cube);
  cube.outlineShapes.resize(1);
  const uint32_t b = AddObjectCopy(doc, cube);
  SelectById(doc, a);
  SelectById(doc, b);
  const CommandOutcome reversed = ReverseWindingCommand(doc, 1);
  EXPECT_EQ(reversed.statusText, CullingHint(1));
  EXPECT_EQ(FindObject(doc, a)->mesh.corners.data()[0].vertexIndex, 1u);
  EXPECT_EQ(FindObject(doc, b)->mesh.corners.data()[0].vertexIndex, 0u) << "outline skipped";
  ExpectNear(FindObject(doc, a)->mesh.corners.data()[0].normal, {0, 0, 1});

  CancelAfter never(1 << 30);
  const CommandOutcome divided = SubdivideAllCommand(doc, Subdivision::kInto4, never);
  EXPECT_EQ(divided.status, kStatusDone);
  EXPECT_EQ(never.heading, "Subdivide all triangles into 4 each");
  EXPECT_EQ(TriangleCount(FindObject(doc, b)->mesh), 48u) << "subdivision takes outlines too";
  EXPECT_TRUE(!FindObject(doc, a)->selected && doc.selection.empty());
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(TriangleCount(FindObject(doc, a)->mesh), 12u);
}

// A selected object whose geometry is shared with another copy and cannot
// get a private one: each command fails with its own memory message and
// leaves the object as it was.
TEST(MeshOpsCommands, FailedPrivateCopiesReportTheCommandsMemoryMessage) {
  Mesh big;
  for (int i = 0; i < 40000; ++i) {
    const float x = float(i);
    ASSERT_TRUE(AppendTriangle(big, {x, 0, 0}, {x + 0.5f, 1, 0}, {x, 0, 1}, 0xFF102030u));
  }
  SetRotation(big, {0, 30, 0});
  const struct {
    const char* text;
    CommandOutcome (*run)(Document&);
  } kCommands[] = {
      {"Invert Normals", [](Document& d) { return InvertNormalsCommand(d, 2); }},
      {"Recalculate Normals", [](Document& d) { return RecalculateNormalsCommand(d, 2); }},
      {"Reverse Winding Order", [](Document& d) { return ReverseWindingCommand(d, 2); }},
      {"Reset Object Origin to its own Center", &ResetOriginToCentreCommand},
      {"Reset Object Origin to Grid Origin", &ResetOriginToGridOriginCommand},
      {"Group Objects", &GroupObjectsCommand},
  };
  for (const auto& command : kCommands) {
    Document doc;
    uint32_t id = kNoObjectId;
    for (int copy = 0; copy < 2; ++copy)  // Group takes two
      id = AddSelectedMesh(doc, big);
    CommandOutcome outcome;
    {
      MemoryOverride low(1000);
      outcome = command.run(doc);
    }
    EXPECT_EQ(outcome.status, kStatusFailed) << command.text;
    EXPECT_EQ(outcome.errorText,
              std::string(command.text) + ": Not enough memory to complete the operation");
    ExpectSameGeometry(FindObject(doc, id)->mesh, big, command.text);
  }
}

}  // namespace
}  // namespace torvane

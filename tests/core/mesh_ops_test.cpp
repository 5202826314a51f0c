// Mesh operations and element edits. Normals, winding, subdivision and
// origins: inverting and reversing twice restores everything, recalculated
// normals are face normals, the corner order of one subdivided triangle, a
// cancelled or memory-starved Subdivide all, the three origin operations,
// and the commands skipping outline objects and answering the culling hint.
// Element editing on a closed cube and on fans: collapses merge at the
// right point and keep the surface closed, Delete vertex fills rings of
// every size with the fan's winding, Remove leaves dead corners that
// nothing counts, Reverse twice is exact, Duplicate walls only the
// selection's border, the splits (with the neighbour repair) keep the
// surface closed, Apply color asks for a colour first, and every command is
// one undo step.
// Duplicate removal: the hashed vertex merge gives the classes of the
// pairwise rule (positions around the 2^-23 tolerance across cell
// boundaries of either size, chains that do not merge through, dead
// corners, coordinates at the edges of the float range), triangle removal
// keeps the first of every cyclic repeat, cancellation and exhausted memory
// leave the mesh unchanged, and the command's totals, texts and history step.
#include "core/mesh_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/apply_colour.h"
#include "core/duplicate_removal.h"
#include "core/element_edit.h"
#include "core/history.h"
#include "core/live_triangles.h"
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

// A triangle record of triangle t, or (first >= 0) an edge record of its
// edge from corner `first` on, as picking makes them.
SelectionRecord Picked(const Mesh& mesh, uint32_t t, int first = -1) {
  SelectionRecord r;
  r.elementType = first < 0 ? kSelectTriangle : kSelectEdge;
  for (uint32_t i = 0; i < 3; ++i) {
    r.indices[i] = mesh.corners.data()[t * 3 + (first < 0 ? i : (first + i) % 3)].vertexIndex;
    r.indices[3 + i] = t * 3 + i;
  }
  if (first >= 0) r.indices[2] = kDeadIndex;
  return r;
}

using Pick = SelectionRecord (*)(const Mesh&);

SceneObject CubeWith(std::vector<Pick> picks) {
  SceneObject o;
  o.mesh = Cube();
  o.selected = true;
  for (auto pick : picks)
    PushSelectionRecord(o.selectionRecords, pick(o.mesh));
  return o;
}

// Cube triangle 0 is (0, 2, 1) and triangle 1 (0, 3, 2): the bottom face,
// sharing the diagonal 0-2; triangles 4 (0, 1, 5) and 6 (1, 2, 6) share an
// edge with triangle 0; five triangles meet at vertex 0.
const Pick Triangle0 = [](const Mesh& m) { return Picked(m, 0); };
const Pick Triangle1 = [](const Mesh& m) { return Picked(m, 1); };
const Pick Diagonal = [](const Mesh& m) { return Picked(m, 0, 0); };
const Pick Vertex0 = [](const Mesh&) {
  SelectionRecord r;
  r.elementType = kSelectVertex;
  r.indices[0] = 0;
  return r;
};

TEST(ElementEdit, CollapsesMergeAtTheRightPointAndKeepTheCubeClosed) {
  const struct {
    std::vector<Pick> picks;
    uint32_t live;
    Vec3 merged;  // where vertex 0 ends
  } cases[] = {{{Triangle0}, 8, {2.0f / 3, 1.0f / 3, 0}},
               {{Diagonal}, 10, {0.5f, 0.5f, 0}},
               // Triangle 1 goes first (the newest record); triangle 0's
               // record then still names vertex 2, merged away but in place.
               {{Triangle0, Triangle1}, 6, {7.0f / 9, 5.0f / 9, 0}},
               {{Vertex0}, 10, {0, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.live);
    SceneObject o = CubeWith(c.picks);
    CollapseObjectElements(o);
    EXPECT_EQ(LiveTriangleCount(o.mesh), c.live);
    ExpectNear(o.mesh.positions.data()[0], c.merged);
    EXPECT_TRUE(IsClosed(o.mesh) && !(o.selected || !o.selectionRecords.empty()));
  }

  // A whole-object record deletes; an outline holder loses its outline and
  // keeps its mesh.
  SceneObject o = CubeWith({});
  o.id = 7;
  SelectObject(o);
  CollapseObjectElements(o);
  EXPECT_EQ(o.id, kNoObjectId);
  o = CubeWith({Triangle0});
  o.outlineShapes.resize(1);
  CollapseObjectElements(o);
  EXPECT_TRUE(o.outlineShapes.empty() && LiveTriangleCount(o.mesh) == 12);
}

// A pyramid over a regular n-gon (apex n, up) with a flat bottom cap around
// a centre (n + 1): closed and outward wound.
Mesh Pyramid(int n, bool capped) {
  Mesh m;
  std::vector<Vec3> ring;
  for (int i = 0; i < n; ++i)
    ring.push_back({std::cos(6.2831853f * i / n), 0, std::sin(6.2831853f * i / n)});
  const Vec3 apex{0, 1, 0}, centre{0, 0, 0};
  for (const Vec3& p : ring)
    AppendVertex(m, p);
  AppendVertex(m, apex);
  AppendVertex(m, centre);
  for (int i = 0; i < n; ++i) {
    AppendTriangle(m, apex, ring[(i + 1) % n], ring[i], 0);
    if (capped) AppendTriangle(m, centre, ring[i], ring[(i + 1) % n], 0);
  }
  return m;
}

TEST(ElementEdit, DeleteVertexFillsRingsOfThreeToNineWithTheFansWinding) {
  for (int n = 3; n <= 9; ++n) {
    // Closed, the apex's closed fan alone, and an open fan (its first
    // triangle gone: the apex on a border).
    for (int variant = 0; variant < 3; ++variant) {
      SCOPED_TRACE(::testing::Message() << n << " variant " << variant);
      Mesh m = Pyramid(n, variant == 0);
      if (variant == 2) m.corners.MutableData()[0].vertexIndex = kDeadIndex;
      DeleteVertex(m, uint32_t(n));
      // The fill covers the n-gon with n - 2 triangles facing up, as the fan
      // did (the cap faces down).
      uint32_t up = 0;
      float area = 0;
      for (uint32_t k = 0; k < m.cornerCount; k += 3) {
        const MeshCorner* t = m.corners.data() + k;
        if (IsDeadCorner(t[0])) continue;
        EXPECT_NE(t[0].vertexIndex, uint32_t(n));
        const Vec3* p = m.positions.data();
        const Vec3 e1 = p[t[1].vertexIndex] - p[t[0].vertexIndex];
        const Vec3 e2 = p[t[2].vertexIndex] - p[t[0].vertexIndex];
        const float twice = e1.z * e2.x - e1.x * e2.z;  // signed, seen from above
        if (twice <= 0) continue;
        ++up;
        area += twice / 2;
        EXPECT_GT(t[0].normal.y, 0.99f);
      }
      EXPECT_EQ(up, uint32_t(n - 2));
      EXPECT_NEAR(area, 0.5f * float(n) * std::sin(6.2831853f / float(n)), 1e-4f);
      EXPECT_TRUE(variant != 0 || IsClosed(m));
    }
  }
}

TEST(ElementEdit, RemoveLeavesDeadCornersThatNothingCountsAndReverseTwiceRestores) {
  Document doc;
  AddObjectCopy(doc, CubeWith({Triangle0, Triangle1}));
  SceneObject& o = *doc.objects.back();
  AddToSelection(doc, o.id);
  ASSERT_EQ(RunElementEdit(doc, ElementEdit::kRemove).status, kStatusDone);
  EXPECT_EQ(o.mesh.cornerCount, 36u) << "dead corners stay until compacted";
  EXPECT_EQ(LiveTriangleCount(o.mesh), 10u);
  EXPECT_TRUE(doc.selection.empty()) << "the object left the selection";
  // Removing the rest: nothing counted, the transform reset.
  SetPosition(o.mesh, {1, 2, 3});
  o.selected = true;
  AddToSelection(doc, o.id);
  for (uint32_t t = 2; t < 12; ++t)
    PushSelectionRecord(o.selectionRecords, Picked(o.mesh, t));
  RunElementEdit(doc, ElementEdit::kRemove);
  EXPECT_EQ(doc.objectCount, 0u);
  ExpectNear(o.mesh.position, {0, 0, 0});

  SceneObject r = CubeWith({Triangle0});
  const Mesh before = r.mesh;
  ReverseObjectElements(r);
  EXPECT_EQ(r.mesh.corners.data()[0].vertexIndex, before.corners.data()[2].vertexIndex);
  ExpectNear(r.mesh.corners.data()[1].normal, before.corners.data()[1].normal * -1.0f);
  PushSelectionRecord(r.selectionRecords, Picked(r.mesh, 0));
  ReverseObjectElements(r);
  ExpectSameGeometry(r.mesh, before, "reversed twice");
}

TEST(ElementEdit, DuplicateWallsOnlyTheSelectionsBorderAndReusesVertices) {
  const struct {
    std::vector<Pick> picks;
    uint32_t vertices, triangles;
  } cases[] = {{{Triangle0}, 3, 1 + 6}, {{Triangle0, Triangle1}, 4, 2 + 8}, {{Diagonal}, 2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.triangles);
    SceneObject o = CubeWith(c.picks);
    ASSERT_TRUE(DuplicateObjectElements(o));
    EXPECT_TRUE(o.mesh.vertexCount == 8 + c.vertices && TriangleCount(o.mesh) == 12 + c.triangles);
    ExpectNear(o.mesh.nudge, {0, 0, -1});
    ASSERT_EQ(o.selectionRecords.size(), c.picks.size()) << "the duplicates are selected";
    for (const SelectionRecord& r : o.selectionRecords)
      for (int i = 0; i < (r.elementType == kSelectEdge ? 2 : 3); ++i)
        EXPECT_NEAR(o.mesh.positions[r.indices[i]].z, -0.0015f, 1e-7f);
  }
  // Two sheets of 200 triangles 0.0015 apart: the lower one's duplicates
  // reuse every vertex of the upper one.
  SceneObject sheets;
  for (float z : {0.0f, kDuplicateOffset}) {
    for (float x = 0; x < 10; ++x) {
      for (float y = 0; y < 10; ++y) {
        AppendTriangle(sheets.mesh, {x, y, z}, {x + 1, y, z}, {x + 1, y + 1, z}, 0xFF000000u);
        AppendTriangle(sheets.mesh, {x, y, z}, {x + 1, y + 1, z}, {x, y + 1, z}, 0xFF000000u);
      }
    }
  }
  const uint32_t vertices = sheets.mesh.vertexCount;
  for (uint32_t t = 0; t < 200; ++t)
    PushSelectionRecord(sheets.selectionRecords, Picked(sheets.mesh, t));
  ASSERT_TRUE(DuplicateObjectElements(sheets));
  EXPECT_EQ(sheets.mesh.vertexCount, vertices);
  EXPECT_EQ(TriangleCount(sheets.mesh), 400u + 200 + 40 * 2) << "walls along the border only";
}

TEST(ElementEdit, SplitsKeepTheCubeClosed) {
  SceneObject o = CubeWith({Diagonal});
  ASSERT_TRUE(SubdivideObjectLines(o));
  EXPECT_EQ(TriangleCount(o.mesh), 14u) << "two triangles became four";
  EXPECT_TRUE(IsClosed(o.mesh));
  // Into 4 repairs the three neighbours of a lone triangle, but not one that
  // is subdivided itself.
  const struct {
    Subdivision kind;
    std::vector<Pick> picks;
    uint32_t triangles;
  } cases[] = {{Subdivision::kInto3, {Triangle0}, 14},
               {Subdivision::kInto4, {Triangle0}, 18},
               {Subdivision::kInto4, {Triangle0, Triangle1}, 12 + 6 + 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.triangles);
    o = CubeWith(c.picks);
    ASSERT_TRUE(SubdivideObjectTriangles(o, c.kind));
    EXPECT_TRUE(TriangleCount(o.mesh) == c.triangles && IsClosed(o.mesh));
  }
}

TEST(ElementEdit, EachCommandIsOneUndoStepAndNeedsASelection) {
  for (int edit = 0; edit <= int(ElementEdit::kSubdivideInto4); ++edit) {
    SCOPED_TRACE(edit);
    Document doc;
    AddObjectCopy(doc, CubeWith({Triangle0, Diagonal, Vertex0}));
    SceneObject& o = *doc.objects.back();
    o.selected = false;
    EXPECT_FALSE(RunElementEdit(doc, ElementEdit(edit)).changed) << "nothing selected";
    EXPECT_FALSE(CanUndo(doc));
    const Mesh before = o.mesh;
    o.selected = true;
    AddToSelection(doc, o.id);
    doc.outlineObjectId = 1;
    doc.forceRecord = true;  // as a pick leaves it
    ASSERT_TRUE(RunElementEdit(doc, ElementEdit(edit)).changed);
    const bool clears = edit == int(ElementEdit::kCollapse) || edit == int(ElementEdit::kDuplicate);
    EXPECT_EQ(doc.outlineObjectId, clears ? kNoObjectId : 1u);
    ASSERT_TRUE(Undo(doc).changed);
    ExpectSameGeometry(doc.objects.back()->mesh, before, "undone");
    EXPECT_FALSE(CanUndo(doc)) << "one step";
  }
}

TEST(ElementEdit, ApplyColourAsksForAColourFirstAndPaintsPickedTrianglesOnly) {
  Document doc;
  RecordingListener listener;
  doc.mainWindow = &listener;
  AddObjectCopy(doc, CubeWith({Triangle1, Diagonal}));
  AddToSelection(doc, doc.objects.back()->id);
  doc.forceRecord = true;
  EXPECT_FALSE(ApplyColourCommand(doc).changed);
  EXPECT_EQ(listener.codes, (std::vector<uint32_t>{kNotifyAskPaintColour}));
  EXPECT_FALSE(CanUndo(doc)) << "nothing happens without a colour";

  doc.colourChosen = true;
  doc.currentColour = {1, 0, 0, 1};
  EXPECT_TRUE(ApplyColourCommand(doc).changed);
  const Mesh& mesh = doc.objects.back()->mesh;
  for (uint32_t k = 0; k < 36; ++k)
    EXPECT_EQ(mesh.corners.data()[k].colour, k / 3 == 1 ? 0xFFFF0000u : 0xFF808080u) << k;
  EXPECT_TRUE(CanUndo(doc));
}

// Each vertex merges into the lowest earlier representative (a vertex that
// merged into nothing) equal to it; the survivors keep their order. Every
// point set runs with triangles of short edges (the finest cells) and with
// every vertex in a triangle with two far points (cells of 4096), so each
// pair straddles cell boundaries at either size. A last triangle of a dead
// corner, an index past the vertices and vertex 0 checks the renumbering.
TEST(RemoveDuplicateVertices, MergesIntoTheLowestEqualRepresentativeAtEveryCellSize) {
  const float t = kPositionTolerance, nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity(), big = std::numeric_limits<float>::max();
  const float tiny = std::numeric_limits<float>::denorm_min();
  const Vec3 q = Vec3{1, 1, 1} * (0.4f * t);
  const struct {
    const char* what;
    std::vector<Vec3> points;
    std::vector<uint32_t> merged;  // the new index of every point
  } kCases[] = {
      // clang-format off
      {"chains do not merge through", {{0, 0, 0}, {0.9f * t, 0, 0}, {1.8f * t, 0, 0}}, {0, 0, 1}},
      {"at the tolerance, not a float beyond", {{}, {0, t, 0}, {0, std::nextafter(t, 1.0f), 0}},
       {0, 0, 1}},
      // Equal to two representatives in the cells either side of 0.
      {"the lowest equal one wins", {{-0.6f * t, 0, 0}, {0.6f * t, 0, 0}, {}}, {0, 1, 0}},
      {"from well inside a cell", {{-0.3f * t, 0, 0}, {0.6f * t, 0, 0}, {0, 0, 5}}, {0, 0, 1}},
      {"across a cell corner", {-q, q, {0.3f * t, -0.6f * t, 0}}, {0, 0, 0}},
      // Cell numbers far from the origin are never narrowed to integers.
      {"far from the origin", {{1e30f, 0, 0}, {1e30f, 0, 0}, {-1e30f, 0, 0}, {3e38f, -3e38f, 0},
       {3e38f, -3e38f, 0}, {}, {0.5f * t, 0, 0}}, {0, 0, 1, 2, 2, 3, 3}},
      {"not-a-number and infinities equal nothing, not even themselves",
       {{nan, 0, 0}, {nan, 0, 0}, {inf, 1, 1}, {inf, 1, 1}, {-0.0f, 0, -0.0f}, {}},
       {0, 1, 2, 3, 4, 4}},
      {"denormals and the largest floats",
       {{tiny, 0, 0}, {-tiny, 0, 0}, {big, big, big}, {big, big, big}, {-big, 0, 0}},
       {0, 0, 1, 1, 2}},
      // clang-format on
  };
  NullProgress progress;
  for (const auto& c : kCases) {
    for (bool coarse : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.what << (coarse ? ", coarse cells" : ""));
      std::vector<Vec3> points = c.points;
      std::vector<uint32_t> merged = c.merged, indices;
      const uint32_t n = uint32_t(points.size());
      const uint32_t kept = *std::max_element(merged.begin(), merged.end()) + 1;
      if (coarse) {
        points.insert(points.end(), {{4096, 0, 0}, {0, 4096, 0}});
        merged.insert(merged.end(), {kept, kept + 1});
      }
      for (uint32_t i = 0; i < n; ++i)
        indices.insert(indices.end(), {i, coarse ? n : (i + 1) % n, coarse ? n + 1 : (i + 2) % n});
      indices.insert(indices.end(), {kDeadIndex, 99, 0});
      Mesh m = MeshOf(points, indices);
      uint64_t total = 5;
      ASSERT_EQ(RemoveDuplicateVertices(m, progress, total), kStatusDone);
      EXPECT_EQ(total, 5 + n - kept);
      ASSERT_EQ(m.vertexCount, kept + (coarse ? 2 : 0));
      for (uint32_t k = 0; k < m.cornerCount; ++k)
        EXPECT_EQ(m.corners[k].vertexIndex,
                  indices[k] < points.size() ? merged[indices[k]] : indices[k]);
      for (uint32_t i = 0; i < points.size(); ++i) {  // each survivor is its class's first point
        EXPECT_TRUE(std::count(merged.begin(), merged.begin() + i, merged[i]) > 0 ||
                    SameBits(&m.positions[merged[i]], &points[i], sizeof(Vec3)))
            << i;
      }
    }
  }

  // The soup cube: 28 merged, dead corners stay dead, the flags set; with
  // nothing left to merge the mesh is not touched.
  Mesh cube = SoupCube();
  MeshCorner* c = cube.corners.MutableData();
  c[33].vertexIndex = c[34].vertexIndex = c[35].vertexIndex = kDeadIndex;
  uint64_t total = 0;
  EXPECT_TRUE(RemoveDuplicateVertices(cube, progress, total) == kStatusDone && total == 28u);
  EXPECT_TRUE(cube.positions.length() == 8u && cube.corners.data()[35].vertexIndex == kDeadIndex);
  EXPECT_TRUE(cube.unsavedChange && cube.unrecordedChange && cube.renderStale);
  cube.unsavedChange = false;
  EXPECT_TRUE(RemoveDuplicateVertices(cube, progress, total) == kStatusDone && total == 28u);
  EXPECT_FALSE(cube.unsavedChange);
}

// Corner k of the input carries colour k, so the kept corners name
// themselves.
TEST(RemoveDuplicateTriangles, KeepsTheFirstOfEveryCyclicRepeat) {
  constexpr uint32_t D = kDeadIndex;
  const struct {
    const char* what;
    std::vector<uint32_t> indices, kept;  // kept: the input's corner numbers
  } kCases[] = {
      {"rotations", {0, 1, 2, 1, 2, 0, 2, 0, 1}, {0, 1, 2}},
      {"the other winding stays", {0, 1, 2, 0, 2, 1}, {0, 1, 2, 3, 4, 5}},
      {"a later copy goes", {0, 1, 2, 3, 1, 2, 2, 0, 1}, {0, 1, 2, 3, 4, 5}},
      {"dead corners compare as indices", {D, 1, 2, 1, 2, D, D, D, D, D, D, D}, {0, 1, 2, 6, 7, 8}},
      {"corners past the last triangle stay", {0, 1, 2, 0, 1, 2, 0}, {0, 1, 2, 6}},
  };
  const std::vector<Vec3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  NullProgress progress;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Mesh m = MeshOf(points, c.indices);
    uint64_t total = 5;
    ASSERT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusDone);
    EXPECT_EQ(total, 5 + (c.indices.size() - c.kept.size()) / 3);
    ASSERT_EQ(m.cornerCount, c.kept.size());
    for (size_t k = 0; k < c.kept.size(); ++k) {
      EXPECT_EQ(m.corners.data()[k].colour, 0xFF000000u | c.kept[k]) << k;
      EXPECT_EQ(m.corners.data()[k].vertexIndex, c.indices[c.kept[k]]) << k;
    }
  }
  // Every triple over four vertices, twice: 24 cyclic classes of 128.
  std::vector<uint32_t> all;
  for (uint32_t t = 0; t < 128; ++t)
    all.insert(all.end(), {t % 4, t / 4 % 4, t / 16 % 4});
  Mesh m = MeshOf(points, all);
  uint64_t total = 0;
  ASSERT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusDone);
  EXPECT_EQ(total, 128u - 24u);
  EXPECT_EQ(m.corners.data()[3].colour, 0xFF000003u) << "(1, 0, 0) is no repeat of (0, 0, 0)";
}

TEST(DuplicateRemoval, CancelAndExhaustedMemoryLeaveTheMeshUnchanged) {
  // 300,000 corners over 1000 repeated vertex numbers: plenty to merge and
  // to remove.
  std::vector<Vec3> points(300000);
  std::vector<uint32_t> indices(300000);
  for (uint32_t i = 0; i < 300000; ++i) {
    points[i] = {float(i % 1000), float(i / 1000 % 2), 0};
    indices[i] = i % 1000;
  }
  const Mesh big = MeshOf(points, indices);
  for (int after : {0, 1, 3}) {
    Mesh m = big;
    m.unsavedChange = false;
    CancelAfter cancel(after), cancelTriangles(after);
    uint64_t total = 0;
    EXPECT_EQ(RemoveDuplicateVertices(m, cancel, total), kStatusCancelled) << after;
    EXPECT_EQ(RemoveDuplicateTriangles(m, cancelTriangles, total), kStatusCancelled) << after;
    EXPECT_TRUE(total == 0 && !m.unsavedChange);
    ExpectSameGeometry(m, big, "cancelled");
  }
  // Half a megabyte available: the 1.2 MB working arrays are refused.
  Mesh m = big;
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, big);
  MemoryOverride low(500000);
  NullProgress progress;
  uint64_t total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(m, progress, total), kStatusFailed);
  EXPECT_TRUE(RemoveDuplicateTriangles(m, progress, total) == kStatusFailed && total == 0u);
  ExpectSameGeometry(m, big, "out of memory");
  // The commands fail with their own memory message and change nothing.
  EXPECT_EQ(RemoveDuplicateVerticesCommand(doc, progress).errorText,
            "Remove duplicate vertices: Not enough memory to complete the operation");
  EXPECT_EQ(RemoveDuplicateTrianglesCommand(doc, progress).errorText,
            "Remove duplicate triangles: Not enough memory to complete the operation");
  ExpectSameGeometry(FindObject(doc, id)->mesh, big, "commands out of memory");
}

TEST(DuplicateRemovalCommand, TotalsOverSelectedObjectsWithTextsAndHistory) {
  Document doc;
  const uint32_t a = AddSelectedMesh(doc, SoupCube());
  const uint32_t b = AddObjectCopy(doc, ChangedObject(SoupCube({2, 0, 0}, {3, 1, 1})));
  AddSelectedMesh(doc, SoupCube({5, 0, 0}, {6, 1, 1}));
  CancelAfter never(1 << 30);
  CommandOutcome vertices = RemoveDuplicateVerticesCommand(doc, never);
  EXPECT_EQ(vertices.status, kStatusDone);
  EXPECT_EQ(vertices.statusText,
            "Removed a total of 56 duplicated vertices from the selected objects.");
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 8u);
  EXPECT_EQ(FindObject(doc, b)->mesh.vertexCount, 36u) << "not selected";
  EXPECT_TRUE(CanUndo(doc));

  CommandOutcome triangles = RemoveDuplicateTrianglesCommand(doc, never);
  EXPECT_EQ(triangles.statusText,
            "There were no duplicated triangles to remove from the selected objects.");
  EXPECT_FALSE(triangles.changed);
  CommandOutcome again = RemoveDuplicateVerticesCommand(doc, never);
  EXPECT_EQ(again.statusText,
            "There were no duplicated vertices to remove from the selected objects.");
  // The triangle run found nothing but still recorded the merged state.
  Undo(doc);
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 8u);
  Undo(doc);
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 36u);
  EXPECT_FALSE(CanUndo(doc));
}

}  // namespace
}  // namespace torvane

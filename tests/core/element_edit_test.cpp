// Element editing on a closed cube and on fans: collapses keep the surface
// closed and merge at the right points, Delete vertex fills rings of every
// size with consistently wound triangles, Remove leaves dead corners that
// nothing counts, Reverse twice is exact, Duplicate builds walls only along
// the selection's border, the splits keep the surface closed, and every
// command is one undo step.
#include "core/element_edit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "core/apply_colour.h"
#include "core/history.h"
#include "core/live_triangles.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::ExpectNear;
using testing::ExpectSameGeometry;
using testing::MakeIndexedCube;

SelectionRecord TriangleRecord(const Mesh& mesh, uint32_t t) {
  SelectionRecord r;
  r.elementType = kSelectTriangle;
  for (uint32_t i = 0; i < 3; ++i) {
    r.indices[i] = mesh.corners.data()[t * 3 + i].vertexIndex;
    r.indices[3 + i] = t * 3 + i;
  }
  return r;
}

SelectionRecord EdgeRecord(const Mesh& mesh, uint32_t t, int first) {
  SelectionRecord r = TriangleRecord(mesh, t);
  r.elementType = kSelectEdge;
  const auto v = r.indices;
  r.indices[0] = v[first];
  r.indices[1] = v[(first + 1) % 3];
  r.indices[2] = kDeadIndex;
  return r;
}

SelectionRecord VertexRecord(uint32_t v) {
  SelectionRecord r;
  r.elementType = kSelectVertex;
  r.indices[0] = v;
  return r;
}

// Every live directed edge appears once and is met by its reverse once: a
// closed surface whose triangles agree on their winding.
::testing::AssertionResult IsClosed(const Mesh& mesh) {
  std::map<std::pair<uint32_t, uint32_t>, int> edges;
  for (uint32_t k = 0; k + 2 < mesh.cornerCount; k += 3) {
    const MeshCorner* t = mesh.corners.data() + k;
    if (IsDeadCorner(t[0]) || IsDeadCorner(t[1]) || IsDeadCorner(t[2])) continue;
    for (int i = 0; i < 3; ++i)
      ++edges[{t[i].vertexIndex, t[(i + 1) % 3].vertexIndex}];
  }
  for (const auto& [edge, count] : edges) {
    const auto back = edges.find({edge.second, edge.first});
    if (count != 1 || back == edges.end() || back->second != 1) {
      return ::testing::AssertionFailure()
             << "edge " << edge.first << "-" << edge.second << " used " << count << " times";
    }
  }
  return ::testing::AssertionSuccess();
}

bool Differs(const Mesh& a, const Mesh& b) {
  if (a.vertexCount != b.vertexCount || a.cornerCount != b.cornerCount) return true;
  for (uint32_t k = 0; k < a.cornerCount; ++k) {
    const MeshCorner &x = a.corners.data()[k], &y = b.corners.data()[k];
    if (x.vertexIndex != y.vertexIndex || !PositionsEqual(x.normal, y.normal)) return true;
  }
  for (uint32_t i = 0; i < a.vertexCount; ++i) {
    if (!PositionsEqual(a.positions.data()[i], b.positions.data()[i])) return true;
  }
  return false;
}

SceneObject CubeObject() {
  SceneObject o;
  o.mesh = MakeIndexedCube();
  o.selected = true;
  return o;
}

TEST(ElementEdit, CollapsesMergeAtTheRightPointAndKeepTheCubeClosed) {
  // Cube triangle 0 is (0, 2, 1); triangles 1 (0, 3, 2), 4 (0, 1, 5) and 6
  // (1, 2, 6) share two of its vertices.
  SceneObject o = CubeObject();
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 0));
  CollapseObjectElements(o);
  EXPECT_EQ(LiveTriangleCount(o.mesh), 8u);
  for (uint32_t t : {0u, 1u, 4u, 6u})
    EXPECT_TRUE(IsDeadCorner(o.mesh.corners.data()[t * 3])) << t;
  ExpectNear(o.mesh.positions.data()[0], {2.0f / 3, 1.0f / 3, 0});
  EXPECT_TRUE(IsClosed(o.mesh));
  EXPECT_FALSE(o.selected);
  EXPECT_TRUE(o.selectionRecords.empty());

  // The diagonal (0, 2) of the bottom face: its two triangles go and the
  // merged vertex sits at the diagonal's midpoint.
  o = CubeObject();
  PushSelectionRecord(o.selectionRecords, EdgeRecord(o.mesh, 0, 0));
  CollapseObjectElements(o);
  EXPECT_EQ(LiveTriangleCount(o.mesh), 10u);
  ExpectNear(o.mesh.positions.data()[0], {0.5f, 0.5f, 0});
  EXPECT_TRUE(IsClosed(o.mesh));

  // The whole bottom face (both its triangles): its four corners end as
  // one vertex and the rest of the cube stays closed around it.
  o = CubeObject();
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 0));
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 1));
  CollapseObjectElements(o);
  EXPECT_EQ(LiveTriangleCount(o.mesh), 6u);
  EXPECT_TRUE(IsClosed(o.mesh));

  // A cube corner: five triangles meet at vertex 0; three fill the hole.
  o = CubeObject();
  PushSelectionRecord(o.selectionRecords, VertexRecord(0));
  CollapseObjectElements(o);
  EXPECT_EQ(LiveTriangleCount(o.mesh), 10u);
  EXPECT_TRUE(IsClosed(o.mesh));
}

TEST(ElementEdit, CollapsingEverythingResetsTheTransformAndWholeRecordsDelete) {
  SceneObject o = CubeObject();
  SetPosition(o.mesh, {3, 4, 5});
  SetScale(o.mesh, {2, 2, 2});
  for (uint32_t t = 0; t < 12; ++t)
    PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, t));
  CollapseObjectElements(o);
  EXPECT_FALSE(HasLiveTriangle(o.mesh));
  ExpectNear(o.mesh.position, {0, 0, 0});
  ExpectNear(o.mesh.scale, {1, 1, 1});

  o = CubeObject();
  o.id = 7;
  SelectObject(o);
  CollapseObjectElements(o);
  EXPECT_EQ(o.id, kNoObjectId);
  EXPECT_EQ(o.mesh.cornerCount, 0u);

  // An outline holder loses its outline and keeps its mesh.
  o = CubeObject();
  o.outlineShapes.resize(1);
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 0));
  CollapseObjectElements(o);
  EXPECT_TRUE(o.outlineShapes.empty());
  EXPECT_EQ(LiveTriangleCount(o.mesh), 12u);
}

// A pyramid over a regular n-gon (apex up, vertex n) with a flat bottom cap
// around a centre (vertex n + 1): closed, outward wound. Without the cap,
// the apex's fan is the whole open mesh.
Mesh Pyramid(int n, bool capped) {
  Mesh m;
  for (int i = 0; i < n; ++i) {
    const float a = 6.2831853f * float(i) / float(n);
    AppendVertex(m, {std::cos(a), 0, std::sin(a)});
  }
  AppendVertex(m, {0, 1, 0});
  AppendVertex(m, {0, 0, 0});
  m.corners.ResizeDiscard(size_t(n) * 6);
  for (int i = 0; i < n; ++i) {
    const uint32_t r = uint32_t(i), s = uint32_t((i + 1) % n), apex = uint32_t(n);
    m.corners[m.cornerCount++] = {apex, {}, 0xFF000000u};
    m.corners[m.cornerCount++] = {s, {}, 0xFF000000u};
    m.corners[m.cornerCount++] = {r, {}, 0xFF000000u};
    if (!capped) continue;
    m.corners[m.cornerCount++] = {uint32_t(n + 1), {}, 0xFF000000u};
    m.corners[m.cornerCount++] = {r, {}, 0xFF000000u};
    m.corners[m.cornerCount++] = {s, {}, 0xFF000000u};
  }
  return m;
}

TEST(ElementEdit, DeleteVertexFillsRingsOfThreeToNineWithTheFansWinding) {
  for (int n = 3; n <= 9; ++n) {
    // Closed, a closed fan alone, and an open fan (its first triangle gone:
    // the apex on a border).
    for (int variant = 0; variant < 3; ++variant) {
      SCOPED_TRACE(::testing::Message() << n << " variant " << variant);
      const bool capped = variant == 0;
      Mesh m = Pyramid(n, capped);
      if (variant == 2) {
        MeshCorner* c = m.corners.MutableData();
        c[0].vertexIndex = c[1].vertexIndex = c[2].vertexIndex = kDeadIndex;
      }
      if (capped) {
        ASSERT_TRUE(IsClosed(m));
      }
      DeleteVertex(m, uint32_t(n));
      // The fill covers the n-gon: n - 2 triangles of its whole area, all
      // facing up as the apex's fan did (the bottom cap faces down).
      uint32_t up = 0;
      float area = 0;
      for (uint32_t k = 0; k < m.cornerCount; k += 3) {
        const MeshCorner* t = m.corners.data() + k;
        if (IsDeadCorner(t[0])) continue;
        EXPECT_NE(t[0].vertexIndex, uint32_t(n)) << "the apex is unreferenced";
        const Vec3* p = m.positions.data();
        const Vec3 e1 = p[t[1].vertexIndex] - p[t[0].vertexIndex];
        const Vec3 e2 = p[t[2].vertexIndex] - p[t[0].vertexIndex];
        const float y = e1.z * e2.x - e1.x * e2.z;  // twice the signed area seen from above
        if (y > 0) {
          ++up;
          area += y / 2;
          EXPECT_GT(t[0].normal.y, 0.99f);
        }
      }
      EXPECT_EQ(up, uint32_t(n - 2));
      EXPECT_NEAR(area, 0.5f * float(n) * std::sin(6.2831853f / float(n)), 1e-4f);
      EXPECT_EQ(LiveTriangleCount(m), uint32_t(capped ? 2 * n - 2 : n - 2));
      if (capped) {
        EXPECT_TRUE(IsClosed(m));
      }
    }
  }
}

TEST(ElementEdit, RemoveLeavesDeadCornersThatNothingCounts) {
  Document doc;
  SceneObject cube = CubeObject();
  const uint32_t id = AddObjectCopy(doc, cube);
  SceneObject& o = *doc.objects.back();
  AddToSelection(doc, id);
  o.selected = true;
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 0));
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 1));
  ASSERT_EQ(RunElementEdit(doc, ElementEdit::kRemove).status, kStatusDone);
  EXPECT_EQ(o.mesh.cornerCount, 36u) << "dead corners stay until compacted";
  EXPECT_EQ(LiveTriangleCount(o.mesh), 10u);
  EXPECT_EQ(o.mesh.vertexCount, 8u) << "vertices stay";
  EXPECT_TRUE(doc.selection.empty()) << "the object left the selection";
  EXPECT_FALSE(o.selected);

  // Removing the rest: no live triangle, no object counted, the transform reset.
  SetPosition(o.mesh, {1, 2, 3});
  o.selected = true;
  AddToSelection(doc, id);
  for (uint32_t t = 2; t < 12; ++t)
    PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, t));
  RunElementEdit(doc, ElementEdit::kRemove);
  EXPECT_FALSE(HasLiveTriangle(o.mesh));
  EXPECT_EQ(doc.objectCount, 0u);
  EXPECT_FALSE(AnyWithTriangles(doc));
  ExpectNear(o.mesh.position, {0, 0, 0});
}

TEST(ElementEdit, ReverseTwiceRestoresAndOnceFlipsTheNormal) {
  SceneObject o = CubeObject();
  const Mesh before = o.mesh;
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 2));
  ReverseObjectElements(o);
  EXPECT_TRUE(o.selectionRecords.empty());
  EXPECT_EQ(o.mesh.corners.data()[6].vertexIndex, before.corners.data()[8].vertexIndex);
  ExpectNear(o.mesh.corners.data()[7].normal, before.corners.data()[7].normal * -1.0f);
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 2));
  ReverseObjectElements(o);
  ExpectSameGeometry(o.mesh, before, "reversed twice");
}

TEST(ElementEdit, DuplicateBuildsWallsAlongTheSelectionsBorderOnly) {
  struct Case {
    std::vector<uint32_t> triangles;
    uint32_t vertices, triangleCount;
  };
  // Cube triangles 0 and 1 make the bottom face (sharing the diagonal 0-2).
  const Case cases[] = {{{0}, 3, 1 + 6}, {{0, 1}, 4, 2 + 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.triangles.size());
    SceneObject o = CubeObject();
    for (uint32_t t : c.triangles)
      PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, t));
    ASSERT_TRUE(DuplicateObjectElements(o));
    EXPECT_EQ(o.mesh.vertexCount, 8 + c.vertices);
    EXPECT_EQ(TriangleCount(o.mesh), 12 + c.triangleCount);
    ASSERT_EQ(o.selectionRecords.size(), c.triangles.size()) << "the duplicates are selected";
    ExpectNear(o.mesh.nudge, {0, 0, -1});
    for (const SelectionRecord& r : o.selectionRecords) {
      EXPECT_GE(r.indices[3], 36u);
      for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(o.mesh.positions.data()[r.indices[i]].z, -0.0015f, 1e-7f);
    }
  }

  // Two stacked sheets of 200 triangles, 0.0015 apart: the lower sheet's
  // duplicates reuse every vertex of the upper one.
  SceneObject sheets;
  for (float z : {0.0f, kDuplicateOffset}) {
    for (int i = 0; i < 10; ++i) {
      for (int j = 0; j < 10; ++j) {
        const float x = float(i), y = float(j);
        AppendTriangle(sheets.mesh, {x, y, z}, {x + 1, y, z}, {x + 1, y + 1, z}, 0xFF000000u);
        AppendTriangle(sheets.mesh, {x, y, z}, {x + 1, y + 1, z}, {x, y + 1, z}, 0xFF000000u);
      }
    }
  }
  const uint32_t sheetVertices = sheets.mesh.vertexCount;
  for (uint32_t t = 0; t < 200; ++t)
    PushSelectionRecord(sheets.selectionRecords, TriangleRecord(sheets.mesh, t));
  ASSERT_TRUE(DuplicateObjectElements(sheets));
  EXPECT_EQ(sheets.mesh.vertexCount, sheetVertices);
  EXPECT_EQ(TriangleCount(sheets.mesh), 400u + 200 + 40 * 2) << "walls along the border only";

  // An edge: two vertices and a strip; the record moves to the new edge.
  SceneObject o = CubeObject();
  PushSelectionRecord(o.selectionRecords, EdgeRecord(o.mesh, 0, 0));
  ASSERT_TRUE(DuplicateObjectElements(o));
  EXPECT_EQ(o.mesh.vertexCount, 10u);
  EXPECT_EQ(TriangleCount(o.mesh), 14u);
  ASSERT_EQ(o.selectionRecords.size(), 1u);
  EXPECT_EQ(o.selectionRecords.front().indices[0], 8u);
  EXPECT_EQ(o.selectionRecords.front().indices[1], 9u);
}

TEST(ElementEdit, SplitsKeepTheCubeClosed) {
  // Subdivide line on the diagonal shared by triangles 0 and 1.
  SceneObject o = CubeObject();
  PushSelectionRecord(o.selectionRecords, EdgeRecord(o.mesh, 0, 0));
  ASSERT_TRUE(SubdivideObjectLines(o));
  EXPECT_EQ(TriangleCount(o.mesh), 14u) << "two triangles became four";
  EXPECT_EQ(o.mesh.vertexCount, 9u);
  ExpectNear(o.mesh.positions.data()[8], {0.5f, 0.5f, 0});
  EXPECT_TRUE(IsClosed(o.mesh));
  EXPECT_FALSE(o.selected);

  struct Case {
    Subdivision kind;
    std::vector<uint32_t> triangles;
    uint32_t expected;
  };
  // Into 4 repairs the three neighbours of a lone triangle (+3 +3), but not
  // a neighbour that is subdivided itself.
  const Case cases[] = {{Subdivision::kInto3, {0}, 14},
                        {Subdivision::kInto4, {0}, 18},
                        {Subdivision::kInto4, {0, 1}, 12 + 6 + 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    o = CubeObject();
    for (uint32_t t : c.triangles)
      PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, t));
    ASSERT_TRUE(SubdivideObjectTriangles(o, c.kind));
    EXPECT_EQ(TriangleCount(o.mesh), c.expected);
    EXPECT_TRUE(IsClosed(o.mesh));
  }
}

TEST(ElementEdit, EachCommandIsOneUndoStepAndNeedsASelection) {
  const ElementEdit edits[] = {ElementEdit::kReverse,        ElementEdit::kCollapse,
                               ElementEdit::kRemove,         ElementEdit::kDuplicate,
                               ElementEdit::kSubdivideLines, ElementEdit::kSubdivideInto3,
                               ElementEdit::kSubdivideInto4};
  for (ElementEdit edit : edits) {
    SCOPED_TRACE(int(edit));
    Document doc;
    SceneObject cube = CubeObject();
    cube.selected = false;
    AddObjectCopy(doc, cube);
    EXPECT_FALSE(RunElementEdit(doc, edit).changed) << "nothing selected";
    EXPECT_FALSE(CanUndo(doc));

    SceneObject& o = *doc.objects.back();
    const Mesh before = o.mesh;
    o.selected = true;
    AddToSelection(doc, o.id);
    PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 0));
    PushSelectionRecord(o.selectionRecords, EdgeRecord(o.mesh, 4, 0));
    PushSelectionRecord(o.selectionRecords, VertexRecord(6));
    doc.outlineObjectId = 1;
    doc.forceRecord = true;  // as a pick leaves it
    ASSERT_TRUE(RunElementEdit(doc, edit).changed);
    EXPECT_TRUE(Differs(doc.objects.back()->mesh, before));
    const bool clearsOutline = edit == ElementEdit::kCollapse || edit == ElementEdit::kDuplicate;
    EXPECT_EQ(doc.outlineObjectId, clearsOutline ? kNoObjectId : 1u);
    ASSERT_TRUE(Undo(doc).changed);
    ExpectSameGeometry(doc.objects.back()->mesh, before, "undone");
    EXPECT_FALSE(CanUndo(doc)) << "one step";
  }
}

TEST(ElementEdit, ApplyColourAsksForAColourFirstAndPaintsPickedTrianglesOnly) {
  Document doc;
  testing::RecordingListener listener;
  doc.mainWindow = &listener;
  AddObjectCopy(doc, CubeObject());
  SceneObject& o = *doc.objects.back();
  o.selected = true;
  AddToSelection(doc, o.id);
  PushSelectionRecord(o.selectionRecords, TriangleRecord(o.mesh, 3));
  PushSelectionRecord(o.selectionRecords, EdgeRecord(o.mesh, 0, 0));
  doc.forceRecord = true;
  EXPECT_FALSE(ApplyColourCommand(doc).changed);
  EXPECT_EQ(listener.codes, (std::vector<uint32_t>{kNotifyAskPaintColour}));
  EXPECT_FALSE(CanUndo(doc)) << "nothing happens without a colour";

  doc.colourChosen = true;
  doc.currentColour = {1, 0, 0, 1};
  EXPECT_TRUE(ApplyColourCommand(doc).changed);
  for (uint32_t k = 0; k < 36; ++k) {
    const bool picked = k >= 9 && k < 12;
    EXPECT_EQ(o.mesh.corners.data()[k].colour, picked ? 0xFFFF0000u : 0xFF808080u) << k;
  }
  EXPECT_TRUE(o.mesh.painted);
  EXPECT_TRUE(CanUndo(doc));
}

}  // namespace
}  // namespace torvane

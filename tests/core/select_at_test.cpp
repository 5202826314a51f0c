// The selection step of a click: deselecting on empty space and keeping the
// selection with a modifier, re-clicking the selected object, toggling
// elements (also an edge hit from its other triangle), faces as their
// triangles, and the history entry each hitting click records so that one
// Undo reverses a click and the move that follows it.
#include "core/select_at.h"

#include <gtest/gtest.h>

#include "core/gather_face.h"
#include "core/history.h"
#include "core/move_elements.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

// Two unit cubes side by side along x (ids 1 and 2), nothing recorded yet.
void TwoCubes(Document& doc) {
  for (float x : {0.0f, 3.0f})
    AddObjectCopy(doc, ChangedObject(MakeIndexedCube({x, 0, 0}, {x + 1, 1, 1})));
  ClearRecordedFlags(doc);
}

// Picks straight down at (x, y) in `kind` and applies the click.
ClickResult Click(Document& doc, uint32_t kind, float x, float y, bool keep = false) {
  PickRequest r;
  r.kind = kind;
  r.rayStart = {x, y, 10};
  r.rayEnd = {x, y, -10};
  PickSettings settings;
  PickScene(doc, r, settings);
  return ApplyPickToSelection(doc, r, keep);
}

SceneObject& Object(Document& doc, uint32_t id) {
  return *FindObject(doc, id);
}

TEST(SelectAt, ObjectClicksEmptySpaceAndModifiers) {
  Document doc;
  TwoCubes(doc);
  ClickResult c = Click(doc, kPickObject, 0.5f, 0.5f);
  EXPECT_TRUE(c.hit && c.changed && doc.forceRecord);
  EXPECT_TRUE(Object(doc, 1).primarySelected && Object(doc, 1).showBoundingBox &&
              doc.selection == std::vector<uint32_t>{1});

  // The only selected object again: nothing changes (a drag may follow), but
  // the click still records.
  const size_t entries = doc.undoStack.size();
  c = Click(doc, kPickObject, 0.5f, 0.5f);
  EXPECT_TRUE(c.hit && !c.changed);
  EXPECT_EQ(Object(doc, 1).selectionRecords.size(), 1u) << "no second whole-object record";
  EXPECT_EQ(doc.undoStack.size(), entries + 1);

  // Another object replaces the selection; with a modifier it adds to it.
  Click(doc, kPickObject, 3.5f, 0.5f);
  EXPECT_TRUE(!Object(doc, 1).selected && Object(doc, 1).selectionRecords.empty());
  Click(doc, kPickObject, 0.5f, 0.5f, true);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{2, 1}));
  // Shift on an object that is already selected keeps one record.
  Click(doc, kPickObject, 0.5f, 0.5f, true);
  EXPECT_EQ(Object(doc, 1).selectionRecords.size(), 1u);

  // A cancelled pick is no click on empty space.
  PickRequest cancelled;
  cancelled.cancelled = true;
  ApplyPickToSelection(doc, cancelled, false);
  EXPECT_EQ(SelectedCount(doc), 2u);

  // Empty space with a modifier keeps everything; without, deselects.
  c = Click(doc, kPickObject, 10, 10, true);
  EXPECT_TRUE(!c.hit && SelectedCount(doc) == 2);
  c = Click(doc, kPickObject, 10, 10);
  EXPECT_TRUE(!c.hit && c.changed && doc.selection.empty());
  // Undo brings the selection back.
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(SelectedCount(doc), 2u);

  // Identify changes nothing and records nothing.
  const size_t before = doc.undoStack.size();
  c = Click(doc, kPickIdentify, 3.5f, 0.5f);
  EXPECT_TRUE(c.hit && !c.changed);
  EXPECT_EQ(doc.undoStack.size(), before);
}

TEST(SelectAt, ElementClicksToggleAndFacesGatherTheirTriangles) {
  Document doc;
  TwoCubes(doc);
  // A triangle of the top face; the second click on it deselects it and,
  // with nothing left, the object.
  Click(doc, kPickTriangle, 0.25f, 0.75f);
  SceneObject& cube = Object(doc, 1);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  const SelectionRecord first = cube.selectionRecords.front();
  EXPECT_TRUE(first.elementType == kSelectTriangle && first.distance == 9.0);
  EXPECT_EQ(cube.mesh.corners.data()[first.indices[3]].vertexIndex, first.indices[0]);
  EXPECT_FALSE(cube.showBoundingBox);
  ClickResult c = Click(doc, kPickTriangle, 0.25f, 0.75f);
  EXPECT_TRUE(c.changed && cube.selectionRecords.empty() && !cube.selected &&
              doc.selection.empty());

  // With a modifier, the other top triangle joins and a second click on it
  // removes just that one; without, a click replaces the selection.
  Click(doc, kPickTriangle, 0.25f, 0.75f);
  Click(doc, kPickTriangle, 0.75f, 0.25f, true);
  EXPECT_EQ(cube.selectionRecords.size(), 2u);
  Click(doc, kPickTriangle, 0.75f, 0.25f, true);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_TRUE(cube.selectionRecords.front().indices[3] == first.indices[3] && cube.selected);
  Click(doc, kPickTriangle, 0.75f, 0.25f);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_NE(cube.selectionRecords.front().indices[3], first.indices[3]);

  // Face mode: the top face is its two triangles; a second click removes
  // both.
  Click(doc, kPickFace, 0.25f, 0.75f);
  ASSERT_EQ(cube.selectionRecords.size(), 2u);
  for (const SelectionRecord& r : cube.selectionRecords) {
    EXPECT_EQ(r.elementType, kSelectTriangle);
    for (int k = 0; k < 3; ++k)
      EXPECT_GE(r.indices[k], 4u) << "top face vertices";
  }
  Click(doc, kPickFace, 0.75f, 0.25f, true);
  EXPECT_TRUE(cube.selectionRecords.empty());

  // Edge mode: the top face's diagonal (vertices 4 and 6) belongs to both
  // top triangles, which name it in opposite order; a click on either side
  // of it is the same edge.
  Click(doc, kPickEdge, 0.505f, 0.5f);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_EQ(cube.selectionRecords.front().elementType, kSelectEdge);
  SelectionRecord reversed = cube.selectionRecords.front();
  std::swap(reversed.indices[0], reversed.indices[1]);
  EXPECT_TRUE(SameElement(reversed, cube.selectionRecords.front()));
  Click(doc, kPickEdge, 0.495f, 0.5f, true);
  EXPECT_TRUE(cube.selectionRecords.empty());

  // Vertex mode.
  Click(doc, kPickVertex, 1.01f, 1.01f);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_TRUE(cube.selectionRecords.front().elementType == kSelectVertex &&
              cube.selectionRecords.front().indices[0] == 6);
}

TEST(SelectAt, GatherFaceFollowsSharedEdgesWithEqualNormals) {
  Mesh cube = MakeIndexedCube();
  EXPECT_EQ(GatherFace(cube, 2), (std::vector<uint32_t>{2, 3})) << "the picked triangle first";
  // A 4 x 4 flat grid is one face of 32 triangles; a grid beside it in the
  // same plane but sharing only a corner vertex is not part of it.
  Mesh grid;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const Vec3 a{float(x), float(y), 0}, b{float(x + 1), float(y), 0},
          c{float(x + 1), float(y + 1), 0}, d{float(x), float(y + 1), 0};
      AppendTriangle(grid, a, b, c, 0xFF808080u);
      AppendTriangle(grid, a, c, d, 0xFF808080u);
    }
  }
  AppendTriangle(grid, {4, 4, 0}, {5, 4, 0}, {5, 5, 0}, 0xFF808080u);
  EXPECT_EQ(GatherFace(grid, 5).size(), 32u);
  // A triangle tilted out of the plane stops the walk; a dead triangle is
  // no face.
  grid.positions.MutableData()[0].z = 0.5f;
  MeshCorner* corners = grid.corners.MutableData();
  corners[0].normal = FaceNormal(grid.positions.data()[corners[0].vertexIndex],
                                 grid.positions.data()[corners[1].vertexIndex],
                                 grid.positions.data()[corners[2].vertexIndex]);
  EXPECT_EQ(GatherFace(grid, 5).size(), 31u);
  corners[9].vertexIndex = kDeadIndex;
  EXPECT_TRUE(GatherFace(grid, 3).empty() && GatherFace(grid, 999).empty());
}

TEST(SelectAt, OneUndoReversesAClickAndTheMoveAfterIt) {
  Document doc;
  TwoCubes(doc);
  Click(doc, kPickObject, 0.5f, 0.5f);
  MoveElements(Object(doc, 1), {-2, 0, 0});
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.position.x, 0.0f);
  EXPECT_FALSE(Object(doc, 1).selected) << "the state before the click";

  // Straight after an Undo nothing is pending, yet the click still records,
  // so the next Undo reverses only this click and move.
  Click(doc, kPickObject, 3.5f, 0.5f);
  MoveElements(Object(doc, 2), {0, -1, 0});
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 2).mesh.position.y, 0.0f);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.position.x, 0.0f);

  // An element click marks the move cache stale, so a move after a new pick
  // moves the new element.
  Click(doc, kPickVertex, 1.01f, 1.01f);
  MoveElements(Object(doc, 1), {0, 0, -1});
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[6].z, 2.0f);
  Click(doc, kPickVertex, -0.01f, -0.01f);
  EXPECT_TRUE(Object(doc, 1).moveCacheStale);
  MoveElements(Object(doc, 1), {0, 0, -1});
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[4].z, 2.0f);
  EXPECT_FLOAT_EQ(Object(doc, 1).mesh.positions.data()[6].z, 2.0f);
}

}  // namespace
}  // namespace torvane

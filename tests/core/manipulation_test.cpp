// The drag arithmetic of moving, rotating and scaling the selection.
#include "core/manipulation.h"

#include <gtest/gtest.h>

#include "core/document.h"
#include "core/scene_object.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

SceneObject& AddSelectedCube(Document& doc) {
  SceneObject& added = *FindObject(doc, testing::AddSelectedMesh(doc, testing::MakeIndexedCube()));
  added.mesh.renderStale = false;
  return added;
}

using testing::ExpectNear;

TEST(Manipulation, ThresholdAndLocks) {
  EXPECT_FALSE(BeyondDragThreshold(100, 100, 105, 95)) << "a 5-pixel wobble is no drag";
  EXPECT_TRUE(BeyondDragThreshold(100, 100, 106, 100));
  EXPECT_TRUE(BeyondDragThreshold(100, 100, 100, 94));

  // Locked axes are dropped; the 2D views also drop their viewing axis.
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 1, {false, false, false}), {1, 2, 0});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 2, {false, false, false}), {0, 2, 3});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 3, {false, true, false}), {1, 0, 3});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 1, {true, false, false}), {0, 2, 0});
  ExpectNear(ApplyAxisLocks({1, 2, 3}, {false, true, true}), {1, 0, 0});
}

TEST(Manipulation, MovingAnObjectChangesItsTransformNotItsRenderArrays) {
  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  SceneObject object;
  object.mesh = testing::MakeIndexedCube();
  AddObjectCopy(doc, object);  // not selected: stays

  EXPECT_TRUE(MoveSelection(doc, {1, -2, 0.5f}));
  ExpectNear(cube.mesh.position, {-1, 2, -0.5f});
  EXPECT_FLOAT_EQ(cube.worldMatrix.m[12], -1.0f) << "the world matrix follows";
  EXPECT_TRUE(cube.mesh.unrecordedChange && cube.mesh.unsavedChange);
  EXPECT_FALSE(cube.mesh.renderStale) << "a drag step must not rebuild the render arrays";
  ExpectNear(doc.objects[1]->mesh.position, {0, 0, 0});
}

TEST(Manipulation, ScaleStepsCompoundAndRefuseTooSmall) {
  EXPECT_FLOAT_EQ(DragScaleFactor(110, 100), 1.1f) << "dragging up enlarges";
  EXPECT_FLOAT_EQ(DragScaleFactor(100, 110), 0.9f);

  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  EXPECT_TRUE(ScaleSelection(doc, 1.1f));
  EXPECT_TRUE(ScaleSelection(doc, 1.1f));
  EXPECT_NEAR(cube.mesh.scale.x, 1.21f, 1e-5f);
  EXPECT_FLOAT_EQ(cube.worldMatrix.m[0], cube.mesh.scale.x);

  cube.mesh.scale = {0.006f, 1.0f, 1.0f};
  EXPECT_FALSE(ScaleSelection(doc, 0.5f)) << "0.003 is below the smallest scale";
  ExpectNear(cube.mesh.scale, {0.006f, 1, 1}, 0);
  EXPECT_TRUE(ScaleSelection(doc, 2.0f)) << "the drag goes on afterwards";
}

TEST(Manipulation, DragRotationComposesAndStaysWithinAFullTurn) {
  ExpectNear(DragRotationIncrements({1, 2, 3}, {false, false, false}), {1, 4, -1});
  ExpectNear(DragRotationIncrements({1, 2, 3}, {false, true, false}), {1, 0, -1});

  // Single-axis turns add up; the result is brought into 0..360.
  ExpectNear(ComposeRotation({0, 0, 0}, {30, 0, 0}), {30, 0, 0});
  ExpectNear(ComposeRotation({350, 0, 0}, {20, 0, 0}), {10, 0, 0}, 2e-3f);
  ExpectNear(ComposeRotation({10, 0, 0}, {-20, 0, 0}), {350, 0, 0}, 2e-3f);
  ExpectNear(ComposeRotation({0, 0, 40}, {0, 0, 5}), {0, 0, 45}, 2e-3f);

  // A combined turn: the extracted angles rebuild the same matrix.
  const Vec3 angles = ComposeRotation({20, 30, 40}, {5, -10, 15});
  const Matrix4 expected = Multiply(RotationMatrix({20, 30, 40}), RotationMatrix({5, -10, 15}));
  const Matrix4 rebuilt = RotationMatrix(angles);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(rebuilt.m[i], expected.m[i], 1e-4f) << i;
  for (float a : {angles.x, angles.y, angles.z}) {
    EXPECT_GE(a, 0.0f);
    EXPECT_LE(a, 360.0f);
  }

  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  EXPECT_TRUE(RotateSelectionByDrag(doc, {0, 60, 0}));
  ExpectNear(cube.mesh.rotation, {0, 60, 0}, 2e-3f);
  EXPECT_FALSE(cube.mesh.renderStale);

  // The 2D views turn about X by vertical and about Y by horizontal motion,
  // without wrapping.
  cube.mesh.rotation = {0, 0, 0};
  EXPECT_TRUE(RotateSelection2D(doc, 100, 100, 90, 110));
  ExpectNear(cube.mesh.rotation, {4, -2, 0});
  cube.mesh.rotation = {1, 359, 0};
  RotateSelection2D(doc, 80, 100, 100, 110);
  ExpectNear(cube.mesh.rotation, {5, 363, 0});
}

}  // namespace
}  // namespace torvane

// Copy buffer: copy in object mode only, paste placement along the copied
// object's rotated Z extent, the selection after a paste, objects with 2D
// outlines, cut, and the history steps around them.
#include "core/copy_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/history.h"
#include "core/primitives.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

constexpr ColourF kGrey{0.5f, 0.5f, 0.5f, 1.0f};

// A document with one selected cube (id 1), placed and turned as given.
void AddCube(Document& doc, const Vec3& position = {}, const Vec3& rotation = {}) {
  AddPrimitive(doc, PrimitiveShape::kCube, kGrey);
  SceneObject& cube = *doc.objects.back();
  SetPosition(cube.mesh, position);
  SetRotation(cube.mesh, rotation);
  UpdateWorldMatrix(cube);
}

TEST(CopyBuffer, PastePlacesTheCopyOneDepthAlongItsOwnZAxis) {
  Document doc;
  AddCube(doc, Vec3{1, 2, 3});
  CopySelected(doc);
  ASSERT_EQ(doc.copyBuffer.size(), 1u);
  EXPECT_TRUE(doc.copyBuffer[0]->mesh.positions.SharesStorageWith(doc.objects[0]->mesh.positions));
  EXPECT_TRUE(PasteFromCopyBuffer(doc).changed);
  ASSERT_EQ(doc.objects.size(), 2u);
  const SceneObject& copy = *doc.objects[1];
  EXPECT_EQ(copy.id, 2u);
  ExpectNear(copy.mesh.position, Vec3{1, 2, 13});
  EXPECT_FLOAT_EQ(copy.worldMatrix(3, 2), 13.0f) << "world matrix follows the new position";
  EXPECT_TRUE(doc.haveChanges && doc.forceRecord);

  // The copy is the selection now; the original is not in it any more.
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{2});
  EXPECT_TRUE(copy.selected && copy.primarySelected && copy.showBoundingBox);
  EXPECT_TRUE(!copy.selectionRecords.empty() && copy.selectionRecords.front().ownerId == 2);
  EXPECT_TRUE(!doc.objects[0]->selected && doc.objects[0]->selectionRecords.empty());

  // Turned 90 degrees about X, the object's Z axis points along -Y; the scale
  // is not part of the offset.
  Document turned;
  AddCube(turned, Vec3{}, Vec3{90, 0, 0});
  SetScale(turned.objects[0]->mesh, Vec3{3, 3, 3});
  CopySelected(turned);
  PasteFromCopyBuffer(turned);
  ExpectNear(turned.objects[1]->mesh.position, Vec3{0, -10, 0});
  EXPECT_FLOAT_EQ(turned.objects[1]->mesh.rotation.x, 90.0f);

  // Paste is one history step.
  Undo(turned);
  EXPECT_TRUE(turned.objects.size() == 1 && turned.selection == std::vector<uint32_t>{1});
}

TEST(CopyBuffer, PastingTwiceAndFromSeveralObjects) {
  Document doc;
  AddCube(doc);
  AddCube(doc, Vec3{20, 0, 0});
  ASSERT_EQ(doc.selection, (std::vector<uint32_t>{1, 2}));
  CopySelected(doc);
  ASSERT_EQ(doc.copyBuffer.size(), 2u);
  EXPECT_EQ(doc.copyBuffer[0]->id, 2u) << "newest copy first";

  // Changing an original after copying leaves the buffer's copy alone.
  doc.objects[0]->mesh.positions.MutableData()[0] = Vec3{99, 99, 99};
  PasteFromCopyBuffer(doc);
  PasteFromCopyBuffer(doc);
  ASSERT_EQ(doc.objects.size(), 6u);
  EXPECT_FLOAT_EQ(doc.objects[3]->mesh.positions[0].x, -5.0f) << "copy of the first cube";
  ExpectNear(doc.objects[2]->mesh.position, Vec3{20, 0, 10});
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{5, 6})) << "only the latest paste is selected";
}

TEST(CopyBuffer, OnlyInObjectModeAndCutDeletesAfterCopying) {
  Document doc;
  AddCube(doc);
  CopySelected(doc);
  AddCube(doc, Vec3{0, 30, 0});

  // Face mode: copy keeps the earlier buffer, paste does nothing.
  SetSelectionMode(doc, kSelectionModeFace);
  CopySelected(doc);
  EXPECT_EQ(doc.copyBuffer.size(), 1u);
  EXPECT_FALSE(CanPaste(doc) || PasteFromCopyBuffer(doc).changed || CutSelected(doc).changed);
  EXPECT_TRUE(IsLive(*doc.objects[1]));

  SetSelectionMode(doc, kSelectionModeObject);
  DeselectAll(doc);
  SelectObject(*doc.objects[1]);
  AddToSelection(doc, 2);
  EXPECT_TRUE(CutSelected(doc).changed);
  ASSERT_EQ(doc.copyBuffer.size(), 1u);
  EXPECT_EQ(doc.copyBuffer[0]->id, 2u);
  EXPECT_EQ(TriangleCount(doc.copyBuffer[0]->mesh), 12u) << "the buffer keeps the geometry";
  EXPECT_TRUE(!IsLive(*doc.objects[1]) && doc.selection.empty());

  PasteFromCopyBuffer(doc);
  ASSERT_EQ(doc.objects.size(), 3u);
  EXPECT_EQ(doc.objects[2]->id, 2u) << "the cut object's id is free again";
  ExpectNear(doc.objects[2]->mesh.position, Vec3{0, 30, 10});

  Undo(doc);  // the paste
  Undo(doc);  // the cut
  EXPECT_EQ(TriangleCount(doc.objects[1]->mesh), 12u);
}

TEST(CopyBuffer, OutlinesStayWithTheirObject) {
  Document doc;
  AddCube(doc);
  SceneObject& drawn = *doc.objects[0];
  drawn.outlineShapes.push_back(OutlineShape{});
  drawn.pickFlag = true;
  CopySelected(doc);
  const SceneObject& copy = *doc.copyBuffer.at(0);
  EXPECT_TRUE(copy.outlineShapes.empty() && !copy.selected && !copy.pickFlag);
  EXPECT_TRUE(drawn.outlineShapes.size() == 1 && drawn.selected) << "the original is untouched";

  // With an outline object selected, the selection is kept and the pasted
  // (unselected) copy stays out of it.
  PasteFromCopyBuffer(doc);
  EXPECT_TRUE(doc.objects.size() == 2 && doc.selection == std::vector<uint32_t>{1});

  // Without one, the pasted copy is selected and carries its own record.
  DeselectAll(doc);
  PasteFromCopyBuffer(doc);
  const SceneObject& third = *doc.objects.at(2);
  EXPECT_TRUE(third.selectionRecords.size() == 1 && third.selectionRecords.front().ownerId == 3);
}

}  // namespace
}  // namespace torvane

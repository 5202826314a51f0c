// 3DS reading (objects, points, faces, keyframer positions) and writing
// (the 16-bit split); damaged files are in the broken corpus.

#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

// Little-endian values and chunks (id, length including the header, body).
template <class T>
std::string Le(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(T));
}
std::string U16(uint16_t v) {
  return Le(v);
}
std::string Chunk(uint16_t id, const std::string& body) {
  return U16(id) + Le(uint32_t(6 + body.size())) + body;
}

std::string Points(std::initializer_list<Vec3> points) {
  std::string body = U16(static_cast<uint16_t>(points.size()));
  for (const Vec3& p : points)
    body += Le(p.x) + Le(p.y) + Le(p.z);
  return Chunk(0x4110, body);
}

std::string Faces(std::initializer_list<uint16_t> corners) {
  std::string body = U16(static_cast<uint16_t>(corners.size() / 3));
  int i = 0;
  for (uint16_t c : corners) {
    body += U16(c);
    if (++i % 3 == 0) body += U16(7);
  }
  return Chunk(0x4120, body);
}

std::string NamedObject(const std::string& name, const std::string& triangleObject) {
  return Chunk(0x4000, name + std::string(1, '\0') + Chunk(0x4100, triangleObject));
}

std::string Node(const std::string& name, Vec3 position) {
  const std::string header =
      Chunk(0xB010, name + std::string(1, '\0') + U16(0) + U16(0) + U16(0xFFFF));
  // Track: flags, two reserved words, one key with the tension bit set.
  const std::string track =
      Chunk(0xB020, U16(0) + std::string(8, '\0') + Le(1u) + Le(0u) + U16(1) + Le(9.0f) +
                        Le(position.x) + Le(position.y) + Le(position.z));
  return Chunk(0xB002, header + track);
}

TEST(TdsRead, ObjectsPointsFacesAndKeyframerPositions) {
  const std::string editor = Chunk(
      0x3D3D, Chunk(0x0001, "xx") +
                  NamedObject("Box", Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + Faces({0, 1, 2})) +
                  NamedObject("Box", Points({{5, 5, 5}, {6, 5, 5}, {5, 6, 5}, {6, 6, 5}}) +
                                         Faces({0, 1, 2, 1, 3, 2})) +
                  Chunk(0x4000, std::string("Light") + '\0' + Chunk(0x4600, "....")));
  const std::string keyframer = Chunk(0xB000, Node("Box", {7, 8, 9}) + Node("Nobody", {1, 1, 1}));
  const std::string file = Chunk(0x4D4D, Chunk(0x0002, Le(3u)) + editor + keyframer);
  const ImportedModel model = Loaded(Read3ds, file);
  EXPECT_EQ(model.fileType, kFileType3ds);
  ASSERT_EQ(model.meshes.size(), 3u);
  const ImportedMesh& first = model.meshes.front();
  const ImportedMesh& second = *std::next(model.meshes.begin());
  EXPECT_EQ(first.metadata.GetOr("ObjectName", ""), "Box");
  ASSERT_EQ(first.positions.length(), 3u);
  EXPECT_FLOAT_EQ(first.positions[1].x, 1.0f);
  EXPECT_EQ(first.indices.length(), 3u);
  // Two objects of one name: the keyframer position goes to the first.
  EXPECT_FLOAT_EQ(first.position.x, 7.0f);
  EXPECT_FLOAT_EQ(first.position.z, 9.0f);
  EXPECT_FLOAT_EQ(second.position.x, 0.0f);
  EXPECT_EQ(second.indices.length(), 6u);
  EXPECT_EQ(second.indices[4], 3u);
  EXPECT_TRUE(model.meshes.back().positions.empty());  // the light
}

TEST(TdsWrite, LargeMeshesAreSplitIntoPartsOfUnsharedTriangles) {
  // 30000 triangles of their own corners, the indices reversed, so parts
  // must follow the indices.
  ImportedModel model;
  ImportedMesh& mesh = AppendMesh(model);
  mesh.positions.ResizeDiscard(90000);
  mesh.indices.ResizeDiscard(90000);
  for (uint32_t i = 0; i < 90000; ++i) {
    mesh.positions.MutableData()[i] = {static_cast<float>(i), static_cast<float>(i % 7), 0.0f};
    mesh.indices.MutableData()[i] = 90000 - 1 - i;
  }
  const ImportedModel back = Loaded(Read3ds, Written(Write3ds, model, "big.3ds"));
  ASSERT_EQ(back.meshes.size(), 2u);
  const ImportedMesh& first = back.meshes.front();
  const ImportedMesh& second = back.meshes.back();
  EXPECT_EQ(first.metadata.GetOr("ObjectName", ""), "Object 0");
  EXPECT_EQ(second.metadata.GetOr("ObjectName", ""), "Object 1");
  EXPECT_EQ(first.indices.length(), 21845u * 3);
  EXPECT_EQ(second.indices.length(), 8155u * 3);
  EXPECT_EQ(first.positions.length(), 21845u * 3);
  EXPECT_EQ(second.indices[7], 7u);
  // Corner 0 of the original points at its last position.
  EXPECT_FLOAT_EQ(first.positions[0].x, 89999.0f);
  EXPECT_FLOAT_EQ(second.positions[0].x, static_cast<float>(90000 - 1 - 21845 * 3));
}

}  // namespace
}  // namespace torvane

// PLY reading (ASCII and both binary orders, property types and roles,
// colour modes, fans, element order) and writing; damaged files are in the
// broken corpus.

#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

ImportedModel Load(const std::string& bytes) {
  return Loaded(ReadPly, bytes);
}

// Binary values in either byte order.
class Bytes {
 public:
  explicit Bytes(bool bigEndian) : big_(bigEndian) {}
  template <class T>
  Bytes& Put(T value) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &value, sizeof(T));
    if (big_) std::reverse(b, b + sizeof(T));
    text.append(reinterpret_cast<char*>(b), sizeof(T));
    return *this;
  }
  std::string text;

 private:
  bool big_;
};

TEST(PlyRead, AsciiColoursCommentsFansAndIgnoredElements) {
  const ImportedModel model = Load(
      "ply\r\n  format ascii 1.0\r\ncomment made by hand\r\ncomment \xC3\xA9t\xC3\xA9\r\n"
      "element vertex 5\r\nproperty float x\r\nproperty float y\r\nproperty float z\r\n"
      "property uchar red\r\nproperty uchar green\r\nproperty uchar blue\r\nproperty int32 "
      "extra\r\n"
      "element face 2\r\nproperty list uchar int vertex_indices\r\n"
      "element edge 1\r\nproperty int vertex1\r\nproperty int vertex2\r\n"
      "end_header\r\n"
      "0 0 0 255 0 0 7\r\n1 0 0 0 255 0 7\r\n1 1 0 0 0 255 7\r\n0 1 0 1 2 3 7\r\n\r\n"
      "0.5 2 0 300 0 0 7\r\n"
      "3 0 1 2\r\n5 0 1 2 3 4\r\nnot an edge\r\n");

  EXPECT_EQ(model.fileType, kFileTypePly);
  EXPECT_EQ(model.properties.GetOr("Comment1", ""), "made by hand");
  EXPECT_EQ(model.properties.GetOr("Comment2", ""), "\xC3\xA9t\xC3\xA9");
  const ImportedMesh& mesh = model.meshes.front();
  ASSERT_EQ(mesh.positions.length(), 5u);
  EXPECT_FLOAT_EQ(mesh.positions[4].x, 0.5f);
  EXPECT_EQ(Values(mesh.indices), (std::vector<uint32_t>{0, 1, 2, 0, 1, 2, 2, 3, 0, 3, 4, 0}));
  // Per vertex; 300 keeps its low byte.
  EXPECT_EQ(Values(mesh.colours), (std::vector<Colour32>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                                         0xFF010203u, 0xFF2C0000u}));
}

TEST(PlyRead, BinaryOrdersSizedNamesAndSkippedProperties) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Bytes body(big);
    for (int i = 0; i < 4; ++i) {
      body.Put<float>(static_cast<float>(i)).Put<float>(2.0f * i).Put<double>(-1.5);
      body.Put<float>(99.0f);  // nx: skipped
      body.Put<uint8_t>(static_cast<uint8_t>(10 * i));
    }
    body.Put<uint8_t>(4).Put<int32_t>(0).Put<int32_t>(1).Put<int32_t>(2).Put<int32_t>(3);
    body.Put<uint16_t>(0x1234).Put<float>(0.5f);  // face colour channels
    const std::string header =
        std::string("ply\nformat ") + (big ? "binary_big_endian" : "binary_little_endian") +
        " 1.0\nelement vertex 4\nproperty float32 x\nproperty float y\nproperty float64 z\n"
        "property float nx\nproperty uint8 alpha\nelement face 1\n"
        "property list uint8 int32 vertex_indices\nproperty ushort red\nproperty float green\n"
        "end_header\n";
    const ImportedModel loaded = Load(header + body.text);
    const ImportedMesh& mesh = loaded.meshes.front();
    ASSERT_EQ(mesh.positions.length(), 4u);
    EXPECT_TRUE(Near(mesh.positions[3], {3, 6, -1.5f}, 0));
    EXPECT_EQ(Values(mesh.indices), (std::vector<uint32_t>{0, 1, 2, 2, 3, 0}));
    // Face colours win over vertex colours; every fanned corner has one.
    // Red 0x1234 -> 0x34, green 0.5 -> 128.
    EXPECT_EQ(Values(mesh.colours), std::vector<Colour32>(6, 0xFF348000u));
  }
}

// Elements are read in header order, skipping unknown ones; in ASCII an
// unknown property type is consumed as one token (in binary it has no
// size: ply_unknown_type_binary.ply of the broken corpus fails).
TEST(PlyRead, ElementsInHeaderOrderAndUnknownTypesInAscii) {
  const ImportedMesh mesh =
      Load(
          "ply\nformat ascii 1.0\nelement material 2\nproperty uchar r\n"
          "element face 1\nproperty list uchar int vertex_indices\n"
          "element vertex 3\nproperty float x\nproperty vec3 odd\nproperty float y\n"
          "property float z\nend_header\n7\n8\n3 2 1 0\n0 skip 0 0\n1 skip 0 0\n0 skip 1 0\n")
          .meshes.front();
  EXPECT_EQ(Values(mesh.indices), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_FLOAT_EQ(mesh.positions[1].x, 1.0f);
  EXPECT_FLOAT_EQ(mesh.positions[2].y, 1.0f);
  const ImportedModel empty =
      Load("ply\nformat ascii 1.0\nelement vertex 0\nelement face 0\nend_header\n");
  ASSERT_EQ(empty.meshes.size(), 1u);
  EXPECT_TRUE(empty.meshes.front().positions.empty());
}

ImportedModel ColouredQuad() {
  ImportedModel model;
  model.properties.Set("Author", "me\nand you");
  model.properties.Set("Model:unit", "mm");
  model.properties.Set("TVXiFileType", "7");
  const Colour32 a = 0x80102030u, b = 0xFF405060u;
  AppendMeshOf(model, {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 3}}, {0, 1, 2, 0, 2, 3},
               {a, a, a, b, b, b});
  return model;
}

TEST(PlyWrite, HeaderBodyAndRoundTrip) {
  ImportedModel model = ColouredQuad();
  test::AppendMeshOf(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}).position = {0, 0, 5};
  const std::string bytes = Written(WritePly, model, "out.ply");
  const std::string header =
      "ply\nformat binary_little_endian 1.0\ncomment me and you\nelement vertex 7\n"
      "property float x\nproperty float y\nproperty float z\nelement face 3\n"
      "property list uchar int vertex_indices\nproperty uchar red\nproperty uchar green\n"
      "property uchar blue\nproperty uchar alpha\nend_header\n";
  ASSERT_EQ(bytes.substr(0, header.size()), header);
  ASSERT_EQ(bytes.size(), header.size() + 7 * 12 + 3 * 17);
  // The last face: indices offset by the first mesh's positions, default colour.
  const std::string lastFace = bytes.substr(bytes.size() - 17);
  EXPECT_EQ(lastFace, std::string("\x03\x04\0\0\0\x05\0\0\0\x06\0\0\0\xC8\xC8\xC8\xFF", 17));

  const ImportedModel back = Loaded(ReadPly, bytes);
  // The file's (x, z, y) order is what assimp reads in the real-clients
  // test; positions and faces come back in the round-trip table.
  const ImportedMesh& mesh = back.meshes.front();
  EXPECT_EQ(Values(mesh.colours),
            (std::vector<Colour32>{0x80102030u, 0x80102030u, 0x80102030u, 0xFF405060u, 0xFF405060u,
                                   0xFF405060u, 0xFFC8C8C8u, 0xFFC8C8C8u, 0xFFC8C8C8u}));
  EXPECT_EQ(back.properties.GetOr("Comment1", ""), "me and you");
}

}  // namespace
}  // namespace torvane

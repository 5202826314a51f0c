// OBJ reading (raw elements, triangles, normals, colours, long lines, bad
// indices) and writing (exact text, materials, MTL removal, round trip).

#include "formats/obj/obj.h"
#include "core/null_progress.h"
#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

TEST(ObjRead, RawElementsIndicesColoursAndRanges) {
  TempFolder folder;
  const std::string path = folder.File("raw.obj");
  WriteFile(path,
            "# comment\r\n"
            "o First object\n"
            "v 0 0 0\n"
            "v 1 0 0 255 0\n"  // 6 tokens: no colour
            "v 0 1 0 255 0 0\n"
            "  v 9 9 9\n"  // indented: skipped
            "v 1 1\n"      // missing z: skipped
            "V 5 5 5\n"    // keywords are case-sensitive
            "vt 0.5 0.25\n"
            "vn 0 0 1\n"
            "g grp\n"
            "f -3 -2 -1\n"
            "f 1/1/1 2//1 3/1\n"
            "s 1\n"
            "f 1 2\n"
            "f 1 0 3\n"
            "mtllib x.mtl\nusemtl m\n");
  RawObj raw;
  NullProgress progress;
  ASSERT_EQ(ReadRawObj(path, progress, raw), kLoaded);
  ASSERT_EQ(raw.positions.length(), 3u);
  ASSERT_EQ(raw.colours.length(), 3u);
  EXPECT_EQ(raw.colours[0], kObjUncolouredPosition);
  EXPECT_EQ(raw.colours[1], kObjUncolouredPosition);
  EXPECT_EQ(raw.colours[2], 0xFFFF0000u);
  EXPECT_EQ(raw.normals.length(), 1u);
  EXPECT_EQ(raw.texCoords.length(), 2u);
  ASSERT_EQ(raw.faceCount, 4u);
  // f -3 -2 -1 after three positions names 1, 2, 3.
  EXPECT_EQ(raw.corners[0].position, 1);
  EXPECT_EQ(raw.corners[2].position, 3);
  EXPECT_EQ(raw.corners[3].texCoord, 1);
  EXPECT_EQ(raw.corners[3].normal, 1);
  EXPECT_EQ(raw.corners[4].texCoord, kObjAbsent);
  EXPECT_EQ(raw.corners[4].normal, 1);
  EXPECT_EQ(raw.corners[5].normal, kObjAbsent);
  EXPECT_EQ(raw.corners[9].position, kObjAbsent);  // "0" is absent
  ASSERT_EQ(raw.objects.size(), 1u);
  EXPECT_EQ(raw.objects[0].name, "First object");
  EXPECT_EQ(raw.objects[0].firstFace, 0);
  EXPECT_EQ(raw.objects[0].lastFace, 3);
  ASSERT_EQ(raw.groups.size(), 1u);
  EXPECT_EQ(raw.groups[0].name, "grp");
  ASSERT_EQ(raw.smoothing.size(), 1u);
  EXPECT_EQ(raw.smoothing[0].firstFace, 2);
}

TEST(ObjRead, FacesBecomeTrianglesAndLongFacesFan) {
  std::string text;
  for (int i = 0; i < 7; ++i)
    text += "v " + std::to_string(i) + " " + std::to_string(i * i) + " 1\n";
  const ImportedModel model =
      Loaded(ReadObj, text + "f 1 2 3 4\nf 1 2 3 4 5\nf 1 2 3 4 5 6 7\nf 1 2\n");
  EXPECT_EQ(model.fileType, kFileTypeObj);
  EXPECT_EQ(model.failureReason, 0u);
  ASSERT_EQ(model.meshes.size(), 1u);
  const ImportedMesh& mesh = model.meshes.front();
  const std::vector<uint32_t> expected = {0, 1, 2, 2, 3, 0,                              // quad
                                          0, 1, 2, 2, 3, 4, 4, 0, 2,                     // pentagon
                                          0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5, 0, 5, 6};  // fan
  EXPECT_EQ(Indices(mesh), expected);
  // No "vn" lines: no normals (objects get face normals when they are made).
  EXPECT_TRUE(mesh.normals.empty());
  EXPECT_TRUE(mesh.colours.empty());
}

TEST(ObjRead, FileNormalsBadNormalIndicesAndColourChannels) {
  const ImportedModel model = Loaded(ReadObj,
                                     "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0.5 0.5 0.5\n"
                                     "f 1//1 2//1 3//1\nf 1//1 2//7 3//1\nf 1 2 3\n");
  const ImportedMesh& mesh = model.meshes.front();
  ASSERT_EQ(mesh.normals.length(), 9u);
  EXPECT_FLOAT_EQ(mesh.normals[0].x, 0.5f);
  EXPECT_FLOAT_EQ(mesh.normals[2].z, 0.5f);
  for (uint32_t k = 3; k < 9; ++k) {
    EXPECT_FLOAT_EQ(mesh.normals[k].z, 1.0f) << k;
    EXPECT_FLOAT_EQ(mesh.normals[k].x, 0.0f) << k;
  }

  // Colour channels combine bitwise: green 256 spills into red.
  const ImportedModel coloured =
      Loaded(ReadObj, "v 0 0 0\nv 1 0 0 0 256 1\nv 0 1 0 1.0\nf 1 2 3\n");
  const GrowArray<Colour32>& colours = coloured.meshes.front().colours;
  EXPECT_EQ(std::vector<Colour32>(colours.data(), colours.data() + colours.length()),
            (std::vector<Colour32>{kObjUncolouredPosition, 0xFF010001u, kObjUncolouredPosition}));
}

TEST(ObjRead, PositionsWithoutFacesAndFilesWithoutPositions) {
  const ImportedModel positionsOnly = Loaded(ReadObj, "v 1 2 3\nv 4 5 6\n");
  ASSERT_EQ(positionsOnly.meshes.size(), 1u);
  EXPECT_EQ(positionsOnly.meshes.front().positions.length(), 2u);
  EXPECT_EQ(positionsOnly.meshes.front().indices.length(), 0u);
  EXPECT_TRUE(Loaded(ReadObj, "# only a comment\nvn 0 0 1\nf 1 2 3\n").meshes.empty());
}

TEST(ObjRead, LongLinesKeepEveryCornerAndDigit) {
  // A coordinate padded past the 259-character line cut: a cut would keep only zeros.
  std::string text = "v " + std::string(300, '0') + "1.5 2 3\n";
  std::string face = "f 1";
  for (int i = 0; i < 120; ++i) {
    text += "v " + std::to_string(i) + " 1 0\n";
    face += " " + std::to_string(i + 2);
  }
  const ImportedModel model = Loaded(ReadObj, text + face + "\n");
  const ImportedMesh& mesh = model.meshes.front();
  ASSERT_EQ(mesh.positions.length(), 121u);
  EXPECT_EQ(mesh.positions[0].x, 1.5f);
  EXPECT_EQ(mesh.positions[0].z, 3.0f);
  EXPECT_EQ(mesh.indices.length(), 3u * 119);
  EXPECT_EQ(mesh.indices[mesh.indices.length() - 1], 120u);
}

ImportedModel TwoTriangleModel() {
  ImportedModel model;
  // The second triangle is degenerate.
  test::AppendMeshOf(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 1, 3})
      .position = {10, 0, 0};
  return model;
}

TEST(ObjWrite, ExactTextWithoutMaterials) {
  TempFolder folder;
  ImportedModel model = TwoTriangleModel();
  NullProgress progress;
  const std::string path = folder.File("out.obj");
  ASSERT_EQ(WriteObj(path, progress, model), kStatusDone);
  EXPECT_EQ(ReadFile(path),
            "# Created using Torvane\r\n\r\n"
            "# Vertex Array\r\n"
            "v 10.000 0.000 0.000\r\nv 11.000 0.000 0.000\r\nv 10.000 1.000 0.000\r\n"
            "v 11.000 1.000 0.000\r\n\r\n"
            "# Normal Array\r\nvn 0.000 0.000 1.000\r\nvn 0.000 0.000 0.000\r\n\r\n"
            "# Facets\r\nf 1//1 2//1 3//1\r\n"
            "\r\n# Thank you for using Torvane\r\n\r\n");
  EXPECT_FALSE(std::filesystem::exists(folder.File("out.mtl")));
}

TEST(ObjWrite, MaterialsGoToTheMtlFileOnceEach) {
  TempFolder folder;
  ImportedModel model = TwoTriangleModel();
  ImportedMaterial red;
  red.metadata.Set("Name", "Red");
  red.diffuse = 0xFFFF0000u;
  red.ambient = 0xFF808080u;
  red.shininess = 2.5f;
  red.textureNames = {"red.png"};
  ImportedMaterial sameAsRed = red;
  sameAsRed.metadata.Set("Name", "Scarlet");
  const uint16_t redId = AddMaterial(model, red).materialId;
  const uint16_t scarletId = AddMaterial(model, sameAsRed).materialId;
  ImportedMesh& mesh = model.meshes.front();
  MaterialRef first;
  first.materialId = redId;
  first.firstCorner = 0;
  first.endCorner = 3;
  first.texCoords.ResizeDiscard(6);
  first.texCoords.MutableData()[2] = 0.5f;
  MaterialRef second;
  second.materialId = scarletId;
  second.firstCorner = 3;
  second.endCorner = 6;
  mesh.materialRefs.push_front(first);
  mesh.materialRefs.push_front(second);

  NullProgress progress;
  const std::string path = folder.File("model.obj");
  ASSERT_EQ(WriteObj(path, progress, model), kStatusDone);
  const std::string obj = ReadFile(path);
  EXPECT_NE(obj.find("mtllib model.mtl\r\n\r\n"), std::string::npos);
  EXPECT_NE(obj.find("# Texture Coordinate Array \r\nvt 0.000 0.000\r\nvt 0.000 0.000\r\n"
                     "vt 0.000 0.000\r\nvt 0.000 0.000\r\nvt 0.500 0.000\r\n"),
            std::string::npos);
  // References are taken newest first: the degenerate triangle (1) is skipped,
  // the red one is record 2 and uses the name both materials now share.
  EXPECT_NE(obj.find("# Facets\r\nusemtl Scarlet\r\nf 1/4/2 2/5/2 3/6/2\r\n"), std::string::npos);
  const std::string mtl = ReadFile(folder.File("model.mtl"));
  EXPECT_EQ(mtl,
            "# Created using Torvane\r\n\r\n"
            "newmtl Scarlet\r\nNs 2.500\r\nKa 0.502 0.502 0.502\r\nKd 1.000 0.000 0.000\r\n"
            "Ks 0.000 0.000 0.000\r\nmap_Kd red.png\r\n\r\n"
            "# Thank you for using Torvane\r\n\r\n");
}

TEST(ObjWrite, CancelledWriteRemovesTheMtlFile) {
  TempFolder folder;
  ImportedModel model = TwoTriangleModel();
  AddMaterial(model, ImportedMaterial{});
  RecordingProgress cancelling(0);
  const std::string path = folder.File("c.obj");
  EXPECT_EQ(WriteObj(path, cancelling, model), kStatusCancelled);
  EXPECT_FALSE(std::filesystem::exists(folder.File("c.mtl")));
  EXPECT_EQ(MtlPathFor("a.b/model"), "a.b/model.mtl");
  EXPECT_EQ(MtlPathFor("dir\\x.OBJ"), "dir\\x.mtl");
}

TEST(ObjWrite, WrittenFileReadsBackWithColours) {
  TempFolder folder;
  ImportedModel model = TwoTriangleModel();
  ImportedMesh& mesh = model.meshes.front();
  mesh.colours.ResizeDiscard(6);
  for (uint32_t k = 0; k < 6; ++k)
    mesh.colours.MutableData()[k] = 0xFF000000u | (k * 40u << 8);
  NullProgress progress;
  const std::string path = folder.File("rt.obj");
  ASSERT_EQ(WriteObj(path, progress, model), kStatusDone);
  ImportedModel back;
  ASSERT_EQ(ReadObj(path, progress, back), kLoaded);
  const ImportedMesh& read = back.meshes.front();
  ASSERT_EQ(read.positions.length(), 4u);
  EXPECT_FLOAT_EQ(read.positions[3].x, 11.0f);
  EXPECT_EQ(Indices(read), (std::vector<uint32_t>{0, 1, 2}));
  // Per-corner colours land on positions, the later corner winning.
  ASSERT_EQ(read.colours.length(), 4u);
  EXPECT_EQ(read.colours[0], 0xFF000000u);
  EXPECT_EQ(read.colours[1], 0xFF00A000u);
  EXPECT_EQ(read.colours[3], 0xFF00C800u);
}

}  // namespace
}  // namespace torvane

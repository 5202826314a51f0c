// OBJ reading (raw elements, triangles, normals, colours, long lines, bad
// indices) and writing (exact text, materials, MTL removal, round trip).

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
  EXPECT_EQ(Values(raw.colours),
            (std::vector<Colour32>{kObjUncolouredPosition, kObjUncolouredPosition, 0xFFFF0000u}));
  EXPECT_EQ(raw.normals.length(), 1u);
  EXPECT_EQ(raw.texCoords.length(), 2u);
  EXPECT_EQ(raw.faceCount, 4u);
  // Position/texture/normal per corner, -1 absent: f -3 -2 -1 after three
  // positions names 1, 2, 3, and "0" is absent.
  std::string corners, ranges;
  for (const ObjCorner& c : Values(raw.corners))
    corners += FormatText(" %d/%d/%d", c.position, c.texCoord, c.normal);
  EXPECT_EQ(
      corners,
      " 1/-1/-1 2/-1/-1 3/-1/-1 1/1/1 2/-1/1 3/1/-1 1/-1/-1 2/-1/-1 1/-1/-1 -1/-1/-1 3/-1/-1");
  for (const auto* list : {&raw.objects, &raw.groups, &raw.smoothing})
    for (const ObjRange& r : *list)
      ranges += FormatText("[%s %lld-%lld]", r.name.c_str(), (long long)r.firstFace,
                           (long long)r.lastFace);
  EXPECT_EQ(ranges, "[First object 0-3][grp 0-3][1 2-3]");
}

// (Every corner of a long face line: obj_one_long_face.obj of the broken
// corpus.)
TEST(ObjRead, FacesFanIntoTrianglesWithTheirNormalsColoursAndEveryDigit) {
  std::string text;
  for (int i = 0; i < 7; ++i)
    text += FormatText("v %d %d 1\n", i, i * i);
  const ImportedModel model =
      Loaded(ReadObj, text + "f 1 2 3 4\nf 1 2 3 4 5\nf 1 2 3 4 5 6 7\nf 1 2\n");
  EXPECT_EQ(model.fileType, kFileTypeObj);
  ASSERT_EQ(model.meshes.size(), 1u);
  const ImportedMesh& fan = model.meshes.front();
  const std::vector<uint32_t> expected = {0, 1, 2, 2, 3, 0,                              // quad
                                          0, 1, 2, 2, 3, 4, 4, 0, 2,                     // pentagon
                                          0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5, 0, 5, 6};  // fan
  EXPECT_EQ(Values(fan.indices), expected);
  // No "vn" lines: no normals (objects get face normals when they are made).
  EXPECT_TRUE(fan.normals.empty());
  EXPECT_TRUE(fan.colours.empty());

  // Positions without faces make a mesh; faces without positions none.
  const ImportedMesh positionsOnly = Loaded(ReadObj, "v 1 2 3\nv 4 5 6\n").meshes.front();
  EXPECT_EQ(positionsOnly.positions.length(), 2u);
  EXPECT_EQ(positionsOnly.indices.length(), 0u);
  EXPECT_TRUE(Loaded(ReadObj, "# only a comment\nvn 0 0 1\nf 1 2 3\n").meshes.empty());

  // A bad normal index gives its whole face the face normal.
  const ImportedMesh mesh = Loaded(ReadObj,
                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0.5 0.5 0.5\n"
                                   "f 1//1 2//1 3//1\nf 1//1 2//7 3//1\nf 1 2 3\n")
                                .meshes.front();
  ASSERT_EQ(mesh.normals.length(), 9u);
  for (uint32_t k = 0; k < 9; ++k)
    EXPECT_TRUE(Near(mesh.normals[k], k < 3 ? Vec3{0.5f, 0.5f, 0.5f} : Vec3{0, 0, 1}, 1e-6f)) << k;

  // Colour channels combine bitwise: green 256 spills into red.
  EXPECT_EQ(Values(Loaded(ReadObj, "v 0 0 0\nv 1 0 0 0 256 1\nv 0 1 0 1.0\nf 1 2 3\n")
                       .meshes.front()
                       .colours),
            (std::vector<Colour32>{kObjUncolouredPosition, 0xFF010001u, kObjUncolouredPosition}));

  // A coordinate padded past the 259-character line cut: a cut would keep only zeros.
  const ImportedMesh padded =
      Loaded(ReadObj, "v " + std::string(300, '0') + "1.5 2 3\nv 0 1 0\nv 1 0 0\nf 1 2 3\n")
          .meshes.front();
  EXPECT_TRUE(Near(padded.positions[0], {1.5f, 2, 3}, 0));
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

TEST(ObjWrite, MaterialsGoToTheMtlFileOnceEachAndACancelRemovesIt) {
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
  std::list<MaterialRef>& refs = model.meshes.front().materialRefs;
  MaterialRef& first = refs.emplace_front();
  first.materialId = AddMaterial(model, red).materialId;
  first.endCorner = 3;
  first.texCoords.ResizeDiscard(6);
  first.texCoords.MutableData()[2] = 0.5f;
  MaterialRef& second = refs.emplace_front();
  second.materialId = AddMaterial(model, sameAsRed).materialId;
  second.firstCorner = 3;
  second.endCorner = 6;

  NullProgress progress;
  ASSERT_EQ(WriteObj(folder.File("model.obj"), progress, model), kStatusDone);
  const std::string obj = ReadFile(folder.File("model.obj"));
  EXPECT_NE(obj.find("mtllib model.mtl\r\n\r\n"), std::string::npos);
  EXPECT_NE(obj.find("# Texture Coordinate Array \r\nvt 0.000 0.000\r\nvt 0.000 0.000\r\n"
                     "vt 0.000 0.000\r\nvt 0.000 0.000\r\nvt 0.500 0.000\r\n"),
            std::string::npos);
  // References are taken newest first: the degenerate triangle (1) is skipped,
  // the red one is record 2 and uses the name both materials now share.
  EXPECT_NE(obj.find("# Facets\r\nusemtl Scarlet\r\nf 1/4/2 2/5/2 3/6/2\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(folder.File("model.mtl")),
            "# Created using Torvane\r\n\r\n"
            "newmtl Scarlet\r\nNs 2.500\r\nKa 0.502 0.502 0.502\r\nKd 1.000 0.000 0.000\r\n"
            "Ks 0.000 0.000 0.000\r\nmap_Kd red.png\r\n\r\n"
            "# Thank you for using Torvane\r\n\r\n");

  RecordingProgress cancelling(0);
  EXPECT_EQ(WriteObj(folder.File("c.obj"), cancelling, model), kStatusCancelled);
  EXPECT_FALSE(std::filesystem::exists(folder.File("c.mtl")));
  EXPECT_EQ(MtlPathFor("a.b/model"), "a.b/model.mtl");
  EXPECT_EQ(MtlPathFor("dir\\x.OBJ"), "dir\\x.mtl");
}

TEST(ObjWrite, WrittenFileReadsBackWithColours) {
  ImportedModel model = TwoTriangleModel();
  ImportedMesh& mesh = model.meshes.front();
  mesh.colours.ResizeDiscard(6);
  for (uint32_t k = 0; k < 6; ++k)
    mesh.colours.MutableData()[k] = 0xFF000000u | (k * 40u << 8);
  const ImportedModel back = Loaded(ReadObj, Written(WriteObj, model, "rt.obj"));
  const ImportedMesh& read = back.meshes.front();
  ASSERT_EQ(read.positions.length(), 4u);
  EXPECT_FLOAT_EQ(read.positions[3].x, 11.0f);
  EXPECT_EQ(Values(read.indices), (std::vector<uint32_t>{0, 1, 2}));
  // Per-corner colours land on positions, the later corner winning.
  EXPECT_EQ(Values(read.colours),
            (std::vector<Colour32>{0xFF000000u, 0xFF00A000u, 0xFF005000u, 0xFF00C800u}));
}

}  // namespace
}  // namespace torvane

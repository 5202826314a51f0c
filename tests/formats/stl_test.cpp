// The STL readers (text and binary detection, header conventions, colours)
// and the writers (the file's axes and facing, headers, facet colours and
// the text form).

#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

std::string AsciiTetrahedron(const std::string& lineEnd) {
  std::string text = "solid  my part  " + lineEnd;
  for (const StlFacet& f : TetrahedronFacets()) {
    text += "  facet normal 0 0 1" + lineEnd + "    outer loop" + lineEnd;
    for (int v = 0; v < 3; ++v) {
      text += "      vertex " + std::to_string(f.vertex[v][0]) + " " +
              std::to_string(f.vertex[v][1]) + " " + std::to_string(f.vertex[v][2]) + lineEnd;
    }
    text += "    endloop" + lineEnd + "  endfacet" + lineEnd;
  }
  return text + "endsolid my part" + lineEnd;
}

TEST(StlRead, AsciiWithAnyLineEndMalformedFacetsAndEndsolid) {
  for (const std::string lineEnd : {"\n", "\r\n", "\r"}) {
    const ImportedModel model = Loaded(ReadStlAscii, AsciiTetrahedron(lineEnd));
    EXPECT_EQ(model.fileType, kFileTypeStlAscii);
    ASSERT_EQ(model.meshes.size(), 1u);
    EXPECT_EQ(model.meshes.front().positions.length(), 4u);  // shared vertices merged
    EXPECT_EQ(model.meshes.front().indices.length(), 12u);
    EXPECT_TRUE(model.meshes.front().colours.empty());
    EXPECT_EQ(model.properties.GetOr("ModelName", "?"), "my part");
  }
  // The first facet lacks its "outer loop" and is dropped; the second is whole.
  const std::string facet =
      "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
      "endfacet\n";
  EXPECT_EQ(
      Loaded(ReadStlAscii, "solid x\nfacet normal 0 0 1\nvertex 1 2 3\n" + facet + "endsolid\n")
          .meshes.front()
          .indices.length(),
      3u);
  EXPECT_EQ(ReadResult(ReadStlAscii, "solid x\n" + facet), kFailed);
  // "solid" alone is no text STL header.
  EXPECT_EQ(ReadResult(ReadStlAscii, "solid\nendsolid\n"), kFailed);
}

// (Files too short, a byte too many or too few, a lying count and no facets
// at all are files of the broken corpus.)
TEST(StlRead, BinaryWithSolidHeaderAttributeColoursAndHeaderMaterial) {
  const ImportedModel model =
      Loaded(LoadModelFile, BinaryStl("solid made by a tool", TetrahedronFacets()), "b.stl");
  EXPECT_EQ(model.fileType, kFileTypeStlBinary);
  EXPECT_EQ(model.meshes.front().positions.length(), 4u);
  EXPECT_EQ(model.properties.GetOr("ModelName", ""), "solid made by a tool");
  EXPECT_TRUE(model.meshes.front().colours.empty());  // no attribute set: no colours

  // One facet red (31, 0, 0), one taking the object colour, two black.
  std::vector<StlFacet> facets = TetrahedronFacets(0);
  facets[1].attribute = 0x001F;
  facets[2].attribute = 0x8000;
  const ImportedMesh coloured = Loaded(ReadStlBinary, BinaryStl("coloured", facets)).meshes.front();
  // No COLOR=: the object colour is black.
  std::vector<Colour32> want(12, 0xFF000000u);
  std::fill(want.begin() + 3, want.begin() + 6, 0xFFF80000u);
  EXPECT_EQ(Values(coloured.colours), want);
  EXPECT_EQ(StlAttributeToColour(0x7FFF), 0xFFF8F8F8u);

  const uint32_t colour = 0xFF336699u, diffuse = 0xFF112233u, specular = 0xFF445566u,
                 ambient = 0xFF778899u;
  const auto bytes = [](const uint32_t& v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
  };
  const ImportedModel header =
      Loaded(ReadStlBinary, BinaryStl("part COLOR=" + bytes(colour) + "MATERIAL=" + bytes(diffuse) +
                                          bytes(specular) + bytes(ambient),
                                      TetrahedronFacets(0x8000)));
  EXPECT_EQ(header.properties.GetOr("ModelName", ""), "part");
  const ImportedMesh& mesh = header.meshes.front();
  EXPECT_EQ(static_cast<Colour32>(mesh.metadata.GetInt("ObjectDefaultColor")), colour);
  ASSERT_EQ(mesh.colours.length(), 12u);
  EXPECT_EQ(mesh.colours[0], colour);  // bit 15: the header's object colour
  ASSERT_EQ(header.materials.size(), 1u);
  const ImportedMaterial& material = header.materials.front();
  EXPECT_EQ(std::vector<Colour32>({material.diffuse, material.specular, material.ambient}),
            std::vector<Colour32>({diffuse, specular, ambient}));
  EXPECT_TRUE(material.hasDiffuse && material.hasSpecular && material.hasAmbient);
  ASSERT_EQ(mesh.materialRefs.size(), 1u);
  EXPECT_EQ(mesh.materialRefs.front().materialId, material.materialId);
  EXPECT_EQ(mesh.materialRefs.front().endCorner, 12u);

  // COLOR= whose value would reach past byte 80 is part of the name.
  EXPECT_FALSE(
      Loaded(ReadStlBinary, BinaryStl(std::string(74, 'n') + "COLOR=", TetrahedronFacets()))
          .meshes.front()
          .metadata.Has("ObjectDefaultColor"));
}

StlFacet FacetAt(const std::string& bytes, size_t i) {
  StlFacet f;
  std::memcpy(&f, bytes.data() + 84 + i * 50, 50);
  return f;
}

// Reading the files back (corner order, facing) is the round-trip table's.
TEST(StlWrite, FileHoldsTurnedPointsFacingOutwardsAndTheCornerColours) {
  Document document;
  const uint32_t id = AddTriangles(document, Tetrahedron({3.0f, 5.0f, -7.0f}, 2.0f), 0xFF2040F0u);
  SceneObject* object = FindObject(document, id);
  ASSERT_NE(object, nullptr);
  // The object colour and material go to the header (the header test's);
  // the facets carry the corners' own colours.
  SetColour(object->mesh, 0.2f, 0.4f, 0.6f, 1.0f);
  object->mesh.hasMaterial = true;
  AddTriangles(document, Tetrahedron({5, 0, 0}));  // uncoloured below
  ImportedModel model = ModelOf(document);
  model.meshes.back().colours.Free();
  const std::string bytes = Written(SaveModelFile, model, "turned.stl");
  ASSERT_EQ(bytes.size(), 84u + 8 * 50);
  EXPECT_EQ(bytes.substr(80, 4), std::string("\x08\0\0\0", 4));

  // The file holds (-x, -z, y) of every program point.
  const Vec3 a = document.objects[0]->mesh.positions[0];
  EXPECT_TRUE(Near(FacetVertex(FacetAt(bytes, 0), 0), {-a.x, -a.z, a.y}, 1e-5f));
  // Triangles that face outwards here face outwards in the file.
  for (size_t first : {0, 4}) {
    Vec3 centre{};
    for (size_t i = first; i < first + 4; ++i)
      for (int v = 0; v < 3; ++v)
        centre = centre + FacetVertex(FacetAt(bytes, i), v) * (1.0f / 12);
    for (size_t i = first; i < first + 4; ++i) {
      const StlFacet f = FacetAt(bytes, i);
      const Vec3 n = FaceNormal(FacetVertex(f, 0), FacetVertex(f, 1), FacetVertex(f, 2));
      EXPECT_GT(Dot(n, FacetVertex(f, 0) - centre), 0.0f) << i;
      EXPECT_GT(Dot(FacetNormal(f), n), 0.99f) << i;
    }
  }
  EXPECT_EQ(FacetAt(bytes, 0).attribute, StlColourToAttribute(0xFF2040F0u));
  EXPECT_EQ(FacetAt(bytes, 4).attribute, 0x6739);
}

TEST(StlWrite, BinaryHeaderRules) {
  ImportedModel model;
  EXPECT_EQ(StlBinaryHeader(model), "Torvane 3D Modeling Software " + std::string(51, ' '));

  model.properties.Set("ModelName", "  solid   part\r\n one ");
  EXPECT_EQ(StlBinaryHeader(model), "     solid part one   " + std::string(58, ' '));

  // A long name gives way to the colour and material fields.
  model.properties.Set("ModelName", std::string(100, 'n') + "\xC3\xA9");
  ImportedMesh& mesh = model.meshes.emplace_back();
  mesh.metadata.SetInt("ObjectDefaultColor", static_cast<int32_t>(0xFF010203u));
  ImportedMaterial material;
  material.diffuse = 0xFF0A0B0Cu;
  material.hasDiffuse = material.hasSpecular = material.hasAmbient = true;
  MaterialRef ref;
  ref.materialId = AddMaterial(model, material).materialId;
  mesh.materialRefs.push_front(ref);
  const std::string header = StlBinaryHeader(model);
  ASSERT_EQ(header.size(), 80u);
  EXPECT_EQ(header.substr(48, 7), " COLOR=");
  EXPECT_EQ(header.substr(59, 13), "MATERIAL=\x0C\x0B\x0A\xFF");
}

TEST(StlWrite, AsciiFormAndBinaryAgainAfterAnAsciiLoad) {
  TempFolder folder;
  Document document;
  AddTriangles(document, Tetrahedron({1, 2, 3}));
  ImportedModel model = ModelOf(document);
  model.properties.Set("ModelName", " two\nlines ");
  const std::string path = folder.File("text.stl");
  RecordingProgress progress;
  ASSERT_EQ(WriteStlAscii(path, progress, model), kLoaded);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.substr(0, 17), "solid two lines\r\n");
  EXPECT_NE(text.find("      vertex -1.000000e+000 -3.000000e+000 2.000000e+000\r\n"),
            std::string::npos)
      << text.substr(0, 400);
  EXPECT_EQ(text.substr(text.size() - 10), "endsolid\r\n");

  // An .stl name always saves binary, even after an ASCII load.
  ImportedModel loaded;
  ASSERT_EQ(ReadStlAscii(path, progress, loaded), kLoaded);
  EXPECT_EQ(Written(SaveModelFile, loaded, "again.stl").size(), 84u + 4 * 50);

  // No writer for FBX or an unknown name: nothing is written.
  for (const char* name : {"model.fbx", "model.FBX", "model.step", "model"}) {
    ImportedModel again = ModelOf(document);
    EXPECT_EQ(SaveModelFile(folder.File(name), progress, again), kFailed) << name;
  }
  EXPECT_EQ(folder.EntryCount(), 1u);
}

}  // namespace
}  // namespace torvane

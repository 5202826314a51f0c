// The STL readers: text and binary detection, header conventions, colours,
// and the facet count check of binary files.

#include "format_test_support.h"
#include "formats/model_file.h"
#include "formats/stl/stl.h"

#ifdef TORVANE_TEST_ASSIMP
#include <assimp/Exporter.hpp>

#include "fbx_scene_support.h"
#endif

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

TEST(StlRead, AsciiWithAnyLineEndLoadsAsText) {
  for (const std::string lineEnd : {"\n", "\r\n", "\r"}) {
    const ImportedModel model = Loaded(ReadStlAscii, AsciiTetrahedron(lineEnd));
    EXPECT_EQ(model.fileType, kFileTypeStlAscii);
    ASSERT_EQ(model.meshes.size(), 1u);
    const ImportedMesh& mesh = model.meshes.front();
    EXPECT_EQ(mesh.positions.length(), 4u);  // shared vertices merged
    EXPECT_EQ(mesh.indices.length(), 12u);
    EXPECT_EQ(mesh.colours.length(), 0u);
    EXPECT_EQ(model.properties.GetOr("ModelName", "?"), "my part");
  }
}

TEST(StlRead, AsciiDropsMalformedFacetsAndNeedsEndsolid) {
  // The first facet lacks its "outer loop"; the second is complete.
  const std::string facet =
      "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
      "endfacet\n";
  const ImportedModel model =
      Loaded(ReadStlAscii, "solid x\nfacet normal 0 0 1\nvertex 1 2 3\n" + facet + "endsolid\n");
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes.front().indices.length(), 3u);
  EXPECT_EQ(ReadResult(ReadStlAscii, "solid x\n" + facet), kFailed);
  // "solid" alone is no text STL header.
  EXPECT_EQ(ReadResult(ReadStlAscii, "solid\nendsolid\n"), kFailed);
}

TEST(StlRead, BinaryFilesSolidHeaderFacetCountAndEmptyFiles) {
  const ImportedModel model =
      Loaded(LoadModelFile, BinaryStl("solid made by a tool", TetrahedronFacets()), "b.stl");
  EXPECT_EQ(model.fileType, kFileTypeStlBinary);
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes.front().positions.length(), 4u);
  EXPECT_EQ(model.properties.GetOr("ModelName", ""), "solid made by a tool");

  // A byte too many or too few and a lying count are files of the broken
  // corpus; a file too short for its header fails with reason 3.
  uint32_t reason = 0;
  EXPECT_EQ(ReadResult(ReadStlBinary, BinaryStl("x", TetrahedronFacets()).substr(0, 50), &reason),
            kFailed);
  EXPECT_EQ(reason, 3u);
  const ImportedModel empty = Loaded(ReadStlBinary, BinaryStl("empty", {}));
  ASSERT_EQ(empty.meshes.size(), 1u);
  EXPECT_EQ(empty.meshes.front().positions.length() + empty.meshes.front().indices.length(), 0u);
}

TEST(StlRead, AttributeWordsGiveColoursOnlyWhenAnyIsSet) {
  EXPECT_EQ(Loaded(ReadStlBinary, BinaryStl("plain", TetrahedronFacets(0)))
                .meshes.front()
                .colours.length(),
            0u);
  // One facet red (31, 0, 0), one taking the object colour, two black.
  std::vector<StlFacet> facets = TetrahedronFacets(0);
  facets[1].attribute = 0x001F;
  facets[2].attribute = 0x8000;
  const ImportedModel coloured = Loaded(ReadStlBinary, BinaryStl("coloured", facets));
  const ImportedMesh& mesh = coloured.meshes.front();
  ASSERT_EQ(mesh.colours.length(), 12u);
  EXPECT_EQ(mesh.colours[0], 0xFF000000u);
  EXPECT_EQ(mesh.colours[3], 0xFFF80000u);
  EXPECT_EQ(mesh.colours[5], 0xFFF80000u);
  EXPECT_EQ(mesh.colours[6], 0xFF000000u);  // no COLOR=: object colour is black
  EXPECT_EQ(StlAttributeToColour(0x7FFF), 0xFFF8F8F8u);
  EXPECT_EQ(StlColourToAttribute(0xFFC8C8C8u), 0x6739);
}

TEST(StlRead, HeaderColourAndMaterial) {
  const uint32_t colour = 0xFF336699u, diffuse = 0xFF112233u, specular = 0xFF445566u,
                 ambient = 0xFF778899u;
  const auto bytes = [](const uint32_t& v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
  };
  const ImportedModel model =
      Loaded(ReadStlBinary, BinaryStl("part COLOR=" + bytes(colour) + "MATERIAL=" + bytes(diffuse) +
                                          bytes(specular) + bytes(ambient),
                                      TetrahedronFacets(0x8000)));
  EXPECT_EQ(model.properties.GetOr("ModelName", ""), "part");
  const ImportedMesh& mesh = model.meshes.front();
  EXPECT_EQ(static_cast<Colour32>(mesh.metadata.GetInt("ObjectDefaultColor")), colour);
  ASSERT_EQ(mesh.colours.length(), 12u);
  EXPECT_EQ(mesh.colours[0], colour);  // bit 15: the header's object colour
  ASSERT_EQ(model.materials.size(), 1u);
  const ImportedMaterial& material = model.materials.front();
  EXPECT_EQ(material.diffuse, diffuse);
  EXPECT_EQ(material.specular, specular);
  EXPECT_EQ(material.ambient, ambient);
  EXPECT_TRUE(material.hasDiffuse && material.hasSpecular && material.hasAmbient);
  ASSERT_EQ(mesh.materialRefs.size(), 1u);
  EXPECT_EQ(mesh.materialRefs.front().materialId, material.materialId);
  EXPECT_EQ(mesh.materialRefs.front().endCorner, 12u);

  // COLOR= whose value would reach past byte 80 is part of the name.
  const ImportedModel late =
      Loaded(ReadStlBinary, BinaryStl(std::string(74, 'n') + "COLOR=", TetrahedronFacets()));
  EXPECT_FALSE(late.meshes.front().metadata.Has("ObjectDefaultColor"));
}

#ifdef TORVANE_TEST_ASSIMP
// Files written by another program (assimp's text and binary STL exporters)
// load with the right shape and orientation.
TEST(StlRead, AssimpTextAndBinaryFilesLoad) {
  TempFolder folder;
  const fbx_test::Shape octahedron{
      {{2, 0, 0}, {-2, 0, 0}, {0, 3, 0}, {0, -3, 0}, {0, 0, 4}, {0, 0, -4}},
      fbx_test::kOctahedron.faces};
  const std::unique_ptr<aiScene> scene =
      fbx_test::MakeScene({octahedron}, {aiMatrix4x4(), {0}, {}});
  Assimp::Exporter exporter;
  for (const char* format : {"stl", "stlb"}) {
    SCOPED_TRACE(format);
    const std::string path = folder.File(std::string("octahedron-") + format + ".stl");
    ASSERT_EQ(exporter.Export(scene.get(), format, path), aiReturn_SUCCESS)
        << exporter.GetErrorString();
    ImportedModel model;
    RecordingProgress progress;
    ASSERT_EQ(LoadModelFile(path, progress, model), kLoaded);
    EXPECT_EQ(model.fileType, format[3] ? kFileTypeStlBinary : kFileTypeStlAscii);
    ASSERT_EQ(model.meshes.size(), 1u);
    const ImportedMesh& mesh = model.meshes.front();
    EXPECT_EQ(mesh.positions.length(), 6u);
    EXPECT_EQ(mesh.indices.length(), 24u);
    // File (X, Y, Z) lands at (-X, Z, -Y): the file's +Z tip (0, 0, 4) is the
    // program's top.
    Vec3 most{-1e9f, -1e9f, -1e9f};
    for (uint32_t i = 0; i < 6; ++i)
      most = {std::max(most.x, mesh.positions[i].x), std::max(most.y, mesh.positions[i].y),
              std::max(most.z, mesh.positions[i].z)};
    EXPECT_TRUE(test::Near(most, {2, 4, 3}, 1e-4f));
    Document document;
    ASSERT_EQ(ConvertModelToDocument(model, document, progress, false), 0);
    ASSERT_EQ(document.objects.size(), 1u);
    // Every face normal points away from the centre.
    const Mesh& made = document.objects[0]->mesh;
    EXPECT_EQ(TriangleCount(made), 8u);
    for (uint32_t k = 0; k < made.cornerCount; k += 3)
      EXPECT_GT(Dot(made.corners[k].normal, made.positions[made.corners[k].vertexIndex]), 0.0f);
  }
}
#endif

}  // namespace
}  // namespace torvane

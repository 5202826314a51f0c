// The STL writers and the round trip through the load and save paths:
// orientation, headers, colours and the text form.

#include "format_test_support.h"
#include "formats/model_file.h"
#include "formats/stl/stl.h"

namespace torvane {
namespace {

using namespace test;

StlFacet FacetAt(const std::string& bytes, size_t i) {
  StlFacet f;
  std::memcpy(&f, bytes.data() + 84 + i * 50, 50);
  return f;
}

uint32_t CountOf(const std::string& bytes) {
  uint32_t count = 0;
  std::memcpy(&count, bytes.data() + 80, 4);
  return count;
}

// World position of vertex i of the object.
Vec3 WorldVertex(const SceneObject& object, uint32_t i) {
  return TransformPoint(object.mesh.positions[i], MeshTransformMatrix(object.mesh));
}

TEST(StlWrite, OrientationRoundTrip) {
  TempFolder folder;
  Document document;
  const Vec3 offset{3.0f, 5.0f, -7.0f};
  AddTriangles(document, Tetrahedron(offset, 2.0f));
  ImportedModel model;
  RecordingProgress progress;
  ASSERT_EQ(ConvertDocumentToModel(document, progress, model, false), 0);
  const std::string path = folder.File("turned.stl");
  ASSERT_EQ(SaveModelFile(path, progress, model), kLoaded);

  // The file holds (-x, -z, y) of every program point.
  const std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 84u + 4 * 50);
  ASSERT_EQ(CountOf(bytes), 4u);
  const StlFacet first = FacetAt(bytes, 0);
  const Vec3 a = document.objects[0]->mesh.positions[0];
  EXPECT_NEAR(first.vertex[0][0], -a.x, 1e-5);
  EXPECT_NEAR(first.vertex[0][1], -a.z, 1e-5);
  EXPECT_NEAR(first.vertex[0][2], a.y, 1e-5);

  // Triangles that face outwards here face outwards in the file.
  Vec3 fileCentre{};
  for (size_t i = 0; i < 4; ++i)
    for (int v = 0; v < 3; ++v)
      fileCentre = fileCentre + FacetVertex(FacetAt(bytes, i), v) * (1.0f / 12);
  for (size_t i = 0; i < 4; ++i) {
    const StlFacet f = FacetAt(bytes, i);
    const Vec3 n = FaceNormal(FacetVertex(f, 0), FacetVertex(f, 1), FacetVertex(f, 2));
    EXPECT_GT(Dot(n, FacetVertex(f, 0) - fileCentre), 0.0f) << i;
    EXPECT_GT(Dot(FacetNormal(f), n), 0.99f) << i;
  }

  // Reading it back puts every point where it was.
  ImportedModel loaded;
  ASSERT_EQ(LoadModelFile(path, progress, loaded), kLoaded);
  Document reopened;
  ASSERT_EQ(ConvertModelToDocument(loaded, reopened, progress, false), 0);
  ASSERT_EQ(reopened.objects.size(), 1u);
  const SceneObject& object = *reopened.objects[0];
  ASSERT_EQ(object.mesh.vertexCount, 4u);
  // Corner by corner, so the corner order is checked as well.
  const Mesh& original = document.objects[0]->mesh;
  ASSERT_EQ(object.mesh.cornerCount, original.cornerCount);
  for (uint32_t k = 0; k < original.cornerCount; ++k) {
    const Vec3 want = original.positions[original.corners[k].vertexIndex];
    const Vec3 got = WorldVertex(object, object.mesh.corners[k].vertexIndex);
    EXPECT_NEAR(got.x, want.x, 1e-4) << k;
    EXPECT_NEAR(got.y, want.y, 1e-4) << k;
    EXPECT_NEAR(got.z, want.z, 1e-4) << k;
  }
  // The object's origin is the centre of its box; its normals point out.
  EXPECT_NEAR(object.mesh.position.x, offset.x + 1.0f, 1e-4);
  const MeshCorner& corner = object.mesh.corners[0];
  const Vec3 centre = object.mesh.position;
  const Vec3 p = WorldVertex(object, corner.vertexIndex);
  EXPECT_LT(Dot(corner.normal, centre - p), 0.0f + 1e-3f);
}

TEST(StlWrite, BinaryHeaderRules) {
  ImportedModel model;
  EXPECT_EQ(StlBinaryHeader(model), "Torvane 3D Modeling Software " + std::string(51, ' '));

  model.properties.Set("ModelName", "  solid   part\r\n one ");
  std::string header = StlBinaryHeader(model);
  ASSERT_EQ(header.size(), 80u);
  EXPECT_EQ(header.substr(0, 22), "     solid part one   ");

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
  header = StlBinaryHeader(model);
  ASSERT_EQ(header.size(), 80u);
  EXPECT_EQ(header.substr(48, 7), " COLOR=");
  EXPECT_EQ(header.substr(59, 9), "MATERIAL=");
  uint32_t diffuse = 0;
  std::memcpy(&diffuse, header.data() + 68, 4);
  EXPECT_EQ(diffuse, 0xFF0A0B0Cu);
}

TEST(StlWrite, ColoursAndHeaderSurviveRoundTrip) {
  TempFolder folder;
  Document document;
  const uint32_t id = AddTriangles(document, Tetrahedron(), 0xFF2040F0u);
  SceneObject* object = FindObject(document, id);
  ASSERT_NE(object, nullptr);
  SetColour(object->mesh, 0.2f, 0.4f, 0.6f, 1.0f);
  object->mesh.hasMaterial = true;
  object->mesh.materialDiffuse = 0xFF111111u;
  object->mesh.materialSpecular = 0xFF222222u;
  object->mesh.materialAmbient = 0xFF333333u;
  AddTriangles(document, Tetrahedron({5, 0, 0}));  // second object: uncoloured below

  ImportedModel model;
  RecordingProgress progress;
  ASSERT_EQ(ConvertDocumentToModel(document, progress, model, false), 0);
  model.meshes.back().colours.Free();
  const std::string path = folder.File("coloured.stl");
  ASSERT_EQ(SaveModelFile(path, progress, model), kLoaded);
  const std::string bytes = ReadFile(path);
  ASSERT_EQ(CountOf(bytes), 8u);
  EXPECT_EQ(FacetAt(bytes, 0).attribute, StlColourToAttribute(0xFF2040F0u));
  EXPECT_EQ(FacetAt(bytes, 4).attribute, 0x6739);

  ImportedModel loaded;
  ASSERT_EQ(LoadModelFile(path, progress, loaded), kLoaded);
  const ImportedMesh& mesh = loaded.meshes.front();
  EXPECT_EQ(static_cast<Colour32>(mesh.metadata.GetInt("ObjectDefaultColor")),
            object->mesh.lastSetColour);
  ASSERT_EQ(loaded.materials.size(), 1u);
  EXPECT_EQ(loaded.materials.front().specular, 0xFF222222u);
  EXPECT_EQ(mesh.colours[0], StlAttributeToColour(StlColourToAttribute(0xFF2040F0u)));
}

TEST(StlWrite, AsciiFormAndRoundTrip) {
  TempFolder folder;
  Document document;
  AddTriangles(document, Tetrahedron({1, 2, 3}));
  ImportedModel model;
  RecordingProgress progress;
  ASSERT_EQ(ConvertDocumentToModel(document, progress, model, false), 0);
  model.properties.Set("ModelName", " two\nlines ");
  const std::string path = folder.File("text.stl");
  ASSERT_EQ(WriteStlAscii(path, progress, model), kLoaded);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.substr(0, 17), "solid two lines\r\n");
  EXPECT_NE(text.find("      vertex -1.000000e+000 -3.000000e+000 2.000000e+000\r\n"),
            std::string::npos)
      << text.substr(0, 400);
  EXPECT_EQ(text.substr(text.size() - 10), "endsolid\r\n");

  ImportedModel loaded;
  ASSERT_EQ(ReadStlAscii(path, progress, loaded), kLoaded);
  const ImportedMesh& mesh = loaded.meshes.front();
  EXPECT_EQ(mesh.indices.length(), 12u);
  EXPECT_EQ(mesh.positions.length(), 4u);
  EXPECT_EQ(loaded.properties.GetOr("ModelName", ""), "two lines");
  // An .stl name always saves binary, even after an ASCII load.
  const std::string again = folder.File("again.stl");
  ASSERT_EQ(SaveModelFile(again, progress, loaded), kLoaded);
  EXPECT_EQ(ReadFile(again).size(), 84u + 4 * 50);
}

TEST(StlWrite, SavingFbxOrUnknownFailsWithoutWriting) {
  TempFolder folder;
  Document document;
  AddTriangles(document, Tetrahedron());
  RecordingProgress progress;
  for (const char* name : {"model.fbx", "model.FBX", "model.step", "model"}) {
    ImportedModel model;
    ASSERT_EQ(ConvertDocumentToModel(document, progress, model, false), 0);
    EXPECT_EQ(SaveModelFile(folder.File(name), progress, model), kFailed) << name;
  }
  EXPECT_EQ(folder.EntryCount(), 0u);
}

}  // namespace
}  // namespace torvane

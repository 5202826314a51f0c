// FBX files written by assimp's exporter from known meshes open through the
// real converter: counts, positions, winding and normals survive, node
// transforms are applied (nested, rotated, scaled, mirrored), and a file
// the converter cannot read is a clean Failed.
#include <gtest/gtest.h>

#if defined(TORVANE_TEST_ASSIMP) && defined(TORVANE_MODELRELAY)
#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include "core/settings.h"
#include "core/settings_values.h"
#include "formats/fbx/fbx.h"
#include "formats/model_file.h"
#include "platform/child_process.h"
#include "relay_test_support.h"

namespace torvane {
namespace {

struct Shape {
  std::vector<aiVector3D> vertices;
  std::vector<std::array<unsigned, 3>> faces;  // counter-clockwise from outside
  bool normals;                                // vertex normals pointing out
};

const Shape kOctahedron{
    {{2, 0, 0}, {-2, 0, 0}, {0, 2, 0}, {0, -2, 0}, {0, 0, 2}, {0, 0, -2}},
    {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}},
    true};
const Shape kTetrahedron{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                         {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
                         false};

struct Node {
  aiMatrix4x4 transform;
  std::vector<unsigned> meshes;
  std::vector<Node> children;
};

aiMesh* MakeMesh(const Shape& shape) {
  aiMesh* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mNumVertices = unsigned(shape.vertices.size());
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  if (shape.normals) mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
    mesh->mVertices[i] = shape.vertices[i];
    if (shape.normals) mesh->mNormals[i] = aiVector3D(shape.vertices[i]).Normalize();
  }
  mesh->mNumFaces = unsigned(shape.faces.size());
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    mesh->mFaces[f].mNumIndices = 3;
    mesh->mFaces[f].mIndices =
        new unsigned[3]{shape.faces[f][0], shape.faces[f][1], shape.faces[f][2]};
  }
  return mesh;
}

aiNode* MakeNode(const Node& from, int& counter) {
  aiNode* node = new aiNode("node" + std::to_string(counter++));
  node->mTransformation = from.transform;
  node->mNumMeshes = unsigned(from.meshes.size());
  if (node->mNumMeshes) {
    node->mMeshes = new unsigned[node->mNumMeshes];
    std::copy(from.meshes.begin(), from.meshes.end(), node->mMeshes);
  }
  std::vector<aiNode*> children;
  for (const Node& child : from.children)
    children.push_back(MakeNode(child, counter));
  if (!children.empty()) node->addChildren(unsigned(children.size()), children.data());
  return node;
}

std::unique_ptr<aiScene> MakeScene(const std::vector<Shape>& shapes, const Node& root) {
  auto scene = std::make_unique<aiScene>();
  int counter = 0;
  scene->mRootNode = MakeNode(root, counter);
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene->mNumMeshes = unsigned(shapes.size());
  scene->mMeshes = new aiMesh*[shapes.size()];
  for (size_t m = 0; m < shapes.size(); ++m)
    scene->mMeshes[m] = MakeMesh(shapes[m]);
  return scene;
}

// Every triangle of every mesh use, moved to where the node tree puts it;
// a mirroring node keeps it facing outwards.
void ExpectedTriangles(const std::vector<Shape>& shapes, const Node& node,
                       const aiMatrix4x4& parent, std::vector<test::Triangle>& out) {
  const aiMatrix4x4 world = parent * node.transform;
  for (unsigned m : node.meshes) {
    for (const auto& face : shapes[m].faces) {
      test::Triangle t;
      for (int k = 0; k < 3; ++k) {
        const aiVector3D p = world * shapes[m].vertices[face[k]];
        t[k] = {p.x, p.y, p.z};
      }
      if (world.Determinant() < 0) std::swap(t[1], t[2]);
      out.push_back(t);
    }
  }
  for (const Node& child : node.children)
    ExpectedTriangles(shapes, child, world, out);
}

Vec3 Unit(const Vec3& v) {
  return v * (1.0f / Length(v));
}

aiMatrix4x4 Translate(float x, float y, float z) {
  aiMatrix4x4 m;
  return aiMatrix4x4::Translation(aiVector3D(x, y, z), m);
}

class FbxImport : public ::testing::Test {
 protected:
  FbxImport() {
    WriteSettingString(ComponentGroup("modelrelay"), kComponentPath, TORVANE_MODELRELAY);
  }
  ~FbxImport() override { DeleteSettingValue(ComponentGroup("modelrelay"), kComponentPath); }

  test::RuntimeFolderScope runtime_;
  test::TempFolder files_;
};

TEST_F(FbxImport, ExportedMeshesLoadWithTheirNodeTransforms) {
  const std::vector<Shape> shapes = {kOctahedron, kTetrahedron};
  aiMatrix4x4 spin, grow, mirror;
  aiMatrix4x4::RotationY(float(AI_MATH_HALF_PI), spin);
  aiMatrix4x4::Scaling(aiVector3D(2, 2, 2), grow);
  aiMatrix4x4::Scaling(aiVector3D(-1, 1, 1), mirror);
  const Node root{aiMatrix4x4(),
                  {0},
                  {{Translate(10, 0, 0), {1}, {}},
                   {spin * grow, {}, {{Translate(0, 5, 0), {0}, {}}}},
                   {Translate(0, 0, -6) * mirror, {1}, {}}}};
  const std::unique_ptr<aiScene> scene = MakeScene(shapes, root);
  std::vector<test::Triangle> expected;
  ExpectedTriangles(shapes, root, aiMatrix4x4(), expected);
  ASSERT_EQ(expected.size(), 24u);

  Assimp::Exporter exporter;
  for (const char* format : {"fbxa", "fbx"}) {
    SCOPED_TRACE(format);
    const std::string path = files_.File(std::string("scene-") + format + ".fbx");
    ASSERT_EQ(exporter.Export(scene.get(), format, path), aiReturn_SUCCESS)
        << exporter.GetErrorString();
    // Some assimp releases write binary FBX that they cannot read back
    // themselves; the converter is no better than its library there.
    if (!Assimp::Importer().ReadFile(path, 0)) {
      std::printf("assimp cannot read its own %s export; row skipped\n", format);
      continue;
    }

    ImportedModel model;
    test::RecordingProgress progress;
    ASSERT_EQ(LoadModelFile(path, progress, model), kLoaded);
    EXPECT_EQ(model.fileType, kFileTypeFbx);
    ASSERT_EQ(model.meshes.size(), 4u);
    std::vector<test::Triangle> read;
    uint32_t withNormals = 0;
    for (const ImportedMesh& mesh : model.meshes) {
      const std::vector<test::Triangle> triangles = test::TrianglesOf(mesh);
      read.insert(read.end(), triangles.begin(), triangles.end());
      if (mesh.normals.length() == 0) continue;
      // The octahedra's normals point from their centre to each corner,
      // wherever their node moved and turned them.
      ++withNormals;
      ASSERT_EQ(mesh.normals.length(), mesh.indices.length());
      Vec3 centre{};
      for (uint32_t i = 0; i < mesh.positions.length(); ++i)
        centre = centre + mesh.positions[i] * (1.0f / float(mesh.positions.length()));
      for (uint32_t k = 0; k < mesh.indices.length(); ++k)
        EXPECT_TRUE(
            test::Near(mesh.normals[k], Unit(mesh.positions[mesh.indices[k]] - centre), 1e-4f))
            << k;
    }
    EXPECT_EQ(withNormals, 2u);
    test::ExpectSameTriangles(expected, read, 1e-3f);

    Document document;
    ASSERT_EQ(ConvertModelToDocument(model, document, progress, false), 0);
    EXPECT_EQ(document.objectCount, 4u);
    EXPECT_EQ(runtime_.folder().EntryCount(), 0u);
    EXPECT_TRUE(test::NoChildLeft());
  }
}

TEST_F(FbxImport, AFileTheConverterCannotReadFails) {
  for (const std::string& bytes :
       {std::string("; FBX 7.4.0 project file\nnot really"),
        std::string("Kaydara FBX Binary  \0\x1a", 23) + "\xff\xff", std::string()}) {
    const std::string path = files_.File("broken.fbx");
    test::WriteFile(path, bytes);
    ImportedModel model;
    test::RecordingProgress progress;
    EXPECT_EQ(LoadModelFile(path, progress, model), kFailed);
    EXPECT_TRUE(model.meshes.empty());
    EXPECT_EQ(runtime_.folder().EntryCount(), 0u);
    EXPECT_TRUE(test::NoChildLeft());
  }
  // A missing file too, and a converter that is not there.
  ImportedModel model;
  test::RecordingProgress progress;
  EXPECT_EQ(LoadModelFile(files_.File("missing.fbx"), progress, model), kFailed);
  WriteSettingString(ComponentGroup("modelrelay"), kComponentPath, files_.File("no-converter"));
  EXPECT_EQ(LoadModelFile(files_.File("broken.fbx"), progress, model), kFailed);
}

TEST_F(FbxImport, TheConverterIsFoundThroughTheSettingOrBesideTheProgram) {
  EXPECT_EQ(FindModelRelay(), TORVANE_MODELRELAY);
  DeleteSettingValue(ComponentGroup("modelrelay"), kComponentPath);
  EXPECT_EQ(FindModelRelay(), RunningProgramFolder() + "/modelrelay");
  EXPECT_EQ(RunningProgramFolder(), TORVANE_BINARY_DIR "/tests");
}

}  // namespace
}  // namespace torvane
#endif

// STL files written by another program (libassimp's exporters, text and
// binary) load with the right shape and orientation.
#include <gtest/gtest.h>

#ifdef TORVANE_TEST_ASSIMP
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include "format_test_support.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

// A scene of one closed mesh: an octahedron with the given vertices in the
// file's axes.
std::unique_ptr<aiScene> OctahedronScene() {
  auto scene = std::make_unique<aiScene>();
  scene->mRootNode = new aiNode();
  scene->mRootNode->mNumMeshes = 1;
  scene->mRootNode->mMeshes = new unsigned int[1]{0};
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene->mNumMeshes = 1;
  scene->mMeshes = new aiMesh* [1] { new aiMesh() };
  aiMesh* mesh = scene->mMeshes[0];
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  const aiVector3D v[6] = {{2, 0, 0}, {-2, 0, 0}, {0, 3, 0}, {0, -3, 0}, {0, 0, 4}, {0, 0, -4}};
  mesh->mNumVertices = 6;
  mesh->mVertices = new aiVector3D[6];
  for (int i = 0; i < 6; ++i)
    mesh->mVertices[i] = v[i];
  const unsigned faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
  mesh->mNumFaces = 8;
  mesh->mFaces = new aiFace[8];
  for (int f = 0; f < 8; ++f) {
    mesh->mFaces[f].mNumIndices = 3;
    mesh->mFaces[f].mIndices = new unsigned[3]{faces[f][0], faces[f][1], faces[f][2]};
  }
  return scene;
}

TEST(StlForeign, AssimpTextAndBinaryFilesLoad) {
  test::TempFolder folder;
  const std::unique_ptr<aiScene> scene = OctahedronScene();
  Assimp::Exporter exporter;
  for (const char* format : {"stl", "stlb"}) {
    SCOPED_TRACE(format);
    const std::string path = folder.File(std::string("octahedron-") + format + ".stl");
    ASSERT_EQ(exporter.Export(scene.get(), format, path), aiReturn_SUCCESS)
        << exporter.GetErrorString();
    ImportedModel model;
    test::RecordingProgress progress;
    ASSERT_EQ(LoadModelFile(path, progress, model), kLoaded);
    EXPECT_EQ(model.fileType,
              std::string(format) == "stl" ? kFileTypeStlAscii : kFileTypeStlBinary);
    ASSERT_EQ(model.meshes.size(), 1u);
    const ImportedMesh& mesh = model.meshes.front();
    EXPECT_EQ(mesh.positions.length(), 6u);
    EXPECT_EQ(mesh.indices.length(), 24u);
    // File (X, Y, Z) lands at (-X, Z, -Y): the file's +Z tip (0, 0, 4) is the
    // program's top.
    float top = -1e9f, right = -1e9f, front = -1e9f;
    for (uint32_t i = 0; i < 6; ++i) {
      top = std::max(top, mesh.positions[i].y);
      right = std::max(right, mesh.positions[i].x);
      front = std::max(front, mesh.positions[i].z);
    }
    EXPECT_NEAR(top, 4.0f, 1e-4);
    EXPECT_NEAR(right, 2.0f, 1e-4);
    EXPECT_NEAR(front, 3.0f, 1e-4);

    Document document;
    ASSERT_EQ(ConvertModelToDocument(model, document, progress, false), 0);
    ASSERT_EQ(document.objects.size(), 1u);
    EXPECT_EQ(TriangleCount(document.objects[0]->mesh), 8u);
    // Every face normal points away from the centre.
    const Mesh& made = document.objects[0]->mesh;
    for (uint32_t k = 0; k < made.cornerCount; k += 3) {
      const Vec3 p = made.positions[made.corners[k].vertexIndex];
      EXPECT_GT(Dot(made.corners[k].normal, p), 0.0f) << k;
    }
  }
}

}  // namespace
}  // namespace torvane
#endif

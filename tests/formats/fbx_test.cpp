// FBX files written by assimp's exporter from known meshes open through the
// real converter: counts, positions, winding and normals survive, node
// transforms are applied (nested, rotated, scaled, mirrored), and a file
// the converter cannot read is a clean Failed.

#if defined(TORVANE_TEST_ASSIMP) && defined(TORVANE_MODELRELAY)
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include "core/settings.h"
#include "core/settings_values.h"
#include "fbx_scene_support.h"
#include "format_test_support.h"
#include "formats/fbx/fbx.h"
#include "platform/child_process.h"
#include "relay_test_support.h"

namespace torvane {
namespace {

using namespace fbx_test;

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

class FbxImport : public ::testing::Test {
 protected:
  FbxImport() {
    WriteSettingString(ComponentGroup("modelrelay"), kComponentPath, TORVANE_MODELRELAY);
  }
  ~FbxImport() override { DeleteSettingValue(ComponentGroup("modelrelay"), kComponentPath); }

  relay_test::RuntimeFolderScope runtime_;
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

  Assimp::Exporter exporter;
  for (const char* format : {"fbxa", "fbx"}) {
    SCOPED_TRACE(format);
    const std::string path = files_.File(std::string("scene-") + format + ".fbx");
    ASSERT_EQ(exporter.Export(scene.get(), format, path), aiReturn_SUCCESS);
    // Some assimp releases write binary FBX they cannot read back
    // themselves; the converter is no better than its library there.
    if (!Assimp::Importer().ReadFile(path, 0)) {
      std::printf("assimp cannot read its own %s export; row skipped\n", format);
      continue;
    }
    ImportedModel model;
    test::RecordingProgress progress;
    ASSERT_EQ(LoadModelFile(path, progress, model), kLoaded);
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
      for (uint32_t k = 0; k < mesh.indices.length(); ++k) {
        const Vec3 out = mesh.positions[mesh.indices[k]] - centre;
        EXPECT_TRUE(test::Near(mesh.normals[k], out * (1.0f / Length(out)), 1e-4f)) << k;
      }
    }
    EXPECT_EQ(withNormals, 2u);
    test::ExpectSameTriangles(expected, read, 1e-3f);
    Document document;
    ASSERT_EQ(ConvertModelToDocument(model, document, progress, false), 0);
    EXPECT_EQ(document.objectCount, 4u);
    EXPECT_TRUE(runtime_.Empty());
    EXPECT_TRUE(relay_test::NoChildLeft());
  }
}

TEST_F(FbxImport, WhatTheConverterCannotReadFails) {
  for (const std::string& bytes :
       {std::string("; FBX 7.4.0 project file\nnot really"),
        std::string("Kaydara FBX Binary  \0\x1a\xff\xff", 24), std::string()}) {
    ImportedModel model;
    EXPECT_EQ(test::ReadBytes(LoadModelFile, bytes, model, "broken.fbx"), kFailed);
    EXPECT_TRUE(model.meshes.empty());
    EXPECT_TRUE(runtime_.Empty());
    EXPECT_TRUE(relay_test::NoChildLeft());
  }
  ImportedModel model;
  test::RecordingProgress progress;
  EXPECT_EQ(LoadModelFile(files_.File("missing.fbx"), progress, model), kFailed);
}

TEST_F(FbxImport, TheConverterIsFoundThroughTheSettingOrBesideTheProgram) {
  EXPECT_EQ(FindModelRelay(), TORVANE_MODELRELAY);
  DeleteSettingValue(ComponentGroup("modelrelay"), kComponentPath);
  EXPECT_EQ(FindModelRelay(), TORVANE_BINARY_DIR "/tests/modelrelay");
}

}  // namespace
}  // namespace torvane
#endif

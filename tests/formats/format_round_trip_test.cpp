// Saving through SaveModelFile and loading through LoadModelFile keeps
// positions, facing and colours for OBJ, PLY, 3DS and 3MF, with each
// format's axis conventions undone by the load.
#include <gtest/gtest.h>

#include "core/null_progress.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"
#include "stl_test_support.h"

namespace torvane {
namespace {

using test::TempFolder;

// A model as the document conversion builds it: Y up, the program's
// handedness, per-corner normals and colours.
ImportedModel Tetra() {
  ImportedModel model;
  model.upAxis = kUpAxisY;
  model.handedness = kHandednessProgram;
  model.winding = kWindingFirst;
  model.keepNormals = 1;
  ImportedMesh& mesh = AppendMesh(model);
  const Vec3 p[] = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}};
  const uint32_t faces[] = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
  mesh.positions.ResizeDiscard(4);
  for (uint32_t i = 0; i < 4; ++i)
    mesh.positions[i] = p[i];
  mesh.indices.ResizeDiscard(12);
  mesh.normals.ResizeDiscard(12);
  mesh.colours.ResizeDiscard(12);
  for (uint32_t k = 0; k < 12; ++k) {
    mesh.indices[k] = faces[k];
    mesh.colours[k] = 0xFF000000u | (0x30u * (k / 3 + 1));
  }
  for (uint32_t k = 0; k < 12; k += 3) {
    const Vec3 n = FaceNormal(p[faces[k]], p[faces[k + 1]], p[faces[k + 2]]);
    mesh.normals[k] = mesh.normals[k + 1] = mesh.normals[k + 2] = n;
  }
  mesh.position = {1, 2, 3};  // baked by the save
  return model;
}

// Every original triangle appears in the loaded meshes with the same corner
// positions in the same turning order (any starting corner).
void ExpectSameTriangles(const ImportedModel& original, const ImportedModel& loaded,
                         float tolerance, bool colours) {
  const ImportedMesh& a = original.meshes.front();
  const Vec3 offset = a.position;
  uint32_t found = 0;
  for (uint32_t t = 0; t < a.indices.length(); t += 3) {
    Vec3 want[3];
    for (int j = 0; j < 3; ++j)
      want[j] = a.positions[a.indices[t + j]] + offset;
    bool match = false;
    for (const ImportedMesh& b : loaded.meshes) {
      for (uint32_t u = 0; u + 2 < b.indices.length() && !match; u += 3) {
        for (int shift = 0; shift < 3 && !match; ++shift) {
          bool same = true;
          for (int j = 0; j < 3; ++j) {
            const Vec3 got = b.positions[b.indices[u + (j + shift) % 3]];
            same &= std::fabs(got.x - want[j].x) <= tolerance &&
                    std::fabs(got.y - want[j].y) <= tolerance &&
                    std::fabs(got.z - want[j].z) <= tolerance;
          }
          if (!same) continue;
          match = true;
          if (colours) {
            ASSERT_EQ(b.colours.length(), b.indices.length());
            EXPECT_EQ(b.colours[u], a.colours[t]) << t;
          }
        }
      }
    }
    EXPECT_TRUE(match) << "triangle " << t / 3;
    found += match;
  }
  EXPECT_EQ(found, a.indices.length() / 3);
}

TEST(FormatRoundTrip, SaveThenLoadKeepsGeometryAndFacing) {
  TempFolder folder;
  const struct {
    const char* name;
    float tolerance;
    bool colours;
  } formats[] = {{"m.ply", 1e-4f, true},
                 {"m.3mf", 1e-4f, true},
                 {"m.3ds", 1e-4f, false},
                 {"m.obj", 1e-3f, false}};
  for (const auto& format : formats) {
    SCOPED_TRACE(format.name);
    ImportedModel model = Tetra();
    const ImportedModel original = Tetra();
    NullProgress progress;
    const std::string path = folder.File(format.name);
    ASSERT_EQ(SaveModelFile(path, progress, model), kLoaded);
    ImportedModel loaded;
    ASSERT_EQ(LoadModelFile(path, progress, loaded), kLoaded);
    EXPECT_EQ(loaded.upAxis, kUpAxisY);
    EXPECT_EQ(loaded.handedness, kHandednessProgram);
    ExpectSameTriangles(original, loaded, format.tolerance, format.colours);
  }
}

}  // namespace
}  // namespace torvane

// Saving through SaveModelFile and loading through LoadModelFile keeps
// positions, facing and colours for OBJ, PLY, 3DS, 3MF and STL, with each
// format's axis conventions undone by the load; every writer and reader
// stops at a cancel, and every writer refuses corners that name no position.

#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

// A model as the document conversion builds it: Y up, the program's
// handedness, per-corner normals and colours.
ImportedModel Tetra() {
  ImportedModel model;
  model.upAxis = kUpAxisY;
  model.handedness = kHandednessProgram;
  model.winding = kWindingFirst;
  model.keepNormals = 1;
  const Colour32 a = 0xFF000030u, b = 0xFF000060u, c = 0xFF000090u, d = 0xFF0000C0u;
  ImportedMesh& mesh = test::AppendMeshOf(model, {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}},
                                          {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3},
                                          {a, a, a, b, b, b, c, c, c, d, d, d});
  mesh.normals.ResizeDiscard(12);
  for (uint32_t k = 0; k < 12; ++k) {
    const uint32_t* t = &mesh.indices[k - k % 3];
    mesh.normals.MutableData()[k] =
        FaceNormal(mesh.positions[t[0]], mesh.positions[t[1]], mesh.positions[t[2]]);
  }
  mesh.position = {1, 2, 3};  // baked by the save
  return model;
}

// Also the progress texts each writer and reader shows, empty texts left out
// and repeats of the same text shown once.
TEST(FormatRoundTrip, SaveThenLoadKeepsGeometryFacingAndShowsTheProgressTexts) {
  TempFolder folder;
  const std::tuple<const char*, float, bool, std::vector<std::string>, std::vector<std::string>>
      formats[] = {
          {"m.ply",
           1e-4f,
           true,
           {"Writing file header...", "Writing properties...", "Arranging data...",
            "Writing vertices...", "Writing triangles..."},
           {"Loading header...", "Loading data..."}},
          {"m.3mf",
           1e-4f,
           true,
           {"Simplifying vertices...", "Vertex: 0% [0 / 4]", "Writing vertices...",
            "Writing triangles...", "Index: 0% [0 / 12]", "Finalizing 3MF file..."},
           {"Opening file...", "Loading vertices...", "Loading faces...",
            "Arranging the model objects..."}},
          {"m.3ds", 1e-4f, false, {}, {"Reading 3DS Data.", "Reading 3DS Data. Complete!"}},
          {"m.obj",
           1e-3f,
           false,
           {"Arranging data...", "Checking for duplicate vertices...",
            "Duplicates Found: 0. [0 / 4]", "Removing duplicate vertices...", "Arranging facets...",
            "Writing vertices...", "Writing normals...", "Writing triangles...",
            "Facets written: 0 / 4."},
           {"Reading raw OBJ", "Reading raw OBJ... Complete!", "Compiling 3D Model",
            "Compiling 3D Model... Complete!"}},
          {"m.stl",
           1e-4f,
           false,
           {"Preparing data", "Write Binary file", "Write Binary file : 0 facets"},
           {"Loading as Binary: 0 facets", "Processing Colors and Normals: [100%: 4 / 4]"}},
      };
  auto shown = [](const std::vector<std::string>& texts) {
    std::vector<std::string> out;
    for (const std::string& text : texts) {
      if (!text.empty() && (out.empty() || out.back() != text)) out.push_back(text);
    }
    return out;
  };
  for (const auto& [name, tolerance, colours, save, load] : formats) {
    SCOPED_TRACE(name);
    ImportedModel model = Tetra();
    const ImportedModel original = Tetra();
    test::RecordingProgress saving, loading;
    const std::string path = folder.File(name);
    ASSERT_EQ(SaveModelFile(path, saving, model), kLoaded);
    EXPECT_EQ(shown(saving.texts), save);
    ImportedModel loaded;
    ASSERT_EQ(LoadModelFile(path, loading, loaded), kLoaded);
    EXPECT_EQ(shown(loading.texts), load);
    EXPECT_EQ(loaded.upAxis, kUpAxisY);
    EXPECT_EQ(loaded.handedness, kHandednessProgram);
    // Every original triangle is found with its corners in the same turning
    // order and, where the format keeps them, its colour.
    std::vector<test::Triangle> read;
    std::vector<Colour32> readColours;
    for (const ImportedMesh& mesh : loaded.meshes) {
      const std::vector<test::Triangle> triangles = test::TrianglesOf(mesh);
      read.insert(read.end(), triangles.begin(), triangles.end());
      for (uint32_t k = 0; colours && k < mesh.indices.length(); k += 3)
        readColours.push_back(k < mesh.colours.length() ? mesh.colours[k] : 0);
    }
    const ImportedMesh& a = original.meshes.front();
    const std::vector<test::Triangle> want = test::TrianglesOf(a, false, a.position);
    test::ExpectSameTriangles(want, read, tolerance);
    for (size_t t = 0; t < want.size() && colours; ++t) {
      const int at = test::FindTriangle(read, want[t], tolerance);
      EXPECT_EQ(at < 0 ? 0 : readColours[at], a.colours[3 * t]) << t;
    }
  }
}

// A corner that names no position fails the save, except in STL, where its
// triangle keeps its place as an all-zero record.
TEST(FormatRoundTrip, EveryWriterAndReaderStopsAtACancelAndRefusesBadCorners) {
  TempFolder folder;
  for (const auto& [name, write, read] : kFormatIo) {
    SCOPED_TRACE(name);
    RecordingProgress progress, cancelling(0);
    ImportedModel model = Tetra(), loaded;
    const std::string path = folder.File(name);
    EXPECT_EQ(write(path, cancelling, model), kStatusCancelled);
    ASSERT_EQ(write(path, progress, model), kStatusDone);
    EXPECT_EQ(read(path, cancelling, loaded), kCancelled);
    model.meshes.front().indices.MutableData()[5] = 4;  // one past the positions
    const bool stl = std::string(name).ends_with(".stl");
    EXPECT_EQ(write(folder.File(std::string("bad") + name), progress, model),
              stl ? kStatusDone : kStatusFailed);
  }
  EXPECT_EQ(ReadFile(folder.File("badm.stl")).substr(84 + 50, 50), std::string(50, '\0'));
}

}  // namespace
}  // namespace torvane

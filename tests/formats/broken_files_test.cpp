// Every reader over the corpus of damaged files in tests/data/broken: each
// file must give a clean Failed or Loaded (never a crash, a hang or a huge
// allocation), and whatever loads must convert into a document.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/model_file.h"
#include "formats/stl/stl.h"
#include "formats/tvx/tvx.h"
#include "stl_test_support.h"

namespace torvane {
namespace {

using Reader = LoadResult (*)(const std::string&, ProgressMonitor&, ImportedModel&);

struct NamedReader {
  const char* name;
  Reader read;
};

// Readers join this table as they are written. LoadModelFile picks by the
// file's own extension and adds the load conversions.
constexpr NamedReader kReaders[] = {
    {"LoadModelFile", LoadModelFile},
    {"ReadStlAscii", ReadStlAscii},
    {"ReadStlBinary", ReadStlBinary},
    {"ReadTvx", ReadTvx},
};

TEST(BrokenFiles, EveryReaderFailsCleanlyOrLoads) {
  const std::filesystem::path corpus = std::filesystem::path(TORVANE_TEST_DATA) / "broken";
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string path = entry.path().string();
    for (const NamedReader& reader : kReaders) {
      SCOPED_TRACE(entry.path().filename().string() + " through " + reader.name);
      ImportedModel model;
      test::RecordingProgress progress;
      const LoadResult result = reader.read(path, progress, model);
      EXPECT_TRUE(result == kLoaded || result == kFailed) << result;
      if (result != kLoaded) continue;
      for (const ImportedMesh& mesh : model.meshes) {
        EXPECT_TRUE(mesh.normals.length() == 0 || mesh.normals.length() == mesh.indices.length() ||
                    model.fileType == kFileTypeTvx);
      }
      Document document;
      const int converted = ConvertModelToDocument(model, document, progress, false);
      EXPECT_TRUE(converted == 0 || converted == 2) << converted;
    }
  }
  EXPECT_GT(files, 20u);
}

TEST(BrokenFiles, SpecificOutcomes) {
  const std::string corpus = std::string(TORVANE_TEST_DATA) + "/broken/";
  const auto load = [&](const char* name) {
    ImportedModel model;
    test::RecordingProgress progress;
    return LoadModelFile(corpus + name, progress, model);
  };
  EXPECT_EQ(load("empty.stl"), kFailed);
  EXPECT_EQ(load("huge_count.stl"), kFailed);
  EXPECT_EQ(load("wrapping_count.stl"), kFailed);
  EXPECT_EQ(load("extra_byte.stl"), kFailed);
  EXPECT_EQ(load("truncated_binary.stl"), kFailed);
  EXPECT_EQ(load("solid_then_binary.stl"), kLoaded);
  EXPECT_EQ(load("nan_coordinates.stl"), kLoaded);
  EXPECT_EQ(load("zero_facets.stl"), kLoaded);
  EXPECT_EQ(load("ascii_long_lines.stl"), kLoaded);
  EXPECT_EQ(load("ascii_truncated.stl"), kFailed);

  ImportedModel odd;
  test::RecordingProgress progress;
  ASSERT_EQ(ReadStlAscii(corpus + "ascii_odd_numbers.stl", progress, odd), kLoaded);
  // The second facet lacks numbers and is dropped; the first reads its
  // tokens as far as they are numbers.
  ASSERT_EQ(odd.meshes.front().indices.length(), 3u);
  const Vec3 big = odd.meshes.front().positions[1];
  EXPECT_TRUE(std::isinf(big.x) && big.x > 0);
  EXPECT_TRUE(std::isinf(big.y) && big.y < 0);
  EXPECT_EQ(big.z, 0.0f);
  const Vec3 signs = odd.meshes.front().positions[2];
  EXPECT_EQ(signs.x, 0.0f);  // "+-1"
  EXPECT_EQ(signs.y, 0.0f);  // "0x10" reads its leading 0
}

}  // namespace
}  // namespace torvane

// The OBJ, PLY, 3DS and 3MF readers over the whole corpus of damaged files
// in tests/data/broken: a clean Failed or Loaded every time (no crash, hang
// or unbounded allocation), and the expected outcome for the files made for
// these readers.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/document.h"
#include "formats/3ds/3ds.h"
#include "formats/3mf/3mf.h"
#include "formats/model_file.h"
#include "formats/obj/obj.h"
#include "formats/ply/ply.h"
#include "stl_test_support.h"

namespace torvane {
namespace {

using Reader = LoadResult (*)(const std::string&, ProgressMonitor&, ImportedModel&);

struct NamedReader {
  const char* name;
  Reader read;
};

constexpr NamedReader kReaders[] = {
    {"ReadObj", ReadObj},
    {"ReadPly", ReadPly},
    {"Read3ds", Read3ds},
    {"Read3mf", Read3mf},
};

TEST(BrokenFilesMoreFormats, EveryReaderFailsCleanlyOrLoads) {
  const std::filesystem::path corpus = std::filesystem::path(TORVANE_TEST_DATA) / "broken";
  test::TempFolder temporary;
  const char* old = std::getenv("TMPDIR");
  const std::string oldTmp = old ? old : "";
  setenv("TMPDIR", temporary.path().c_str(), 1);
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    for (const NamedReader& reader : kReaders) {
      SCOPED_TRACE(entry.path().filename().string() + " through " + reader.name);
      ImportedModel model;
      test::RecordingProgress progress;
      const LoadResult result = reader.read(path, progress, model);
      EXPECT_TRUE(result == kLoaded || result == kFailed) << result;
      if (result != kLoaded) continue;
      for (const ImportedMesh& mesh : model.meshes) {
        EXPECT_TRUE(mesh.normals.empty() || mesh.normals.length() == mesh.indices.length());
        for (uint32_t k = 0; k < mesh.indices.length(); ++k)
          ASSERT_LT(mesh.indices[k], mesh.positions.length());
      }
      Document document;
      EXPECT_EQ(ConvertModelToDocument(model, document, progress, false) == 1, false);
    }
  }
  // Nothing is left in the temporary folder, and no entry escaped it.
  EXPECT_EQ(temporary.EntryCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists("/tmp/escaped.model"));
  if (old) {
    setenv("TMPDIR", oldTmp.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST(BrokenFilesMoreFormats, SpecificOutcomes) {
  const std::string corpus = std::string(TORVANE_TEST_DATA) + "/broken/";
  const auto load = [&](const char* name) {
    ImportedModel model;
    test::RecordingProgress progress;
    return LoadModelFile(corpus + name, progress, model);
  };
  for (const char* name : {"obj_index_2pow31.obj",
                           "obj_negative_beyond.obj",
                           "obj_zero_index.obj",
                           "ply_four_billion_vertices.ply",
                           "ply_count_overflow.ply",
                           "ply_binary_list_bomb.ply",
                           "ply_truncated_binary.ply",
                           "ply_unknown_type_binary.ply",
                           "ply_index_beyond.ply",
                           "ply_no_end_header.ply",
                           "ply_two_corner_face.ply",
                           "ply_header_only.ply",
                           "tds_main_length_off.3ds",
                           "tds_truncated.3ds",
                           "tds_points_past_chunk.3ds",
                           "tds_face_index_beyond.3ds",
                           "tds_child_longer_than_parent.3ds",
                           "3mf_truncated_zip.3mf",
                           "3mf_not_a_zip.3mf",
                           "3mf_index_beyond.3mf",
                           "3mf_lying_size.3mf",
                           "3mf_absurd_size.3mf"}) {
    EXPECT_EQ(load(name), kFailed) << name;
  }
  for (const char* name :
       {"obj_bad_normal_index.obj", "obj_one_long_face.obj", "obj_crlf_tokens_only.obj",
        "tds_keyframe_track_short.3ds", "3mf_deep_nesting.3mf", "3mf_dotdot_entry.3mf",
        "3mf_broken_xml.3mf", "3mf_rels_to_nowhere.3mf"}) {
    EXPECT_EQ(load(name), kLoaded) << name;
  }
  ImportedModel fan;
  test::RecordingProgress progress;
  ASSERT_EQ(ReadObj(corpus + "obj_one_long_face.obj", progress, fan), kLoaded);
  EXPECT_EQ(fan.meshes.front().indices.length(), 3u * 2998);
}

}  // namespace
}  // namespace torvane

// Every reader over the corpus of damaged files in tests/data/broken and
// over a missing file: each must give a clean Failed or Loaded (never a crash, a hang or a huge
// allocation), whatever loads must hold indices inside its positions and
// convert into a document, the files made for one fault give their
// expected outcome, and a line or an array that cannot grow fails the open
// as too large for the memory.

#include "format_test_support.h"
#include "formats/document_file_io.h"
#include "platform/available_memory.h"

namespace torvane {
namespace {

// LoadModelFile picks by the file's own extension and adds the load
// conversions; each format's reader is run on every file whatever its
// extension.
std::vector<std::pair<std::string, test::ModelReader>> Readers() {
  std::vector<std::pair<std::string, test::ModelReader>> readers = {
      {"LoadModelFile", LoadModelFile}};
  for (const auto& [name, write, read] : test::kFormatIo)
    readers.emplace_back(std::string("the reader of ") + name, read);
  return readers;
}

TEST(BrokenFiles, EveryReaderFailsCleanlyOrLoads) {
  const std::filesystem::path corpus = std::filesystem::path(TORVANE_TEST_DATA) / "broken";
  // Archive readers unpack below TMPDIR: point it at a private folder to see
  // that nothing is left behind and no entry escapes.
  test::TempFolder temporary;
  const test::TmpDirScope scope(temporary.path());
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string path = entry.path().string();
    for (const auto& [name, read] : Readers()) {
      SCOPED_TRACE(entry.path().filename().string() + " through " + name);
      ImportedModel model;
      test::RecordingProgress progress;
      const LoadResult result = read(path, progress, model);
      EXPECT_TRUE(result == kLoaded || result == kFailed) << result;
      if (result != kLoaded) continue;
      for (const ImportedMesh& mesh : model.meshes) {
        EXPECT_TRUE(mesh.normals.length() == 0 || mesh.normals.length() == mesh.indices.length() ||
                    model.fileType == kFileTypeTvx);
        for (uint32_t k = 0; k < mesh.indices.length(); ++k)
          ASSERT_LT(mesh.indices[k], mesh.positions.length());
      }
      Document document;
      const int converted = ConvertModelToDocument(model, document, progress, false);
      EXPECT_TRUE(converted == 0 || converted == 2) << converted;
    }
  }
  EXPECT_GT(files, 20u);
  for (const auto& [name, read] : Readers()) {
    ImportedModel model;
    test::RecordingProgress progress;
    EXPECT_EQ(read(temporary.File("missing.3mf"), progress, model), kFailed) << name;
  }
  EXPECT_EQ(temporary.EntryCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists("/tmp/escaped.model"));
}

TEST(BrokenFiles, SpecificOutcomes) {
  const std::string corpus = std::string(TORVANE_TEST_DATA) + "/broken/";
  // Files named in groups (separated by spaces) by their outcome and failure
  // reason.
  const std::tuple<LoadResult, uint32_t, const char*> kOutcomes[] = {
      // Not the format, or a header or count that cannot be.
      {kFailed, 3,
       "empty.stl ply_count_overflow.ply ply_four_billion_vertices.ply ply_header_only.ply "
       "ply_no_end_header.ply ply_truncated_binary.ply tds_child_longer_than_parent.3ds "
       "tds_face_index_beyond.3ds tds_main_length_off.3ds tds_points_past_chunk.3ds "
       "tds_truncated.3ds tvx_header_only.tvx tvx_version2.tvx 3mf_lying_size.3mf "
       "3mf_not_a_zip.3mf 3mf_truncated_zip.3mf 3mf_no_model_part.3mf short.stl ply_not_ply.ply "
       "ply_bad_format.ply ply_element_without_name.ply ply_truncated_ascii.ply "
       "tds_empty.3ds tds_five_bytes.3ds tds_faces_past_chunk.3ds tds_name_without_nul.3ds "
       "tds_wrong_main_chunk.3ds"},
      // Data that contradicts itself: counts, lengths, indices.
      {kFailed, 4,
       "ascii_truncated.stl extra_byte.stl huge_count.stl truncated_binary.stl wrapping_count.stl "
       "obj_index_2pow31.obj obj_negative_beyond.obj obj_zero_index.obj ply_binary_list_bomb.ply "
       "ply_index_beyond.ply ply_two_corner_face.ply ply_unknown_type_binary.ply "
       "tvx_chunk_longer_than_parent.tvx tvx_huge_positions_length.tvx "
       "tvx_index_beyond_positions.tvx tvx_index_far_beyond.tvx tvx_partial_triangle.tvx "
       "tvx_root_longer_than_file.tvx tvx_short_value.tvx tvx_truncated.tvx 3mf_index_beyond.3mf "
       "ply_negative_index.ply ply_missing_token.ply ply_two_vertex_elements.ply "
       "ply_list_longer_than_line.ply ply_binary_list_beyond.ply obj_index_beyond.obj "
       "obj_index_past_64_bits.obj"},
      // More than the memory can hold.
      {kFailed, 2, "3mf_absurd_size.3mf"},
      {kLoaded, 0,
       "solid_then_binary.stl nan_coordinates.stl zero_facets.stl ascii_long_lines.stl "
       "obj_bad_normal_index.obj obj_one_long_face.obj obj_crlf_tokens_only.obj "
       "tds_keyframe_track_short.3ds 3mf_deep_nesting.3mf 3mf_dotdot_entry.3mf "
       "3mf_broken_xml.3mf 3mf_rels_to_nowhere.3mf"},
  };
  for (const auto& [result, reason, names] : kOutcomes) {
    std::istringstream in(names);
    for (std::string name; in >> name;) {
      ImportedModel model;
      test::RecordingProgress progress;
      EXPECT_EQ(LoadModelFile(corpus + name, progress, model), result) << name;
      EXPECT_EQ(model.failureReason, reason) << name;
    }
  }

  test::RecordingProgress progress;
  ImportedModel fan;
  ASSERT_EQ(ReadObj(corpus + "obj_one_long_face.obj", progress, fan), kLoaded);
  EXPECT_EQ(fan.meshes.front().indices.length(), 3u * 2998);

  ImportedModel odd;
  ASSERT_EQ(ReadStlAscii(corpus + "ascii_odd_numbers.stl", progress, odd), kLoaded);
  // The second facet lacks numbers and is dropped; the first reads its
  // tokens as far as they are numbers.
  ASSERT_EQ(odd.meshes.front().indices.length(), 3u);
  const Vec3 big = odd.meshes.front().positions[1], signs = odd.meshes.front().positions[2];
  EXPECT_TRUE(std::isinf(big.x) && big.x > 0 && std::isinf(big.y) && big.y < 0 && big.z == 0);
  EXPECT_EQ(signs.x, 0.0f);  // "+-1"
  EXPECT_EQ(signs.y, 0.0f);  // "0x10" reads its leading 0
}

// With 3,000,000 bytes available the guard refuses anything above 1.5 MB:
// each file needs one such allocation (a line longer than the readers'
// 1 MB buffer, the raw arrays of many short lines, the corners of many
// triangles) and must fail as too large, never load cut or partly.
TEST(BrokenFiles, WhatCannotGrowFailsAsTooLarge) {
  const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nf 1 3 4 2\n";
  const std::string longTail(2'000'000, '9');
  std::string groups, positions;
  for (int i = 0; i < 100'000; ++i)
    groups += "g a\n";
  for (int i = 0; i < 200'000; ++i)
    positions += "v 0 0 0\n";
  const std::string plyHeader =
      "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
      "property float z\nelement face 2\nproperty list uchar int vertex_indices\nend_header\n";
  const std::string plyBody = "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
  std::string binaryFaces =
      "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
      "property float y\nproperty float z\nelement face 100000\n"
      "property list uchar int vertex_indices\nend_header\n";
  const float corner[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  binaryFaces.append(reinterpret_cast<const char*>(corner), sizeof(corner));
  for (int i = 0; i < 100'000; ++i)
    binaryFaces += std::string("\3\0\0\0\0\1\0\0\0\2\0\0\0", 13);  // corners 0, 1, 2
  const std::pair<const char*, std::string> kCases[] = {
      {"long_comment.obj", quad + "# " + longTail + "\nf 1 2 3\n"},
      {"long_last_line.obj", quad + "v 1 2 " + longTail},
      {"many_groups.obj", quad + groups},
      {"many_positions.obj", positions + quad},
      {"long_body_line.ply",
       plyHeader + "0 0 0\n1 0 0 " + longTail + "\n1 1 0\n0 1 0\n" + "4 0 1 2 3\n4 0 1 2 3\n"},
      {"long_last_line.ply", plyHeader + plyBody + "4 0 1 2 3 " + longTail},
      {"many_triangles.ply", binaryFaces},
  };
  test::TempFolder folder;
  for (const auto& [name, bytes] : kCases) {
    SCOPED_TRACE(name);
    test::WriteFile(folder.File(name), bytes);
    Document loaded;
    test::RecordingProgress progress;
    DocumentLoadReport report;
    // Each file loads whole when memory is plentiful.
    ASSERT_EQ(LoadFileIntoDocument(loaded, progress, folder.File(name), false, &report), kLoaded);
    SetAvailableMemoryOverride(3'000'000);
    Document document;
    EXPECT_EQ(LoadFileIntoDocument(document, progress, folder.File(name), false, &report), kFailed);
    SetAvailableMemoryOverride(std::nullopt);
    EXPECT_EQ(report.failureReason, kFailureOutOfMemory);
    EXPECT_EQ(document.objectCount, 0u);
  }
}

}  // namespace
}  // namespace torvane

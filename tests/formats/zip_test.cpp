// The zip component: archiving a folder tree, extracting one entry to a
// chosen file with a size limit, damaged data and streamed entries.

#include "formats/zip/zip.h"
#include "archive_test_support.h"
#include "core/null_progress.h"
#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

TEST(Zip, FolderTreeRoundTrip) {
  TempFolder folder;
  const std::string root = folder.File("root");
  std::filesystem::create_directories(root + "/3D");
  std::filesystem::create_directories(root + "/_rels");
  WriteFile(root + "/[Content_Types].xml", "types");
  WriteFile(root + "/_rels/.rels", "rels");
  WriteFile(root + "/3D/3dmodel.model", std::string(100000, 'm'));
  const std::string archive = folder.File("out.zip");
  WriteFile(archive, "");  // an empty file is made a valid empty archive first
  NullProgress progress;
  ASSERT_TRUE(AddFolderToZip(archive, root, root + "\\.", progress));

  auto entries = ListZipEntries(archive);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[0].name, "3D/3dmodel.model");
  EXPECT_EQ((*entries)[0].size, 100000u);
  EXPECT_EQ((*entries)[1].name, "[Content_Types].xml");
  EXPECT_EQ((*entries)[2].name, "_rels/.rels");

  const std::string target = folder.File("model.xml");
  ASSERT_TRUE(ExtractZipEntry(archive, "3D/3dmodel.model", target, 100000));
  EXPECT_EQ(ReadFile(target), std::string(100000, 'm'));
  // More data than allowed: refused, and no partial file is left.
  EXPECT_FALSE(ExtractZipEntry(archive, "3D/3dmodel.model", folder.File("cut.xml"), 99999));
  EXPECT_FALSE(std::filesystem::exists(folder.File("cut.xml")));
  EXPECT_FALSE(ExtractZipEntry(archive, "nothing", folder.File("none.xml"), 100));

  RecordingProgress cancelling(0);
  EXPECT_FALSE(AddFolderToZip(folder.File("c.zip"), root, root + "/.", cancelling));
  EXPECT_FALSE(AddFolderToZip(folder.File("d.zip"), root, "/elsewhere", progress));
}

// Hostile entry names, truncated archives and files that are no zip are
// 3MF files of the broken corpus, read with TMPDIR watched.
TEST(Zip, DamagedDataFailsTheExtractionAndAMissingComponentIsReported) {
  TempFolder folder;
  const std::string archive = folder.File("a.zip");
  MakeArchive(archive, {{"3D/a.model", "<model/>"}});
  // Damaged compressed data fails the extraction instead of giving garbage.
  std::string corrupt = ReadFile(archive);
  const size_t data = corrupt.find("<model/>");
  ASSERT_NE(data, std::string::npos);
  corrupt[data + 1] = 'X';
  WriteFile(archive, corrupt);
  EXPECT_FALSE(ExtractZipEntry(archive, "3D/a.model", folder.File("bad.xml"), 1000));
  EXPECT_FALSE(std::filesystem::exists(folder.File("bad.xml")));

  NullProgress progress;
  EXPECT_EQ(ZipAvailable(progress), 0);
  SetZipMissingForTesting(true);
  EXPECT_EQ(ZipAvailable(progress), 2);
  RecordingProgress cancelling(0);
  EXPECT_EQ(ZipAvailable(cancelling), 1);
  SetZipMissingForTesting(false);
}

TEST(Zip, EntryStreamReadsPiecesAndRefusesDamage) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 20000; ++i)
    data += "<vertex x=\"" + std::to_string(i) + "\"/>\n";
  const std::string path = folder.File("a.zip");
  MakeArchive(path, {{"3D/a.model", data}, {"small", "tiny"}}, true);

  // Pieces of any size put the data back together, then the end is 0.
  ZipEntryStream stream;
  ASSERT_TRUE(stream.Open(path, "3D/a.model", data.size()));
  std::string read;
  char piece[7];
  int64_t got;
  while ((got = stream.Read(piece, sizeof(piece))) > 0)
    read.append(piece, static_cast<size_t>(got));
  EXPECT_EQ(got, 0);
  EXPECT_EQ(read, data);
  EXPECT_EQ(stream.Read(piece, sizeof(piece)), 0);

  EXPECT_FALSE(stream.Open(path, "missing", 100));
  EXPECT_FALSE(stream.Open(path, "small", 3));  // declares more than allowed
  EXPECT_FALSE(stream.Open(folder.File("missing.zip"), "small", 100));

  // One changed byte of stored data: the checksum fails at the end.
  std::string bytes = ReadFile(path);
  const size_t at = bytes.find("x=\"19999\"");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] = '8';
  WriteFile(path, bytes);
  ASSERT_TRUE(stream.Open(path, "3D/a.model", data.size()));
  std::vector<char> buffer(1 << 16);
  while ((got = stream.Read(buffer.data(), buffer.size())) > 0) {
  }
  EXPECT_EQ(got, -1);
}

}  // namespace
}  // namespace torvane

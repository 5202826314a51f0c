// The zip component: archiving a folder tree, the component's presence, and
// streamed entries with their size limit and damaged data.

#include "formats/zip/zip.h"
#include "archive_test_support.h"
#include "format_test_support.h"

namespace torvane {
namespace {

using namespace test;

TEST(Zip, FolderTreeArchive) {
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
  // No entries for the folders.
  EXPECT_EQ(ListZipEntries(archive).value_or(std::vector<ZipEntry>{}).size(), 3u);
  EXPECT_EQ(EntryBytes(archive, "3D/3dmodel.model"), std::string(100000, 'm'));

  RecordingProgress cancelling(0);
  EXPECT_FALSE(AddFolderToZip(folder.File("c.zip"), root, root + "/.", cancelling));
  EXPECT_FALSE(AddFolderToZip(folder.File("d.zip"), root, "/elsewhere", progress));

  EXPECT_EQ(ZipAvailable(progress), 0);
  SetZipMissingForTesting(true);
  EXPECT_EQ(ZipAvailable(progress), 2);
  EXPECT_EQ(ZipAvailable(cancelling), 1);
  SetZipMissingForTesting(false);
}

// Hostile entry names, truncated archives and files that are no zip are
// 3MF files of the broken corpus, read with TMPDIR watched.
TEST(Zip, EntryStreamReadsPiecesAndRefusesDamage) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 20000; ++i)
    data += "<vertex x=\"" + std::to_string(i) + "\"/>\n";
  const std::string path = folder.File("a.zip");
  MakeArchive(path, {{"3D/a.model", data}, {"small", "tiny"}}, true);

  // Pieces of any size put the data back together, then the end is 0 (or
  // -1 when the data is damaged).
  ZipEntryStream stream;
  const auto readAll = [&stream](std::string& read) {
    char piece[7];
    int64_t got;
    while ((got = stream.Read(piece, sizeof(piece))) > 0)
      read.append(piece, static_cast<size_t>(got));
    return got;
  };
  std::string read;
  ASSERT_TRUE(stream.Open(path, "3D/a.model", data.size()));
  EXPECT_EQ(readAll(read), 0);
  EXPECT_EQ(read, data);
  EXPECT_EQ(readAll(read), 0);

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
  EXPECT_EQ(readAll(read), -1);
}

}  // namespace
}  // namespace torvane

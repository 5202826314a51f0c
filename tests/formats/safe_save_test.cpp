// Saving through a temporary file: the previous file survives failed and
// cancelled saves, keeps its permission bits, and links stay links.
#include <sys/stat.h>
#include <unistd.h>

#include "format_test_support.h"
#include "formats/safe_save.h"
#include "formats/temp_folder.h"

namespace torvane {
namespace {

using namespace test;

mode_t ModeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(SafeSave, FailedAndCancelledSavesLeaveThePreviousFile) {
  TempFolder folder;
  const std::string path = folder.File("model.stl");
  WriteFile(path, "previous");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);

  // A writer that wrote half its file and then failed.
  std::string seen;
  EXPECT_EQ(SaveThroughTemporaryFile(path,
                                     [&](const std::string& temporary) {
                                       seen = temporary;
                                       WriteFile(temporary, "half");
                                       return 2;
                                     }),
            2);
  EXPECT_NE(seen, path);
  EXPECT_EQ(seen.substr(0, folder.path().size()), folder.path());
  EXPECT_EQ(ReadFile(path), "previous");
  EXPECT_EQ(folder.EntryCount(), 1u);

  // A real save cancelled while preparing its data.
  Document document;
  FindObject(document, AddTriangles(document, Tetrahedron()))->mesh.hasMaterial = true;
  ImportedModel model = ModelOf(document);
  RecordingProgress progress, cancelling(0);
  EXPECT_EQ(SaveModelFile(path, cancelling, model), kCancelled);
  EXPECT_EQ(ReadFile(path), "previous");
  EXPECT_EQ(folder.EntryCount(), 1u);

  // A successful save replaces the content and keeps the mode.
  EXPECT_EQ(SaveModelFile(path, progress, model), kLoaded);
  EXPECT_EQ(ReadFile(path).size(), 84u + 4 * 50);
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(folder.EntryCount(), 1u);

  // The OBJ material file is named after the target, not the temporary file.
  ImportedModel obj = ModelOf(document);
  ASSERT_EQ(SaveModelFile(folder.File("m.obj"), progress, obj), kLoaded);
  EXPECT_EQ(folder.EntryCount(), 3u);
  EXPECT_NE(ReadFile(folder.File("m.obj")).find("mtllib m.mtl"), std::string::npos);
  EXPECT_FALSE(ReadFile(folder.File("m.mtl")).empty());
}

TEST(SafeSave, LinksStayLinksAndFoldersAreRefused) {
  TempFolder folder;
  const std::string real = folder.File("real.stl");
  const std::string link = folder.File("link.stl");
  WriteFile(real, "previous");
  ASSERT_EQ(symlink("real.stl", link.c_str()), 0);
  EXPECT_EQ(SaveThroughTemporaryFile(link,
                                     [](const std::string& temporary) {
                                       WriteFile(temporary, "new");
                                       return 0;
                                     }),
            0);
  struct stat info;
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadFile(real), "new");

  const std::string sub = folder.File("sub.stl");
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  bool ran = false;
  EXPECT_EQ(SaveThroughTemporaryFile(sub,
                                     [&](const std::string&) {
                                       ran = true;
                                       return 0;
                                     }),
            2);
  EXPECT_FALSE(ran);
  EXPECT_EQ(
      SaveThroughTemporaryFile(folder.File("missing/x.stl"), [](const std::string&) { return 0; }),
      2);
}

TEST(TemporaryFolder, NewPrivateFolderEachTime) {
  const std::string a = CreateTemporaryFolder();
  const std::string b = CreateTemporaryFolder();
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  EXPECT_NE(a.find("/Torvane-"), std::string::npos);
  EXPECT_EQ(ModeOf(a), 0700u);
  WriteFile(a + "/inside", "x");
  EXPECT_TRUE(RemoveTemporaryFolder(a));
  EXPECT_TRUE(RemoveTemporaryFolder(b));
  EXPECT_NE(access(a.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace torvane

// FBX files open in the program the three ways a file opens (the Open
// dialog with its FBX filter, the command line, a drop), through the
// converter named by the Components/modelrelay/Path setting. A stand-in
// converter sends the meshes, so no FBX library is needed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/document_file.h"
#include "app/document_lifecycle.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "formats/relay_test_support.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

std::string FakeFbx() {
  using namespace relay_test;
  return FakeScript("send", 0, Header(1, 1) + Meshes(BlockBytes(kTetrahedron)));
}

class FbxOpenTest : public ::testing::Test {
 protected:
  FbxOpenTest()
      : folders_(ShellFoldersUnder(temp_.Path("Documents"), temp_.Path("sample.stl"))),
        life_{doc_, ui_, host_, folders_, false, 1, 1, AutosaveMark{}} {
    std::filesystem::create_directories(folders_.documents);
    doc_.defaultFolder = folders_.documents;
    ResetDocument(doc_);
    WriteSettingString(ComponentGroup("modelrelay"), kComponentPath,
                       TORVANE_BINARY_DIR "/tests/torvane_fake_modelrelay");
    std::ofstream(fbx_, std::ios::binary) << FakeFbx();
  }

  void ExpectOpened() {
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text;
    EXPECT_EQ(doc_.filePath, fbx_);
    EXPECT_EQ(doc_.fileType, 8u);
    EXPECT_EQ(TriangleTotal(doc_), 4u);
  }

  test::ScopedSettings settings_;
  test::TempFolder temp_;
  ShellFolders folders_;
  Document doc_;
  test::ScriptedUi ui_;
  test::RecordingHost host_;
  Lifecycle life_;
  std::string fbx_ = temp_.Path("model.fbx");
};

TEST_F(FbxOpenTest, OpensFromTheDialogTheCommandLineAndADrop) {
  ui_.files.push_back(fbx_);
  OpenDocument(life_);
  ExpectOpened();
  ASSERT_EQ(ui_.dialogs.size(), 1u);
  const std::vector<FileFilter>& filters = ui_.dialogs[0].filters;
  EXPECT_TRUE(std::any_of(filters.begin(), filters.end(), [](const FileFilter& f) {
    return f.label == "Autodesk FBX Format (*.fbx)" && f.patterns == "*.fbx";
  }));

  CloseDocument(life_);
  OpenFromCommandLine(life_, {"torvane", fbx_});
  ExpectOpened();

  CloseDocument(life_);
  OpenDroppedFiles(life_, {temp_.Path("notes.txt"), fbx_});
  ExpectOpened();
}

}  // namespace
}  // namespace torvane

// FBX files open in the program the three ways a file opens (the Open
// dialog with its FBX filter, the command line, a drop), through the
// converter named by the Components/modelrelay/Path setting. A stand-in
// converter sends the meshes, so no FBX library is needed here.
#include <gtest/gtest.h>

#include <algorithm>
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

class FbxOpenTest : public test::LifecycleTest {
 protected:
  FbxOpenTest() {
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

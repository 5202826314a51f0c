// FBX files open in the program through the converter named by the
// Components/modelrelay/Path setting. A stand-in converter sends the
// meshes, so no FBX library is needed here.
#include <gtest/gtest.h>

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

  std::string fbx_ = temp_.Path("model.fbx");
};

// The Open dialog's FBX filter is in the lifecycle's filter texts, and the
// dialog, the command line and a drop all end in the same open.
TEST_F(FbxOpenTest, OpensFromTheCommandLine) {
  OpenFromCommandLine(life_, {"torvane", fbx_});
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text;
  EXPECT_EQ(doc_.filePath, fbx_);
  EXPECT_EQ(doc_.fileType, 8u);
  EXPECT_EQ(TriangleTotal(doc_), 4u);
}

}  // namespace
}  // namespace torvane

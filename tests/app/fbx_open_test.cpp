// FBX files open in the program the three ways a file opens (the Open
// dialog with its FBX filter, the command line, a drop), through the
// converter named by the Components/modelrelay/Path setting. A stand-in
// converter sends the meshes, so no FBX library is needed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/document_file.h"
#include "app/document_lifecycle.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

std::string U32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string F32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return U32(bits);
}

// What the stand-in sends for one tetrahedron (see the formats tests).
std::string TetrahedronMessages() {
  std::string block = U32(4) + U32(12) + U32(0) + U32(0);
  for (float c : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f})
    block += F32(c);
  for (uint32_t i : {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3})
    block += U32(i);
  const std::string value = std::string{0, 0, 1, 0} + U32(1);
  return value + std::string{0, 0, 2, 0} + U32(uint32_t(16 + block.size())) + std::string(8, 0) +
         block;
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
    std::ofstream(fbx_, std::ios::binary) << "send 0\n" << TetrahedronMessages();
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

TEST_F(FbxOpenTest, AConverterThatFailsIsTheOpenFailure) {
  std::ofstream(fbx_, std::ios::binary) << "send 1\n" << TetrahedronMessages();
  OpenDroppedFiles(life_, {fbx_});
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "There has been an error opening the file:\n\n" + fbx_);
  EXPECT_EQ(TriangleTotal(doc_), 0u);
}

}  // namespace
}  // namespace torvane

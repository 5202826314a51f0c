// The screenshot run shows what a normal start shows, without questions,
// messages or changes on disk.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/autosave.h"
#include "app/document_file.h"
#include "app/document_lifecycle.h"
#include "app/screenshot.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::AddTriangles;
using test::RecordingHost;
using test::ScopedSettings;
using test::ScriptedUi;
using test::TempFolder;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Autosave { kNone, kWork, kBroken, kWithoutTriangles };

// Writes the sample model (8 triangles) and the autosave the case asks for.
void PrepareFolders(const ShellFolders& folders, Autosave autosave) {
  fs::create_directories(folders.documents);
  NullProgress quiet;
  Document sample;
  AddTriangles(sample, 8);
  ASSERT_EQ(SaveDocumentFile(sample, quiet, folders.sampleModel, false), 0);
  if (autosave == Autosave::kNone) return;
  fs::create_directories(folders.autoSave);
  if (autosave == Autosave::kBroken) {
    std::ofstream(folders.autoSave + "/lost.stl.autosave.tvx") << "not a tvx file";
    return;
  }
  Document work;
  ResetDocument(work);
  work.filePath = folders.documents + "/work.stl";
  work.untitled = false;
  AddTriangles(work, autosave == Autosave::kWork ? 5 : 0);
  work.haveChanges = true;
  ASSERT_TRUE(WriteAutosave(work, folders.autoSave));
}

TEST(ScreenshotStart, ShowsWhatANormalStartShowsAndLeavesTheFilesAlone) {
  ScopedSettings settings;
  const Autosave cases[] = {Autosave::kNone, Autosave::kWork, Autosave::kBroken,
                            Autosave::kWithoutTriangles};
  for (Autosave autosave : cases) {
    SCOPED_TRACE(static_cast<int>(autosave));
    TempFolder temp;
    const ShellFolders folders = ShellFoldersUnder(temp.Path("Documents"), temp.Path("sample.tvx"));
    PrepareFolders(folders, autosave);
    const std::string autosaveFile = FindAutosaveFile(folders.autoSave);
    const std::string autosaveBytes = autosaveFile.empty() ? "" : ReadBytes(autosaveFile);

    Document shot;
    shot.defaultFolder = folders.documents;
    ResetDocument(shot);
    ScriptedUi quietUi;  // fails the test on any question
    RecordingHost shotHost;
    Lifecycle shotLife = test::MakeLifecycle(shot, quietUi, shotHost, folders);
    OpenStartDocument(shotLife);
    EXPECT_TRUE(quietUi.messages.empty());
    EXPECT_TRUE(quietUi.progressTitles.empty());
    if (!autosaveFile.empty()) {
      EXPECT_EQ(ReadBytes(autosaveFile), autosaveBytes);
    }

    // The normal start over the same folders, after the screenshot.
    Document normal;
    normal.defaultFolder = folders.documents;
    ResetDocument(normal);
    ScriptedUi ui;
    RecordingHost host;
    Lifecycle life = test::MakeLifecycle(normal, ui, host, folders);
    OpenFromCommandLine(life, {"torvane"});

    EXPECT_EQ(TriangleTotal(shot), TriangleTotal(normal));
    EXPECT_EQ(shot.objectCount, normal.objectCount);
    EXPECT_EQ(shot.filePath, normal.filePath);
    EXPECT_EQ(shot.untitled, normal.untitled);
    EXPECT_EQ(IsModified(shot), IsModified(normal));
    EXPECT_EQ(shotHost.titleModified, host.titleModified);
  }
}

// The program itself, in a home of its own.
TEST(ScreenshotRun, WritesTheImageAndNoSettingsOrAutosaveChanges) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display";
  TempFolder home;
  const ShellFolders folders =
      ShellFoldersUnder(home.Path("Documents"), home.Path("Documents/sample.tvx"));
  PrepareFolders(folders, Autosave::kWork);
  const std::string autosaveFile = FindAutosaveFile(folders.autoSave);
  const std::string autosaveBytes = ReadBytes(autosaveFile);

  const QProcessEnvironment env = test::ProgramEnvironment(home.Path());
  auto run = [&](const QStringList& arguments) {
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromUtf8(TORVANE_BINARY_DIR "/app/torvane"), arguments);
    if (!program.waitForFinished(60000)) return -1;
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  };

  const std::string image = home.Path("start.png");
  ASSERT_EQ(run({QStringLiteral("--screenshot"), QString::fromStdString(image)}), 0);
  const QImage written(QString::fromStdString(image));
  EXPECT_FALSE(written.isNull());
  EXPECT_EQ(ReadBytes(autosaveFile), autosaveBytes);
  EXPECT_FALSE(fs::exists(home.Path(".config/Ovalis Software")));

  const std::string missing = home.Path("missing.png");
  EXPECT_EQ(run({QStringLiteral("--screenshot"), QString::fromStdString(missing),
                 QString::fromStdString(home.Path("no such model.stl"))}),
            2);
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace torvane

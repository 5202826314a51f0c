// The document lifecycle with scripted answers: the unsaved-changes
// questions, Save and Save As, dropped files, the save progress threshold,
// the close query, the autosave with its restoration, FBX files opened
// through the converter named by the Components/modelrelay/Path setting (a
// stand-in converter sends the meshes), and the transfer to the 3D converter.
// Then the program's start: a normal start restores the autosave or loads
// the sample model, a screenshot run shows the same without questions,
// messages or changes on disk, and, end to end, the real program killed
// after an autosave tick brings the work back at its next start with its
// file name and its unsaved state. Keys are typed with xdotool on the test's
// X display; HOME and the XDG folders point into a temporary folder, so the
// user's own settings are never touched.
#include <signal.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <iterator>
#include <thread>

#include "app/autosave.h"
#include "app/screenshot.h"
#include "formats/relay_test_support.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::AddTriangles;
using test::DocumentState;

class LifecycleTest : public test::LifecycleTest {
 protected:
  // The document as if it had been opened from `name` in the temporary folder.
  void Titled(const std::string& name) {
    doc_.untitled = false;
    doc_.filePath = temp_.Path(name);
  }
};

TEST_F(LifecycleTest, CloseAsksOnlyAboutUnsavedTrianglesAndMessagesAndFiltersReadAsWritten) {
  // Changes without any triangle: cleared without a question.
  doc_.haveChanges = true;
  EXPECT_TRUE(CloseDocument(life_));
  EXPECT_EQ(ui_.Asked(), "");

  AddTriangles(doc_, 4);
  ui_.threeAnswers = {kAnswerCancel};
  EXPECT_FALSE(CloseDocument(life_));
  EXPECT_EQ(
      ui_.Asked(),
      "Do you want to save changes before closing?|Unsaved Changes|Save|Close Without Saving");
  // "Save" on an untitled document whose Save As dialog is cancelled: the
  // work stays.
  ui_.threeAnswers = {kAnswerFirst};
  ui_.files = {std::nullopt};
  EXPECT_FALSE(CloseDocument(life_));
  EXPECT_TRUE(AnyWithTriangles(doc_));

  ui_.threeAnswers = {kAnswerSecond};
  EXPECT_TRUE(CloseDocument(life_));
  EXPECT_EQ(DocumentState(doc_), folders_.documents + "/Untitled.stl untitled unchanged 0");
  EXPECT_FALSE(host_.titleModified);

  // The texts of the open report, the save questions and warnings and the
  // file dialogs' filters, as the user reads them.
  ui_.questions.clear();
  for (uint32_t flags : {kOpenFailed | kOpenTooLarge, kOpenFailed, kOpenNoMeshes, 0u})
    ReportOpenResult(life_, flags, "m.stl");
  EXPECT_EQ(
      ui_.Shown(),
      "File Open Failed: The model file is too large to load into the available memory.\n---\n"
      "File Open Failed: There has been an error opening the file:\n\nm.stl\n---\nFile "
      "Opened: The opened file doesn't contain any model meshes.");
  auto filters = [](const std::vector<FileFilter>& list) {
    std::string out;
    for (const FileFilter& filter : list)
      out += filter.label + "=" + filter.patterns + "|";
    return out;
  };
  EXPECT_EQ(filters(OpenFileFilters()),
            "Model Formats=*.stl;*.3ds;*.tvx;*.3mf;*.obj;*.ply;*.fbx;|TVX File Format "
            "(*.tvx)=*.tvx|3DS File Format (*.3ds)=*.3ds|3MF File Format (*.3mf)=*.3mf|OBJ File "
            "Format (*.obj)=*.obj|PLY File Format (*.ply)=*.ply|STL File Format (*.stl)=*.stl|"
            "Autodesk FBX Format (*.fbx)=*.fbx|All Files=*.*|");
  EXPECT_EQ(filters(SaveFileFilters()),
            "TVX File Format (*.tvx)=*.tvx|3DS File Format (*.3ds)=*.3ds|3MF File Format "
            "(*.3mf)=*.3mf|OBJ File Format (*.obj)=*.obj|PLY File Format (*.ply)=*.ply|STL File "
            "Format (*.stl)=*.stl|");

  // An empty titled document asks before saving nothing; "No" writes nothing.
  Titled("empty.stl");
  doc_.haveChanges = true;
  ui_.twoAnswers = {false};
  ui_.messages.clear();
  SaveDocument(life_);
  EXPECT_EQ(ui_.Asked(),
            "There are no current model objects, do you want to save as an empty file?|Save Empty "
            "File|Save|No");
  EXPECT_FALSE(fs::exists(doc_.filePath));

  // A 2D drawing is left out of the file, with a warning first.
  const uint32_t drawing = AddTriangles(doc_, 2);
  FindObject(doc_, drawing)->outlineShapes.emplace_back();
  AddTriangles(doc_, 2);
  SaveDocument(life_);
  EXPECT_EQ(ui_.Shown(),
            "Save File: The 2D drawing will not be saved to the file.\n\nPlease convert the 2D "
            "drawing to a 3D mesh if you wish to save this object.");
  EXPECT_TRUE(fs::exists(doc_.filePath));
}

TEST_F(LifecycleTest, SaveAsTryAnotherShowsTheDialogAgainAndCancelChangesNothing) {
  const std::string existing = test::WriteModelFile(temp_.Path("existing.stl"), 4);
  const std::string fresh = temp_.Path("fresh.tvx");
  AddTriangles(doc_, 4);
  const std::string untitled = DocumentState(doc_);
  ui_.files = {existing};
  ui_.threeAnswers = {kAnswerCancel};
  SaveDocumentAs(life_);
  EXPECT_EQ(DocumentState(doc_), untitled);
  ASSERT_EQ(ui_.dialogs.size(), 1u);
  // STL preselected for a proposed name.
  EXPECT_EQ(ui_.dialogs[0].title + "|" + ui_.dialogs[0].proposedName + "|" +
                std::to_string(ui_.dialogs[0].filterIndex),
            "Save File As|Untitled.stl|6");

  ui_.files = {existing, fresh};
  ui_.threeAnswers = {kAnswerSecond};  // "Try Another"
  SaveDocumentAs(life_);
  EXPECT_EQ(ui_.dialogs.size(), 3u);
  EXPECT_EQ(ui_.questions.back(),
            "File already exists. Do you want to overwrite it?|Confirm Save As|Overwrite|Try "
            "Another");
  EXPECT_EQ(DocumentState(doc_), fresh + " titled unchanged 4");
  EXPECT_TRUE(fs::exists(fresh));
  EXPECT_EQ(doc_.fileType, 0u);  // TVX
  EXPECT_EQ(ReadSettingString(kGroupSettings, kDocumentFolder, ""), temp_.Path());
}

TEST_F(LifecycleTest, DropsAndFbxFilesOpenAndTheConverterGetsTheTransferFile) {
  const std::string upper = test::WriteModelFile(temp_.Path("FIRST.STL"), 6);
  OpenDroppedFiles(
      life_, {temp_.Path("notes.txt"), upper, test::WriteModelFile(temp_.Path("second.stl"), 4)});
  EXPECT_EQ(DocumentState(doc_), upper + " titled unchanged 6");
  EXPECT_EQ(ui_.progressTitles, std::vector<std::string>{"Opening FIRST.STL"});
  EXPECT_EQ(ui_.Shown(), "");

  OpenDroppedFiles(life_, {temp_.Path("notes.txt")});
  EXPECT_EQ(doc_.filePath, upper);  // nothing was closed
  // A file that fails to load is reported and leaves an untitled document.
  const std::string broken = temp_.Path("broken.stl");
  std::ofstream(broken) << "solid nothing useful\nfacet garbage\n";
  OpenDroppedFiles(life_, {broken});
  EXPECT_EQ(ui_.Shown(),
            "Drag Drop: No handled file types to open.\n---\nFile Open Failed: There has been an "
            "error opening the file:\n\n" +
                broken);
  // (in the folder the last file came from)
  EXPECT_EQ(DocumentState(doc_), temp_.Path("Untitled.stl") + " untitled unchanged 0");

  // An FBX file opens through the converter the setting names.
  using namespace relay_test;
  ui_.messages.clear();
  WriteSettingString(ComponentGroup("modelrelay"), kComponentPath,
                     TORVANE_BINARY_DIR "/tests/torvane_fake_modelrelay");
  const std::string fbx = temp_.Path("model.fbx");
  std::ofstream(fbx, std::ios::binary)
      << FakeScript("send", 0, Header(1, 1) + Meshes(BlockBytes(kTetrahedron)));
  OpenFromCommandLine(life_, {"torvane", fbx});
  EXPECT_EQ(ui_.Shown(), "");
  EXPECT_EQ(DocumentState(doc_), fbx + " titled unchanged 4");
  EXPECT_EQ(doc_.fileType, 8u);

  ClearDocument(life_);
  AddTriangles(doc_, 4);
  doc_.filePath = folders_.documents + "/part.stl";
  WriteSettingString(ComponentGroup(kConverterComponent), kComponentPath, "/opt/gyre/gyre3d");
  TransferToConverter(life_);
  ASSERT_EQ(ui_.started, std::vector<std::string>{"/opt/gyre/gyre3d"});
  EXPECT_EQ(ui_.startArguments, std::vector<std::string>{folders_.transfer + "/part.tvx"});
  EXPECT_TRUE(fs::exists(folders_.transfer + "/part.tvx"));

  ui_.startSucceeds = false;
  TransferToConverter(life_);
  WriteSettingString(ComponentGroup(kConverterComponent), kComponentPath, "");
  TransferToConverter(life_);
  EXPECT_EQ(ui_.Shown(),
            "3D Converter: The 3D file format converter \"Gyre 3D\" could not be "
            "started:\n\n/opt/gyre/gyre3d\n---\n3D Converter: The 3D file format converter \"Gyre "
            "3D\" is not installed.\n\nSet its program in the setting Components/Gyre 3D/Path.");
}

TEST_F(LifecycleTest, SaveShowsProgressFromAThousandTrianglesAndSaveAndAutosaveWriteOnlyChanges) {
  for (uint32_t triangles : {999u, 1000u}) {
    ClearDocument(life_);
    ui_.progressTitles.clear();
    AddTriangles(doc_, triangles);
    Titled("big.stl");
    SaveDocument(life_);
    EXPECT_FALSE(IsModified(doc_));
    EXPECT_EQ(ui_.progressTitles.size(), triangles / 1000) << triangles;
  }
  EXPECT_EQ(ui_.progressTitles.back(), "Saving big.stl");
  // Saved and unchanged: Save writes nothing and asks nothing, and on an
  // untitled document it does not even offer Save As.
  fs::remove(doc_.filePath);
  SaveDocument(life_);
  EXPECT_FALSE(fs::exists(doc_.filePath));
  ClearDocument(life_);
  SaveDocument(life_);
  EXPECT_TRUE(ui_.dialogs.empty());
  EXPECT_EQ(ui_.Asked(), "");

  // The autosave tick writes only when something changed.
  AddTriangles(doc_, 4);
  doc_.filePath = folders_.documents + "/tick.stl";
  const std::string autosave = folders_.autoSave + "/tick.stl.autosave.tvx";
  AutosaveTick(life_);
  EXPECT_TRUE(fs::remove(autosave));  // written, and removed here
  AutosaveTick(life_);                // nothing changed since
  EXPECT_FALSE(fs::exists(autosave));
  // An undo changes no object flag but replaces the objects.
  RecordHistory(doc_);
  AddTriangles(doc_, 2);
  AutosaveTick(life_);
  EXPECT_TRUE(fs::remove(autosave));
  Undo(doc_);
  AutosaveTick(life_);
  EXPECT_TRUE(fs::remove(autosave));
  // A document path without a file name is never autosaved.
  doc_.filePath = folders_.documents + "/";
  AddTriangles(doc_, 1);
  EXPECT_FALSE(WriteAutosaveNow(life_));
  EXPECT_TRUE(FindAutosaveFile(folders_.autoSave).empty());
}

TEST_F(LifecycleTest, ExitWithChangesAutosavesAndTheNextStartRestores) {
  const std::string model = test::WriteModelFile(temp_.Path("work.stl"), 4);
  OpenFile(life_, model);
  AddTriangles(doc_, 5);
  EXPECT_TRUE(QueryExit(life_));  // SaveChangesOnExit is false: no question
  EXPECT_EQ(ui_.Asked(), "");
  const std::string autosave = folders_.autoSave + "/work.stl.autosave.tvx";
  EXPECT_TRUE(fs::exists(autosave));

  // The next start.
  test::Session next(folders_);
  OpenFromCommandLine(next.life, {"torvane"});
  EXPECT_EQ(DocumentState(next.doc), model + " titled modified 9");
  EXPECT_EQ(next.ui.Shown(), "Autosave: Autosave project restored.");
  EXPECT_EQ(next.ui.progressTitles, std::vector<std::string>{"Loading last session"});
  EXPECT_TRUE(next.host.titleModified);

  // Opening the same file again asks whether to keep the restored work.
  next.ui.twoAnswers = {true};
  OpenFromCommandLine(next.life, {"torvane", model});
  EXPECT_EQ(next.ui.Asked(),
            "You are attempting to open the same file. Do you want to keep the unsaved changes or "
            "revert back to the original file?|Unsaved Changes|Keep Changes|Revert Changes");
  EXPECT_EQ(TriangleTotal(next.doc), 9u);
  // Reverting loads the file as saved; the autosave goes with the old state.
  next.ui.twoAnswers = {false};
  OpenFromCommandLine(next.life, {"torvane", model});
  EXPECT_EQ(DocumentState(next.doc), model + " titled unchanged 4");
  EXPECT_FALSE(fs::exists(autosave));
  // An unmodified document leaves no autosave behind at exit.
  EXPECT_TRUE(QueryExit(next.life));
  EXPECT_FALSE(fs::exists(folders_.autoSave));

  // Told to ask at exit: Cancel keeps the program running, Save saves.
  WriteSettingBool(kGroupSettings, kSaveChangesOnExit, true);
  AddTriangles(next.doc, 4);
  next.ui.threeAnswers = {kAnswerCancel, kAnswerFirst};
  next.ui.progressTitles.clear();
  EXPECT_FALSE(QueryExit(next.life));
  EXPECT_TRUE(QueryExit(next.life));
  EXPECT_EQ(DocumentState(next.doc), model + " titled unchanged 8");
  EXPECT_EQ(next.ui.progressTitles, std::vector<std::string>{"Saving work.stl"});
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Autosave { kNone, kWork, kBroken, kWithoutTriangles };

// Writes the sample model (8 triangles) and the autosave the case asks for.
void PrepareFolders(const ShellFolders& folders, Autosave autosave) {
  fs::create_directories(folders.documents);
  test::WriteModelFile(folders.sampleModel, 8);
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

TEST(ProgramStart, ScreenshotShowsWhatANormalStartShowsAndLeavesTheFilesAlone) {
  test::ScopedSettings settings;
  // What the normal start shows, in the documents folder.
  const std::pair<Autosave, const char*> kCases[] = {
      {Autosave::kNone, "Untitled.stl untitled unchanged 8"},
      {Autosave::kWork, "work.stl titled modified 5"},
      {Autosave::kBroken, "Untitled.stl untitled unchanged 8"},
      {Autosave::kWithoutTriangles, "Untitled.stl untitled unchanged 8"}};
  for (const auto& [autosave, state] : kCases) {
    SCOPED_TRACE(static_cast<int>(autosave));
    test::TempFolder temp;
    const ShellFolders folders = ShellFoldersUnder(temp.Path("Documents"), temp.Path("sample.tvx"));
    PrepareFolders(folders, autosave);
    const std::string autosaveFile = FindAutosaveFile(folders.autoSave);
    const std::string autosaveBytes = ReadBytes(autosaveFile);

    test::Session shot(folders);  // its answers fail the test on any question
    OpenStartDocument(shot.life);
    EXPECT_EQ(shot.ui.Shown(), "");
    EXPECT_TRUE(shot.ui.progressTitles.empty());
    EXPECT_EQ(ReadBytes(autosaveFile), autosaveBytes);

    // The normal start over the same folders, after the screenshot.
    test::Session normal(folders);
    OpenFromCommandLine(normal.life, {"torvane"});
    EXPECT_EQ(test::DocumentState(normal.doc), folders.documents + "/" + state);
    const bool restored = autosave == Autosave::kWork;
    EXPECT_EQ(normal.ui.Shown(), restored ? "Autosave: Autosave project restored." : "");
    if (autosave == Autosave::kBroken) {
      EXPECT_FALSE(fs::exists(autosaveFile)) << "a broken autosave would fail at every start";
    }
    EXPECT_EQ(test::DocumentState(shot.doc), test::DocumentState(normal.doc));
    EXPECT_EQ(shot.doc.objectCount, normal.doc.objectCount);
    EXPECT_EQ(shot.host.titleModified, normal.host.titleModified);
  }
}

// How long any single step of a run may take before the test gives up on it.
constexpr auto kPatience = std::chrono::seconds(60);

QString RunTool(const QStringList& arguments) {
  QProcess tool;
  tool.start(QStringLiteral("xdotool"), arguments);
  tool.waitForFinished(20000);
  return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

template <class Condition>
bool WaitFor(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return condition();
}

// The program itself with `home` as its home, autosaving every 200 ms.
class Program {
 public:
  Program(const std::string& home, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString h = QString::fromStdString(home);
    env.insert(QStringLiteral("HOME"), h);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), h + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), h + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), h + QStringLiteral("/run"));
    env.insert(QStringLiteral("TORVANE_AUTOSAVE_MS"), QStringLiteral("200"));
    fs::create_directories(home + "/run");
    fs::permissions(home + "/run", fs::perms::owner_all);
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QString::fromUtf8(TORVANE_BINARY_DIR "/app/torvane"), arguments);
    EXPECT_TRUE(process_.waitForStarted(20000));
  }
  ~Program() {
    if (process_.state() != QProcess::NotRunning) KillHard();
  }
  // The exit code of a run that ends by itself; -1 for a crash or a hang.
  int ExitCode() {
    if (!process_.waitForFinished(60000)) return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  QString pid() const { return QString::number(process_.processId()); }
  void KillHard() {
    ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
    process_.waitForFinished(20000);
  }
  // The main window's id, once it shows.
  QString MainWindow() {
    QString id;
    WaitFor([&] {
      id = RunTool({"search", "--pid", pid(), "--name", "Torvane by"}).section('\n', 0, 0);
      return !id.isEmpty();
    });
    return id;
  }
  QString Title(const QString& window) { return RunTool({"getwindowname", window}); }

 private:
  QProcess process_;
};

TEST(ProgramRun, ScreenshotWritesTheImageAndNoSettingsOrAutosaveChanges) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display";
  test::TempFolder home;
  const ShellFolders folders =
      ShellFoldersUnder(home.Path("Documents"), home.Path("Documents/sample.tvx"));
  PrepareFolders(folders, Autosave::kWork);
  const std::string autosaveFile = FindAutosaveFile(folders.autoSave);
  const std::string autosaveBytes = ReadBytes(autosaveFile);

  const std::string image = home.Path("start.png");
  EXPECT_EQ(Program(home.Path(), {"--screenshot", QString::fromStdString(image)}).ExitCode(), 0);
  EXPECT_FALSE(QImage(QString::fromStdString(image)).isNull());
  EXPECT_EQ(ReadBytes(autosaveFile), autosaveBytes);
  EXPECT_FALSE(fs::exists(home.Path(".config/Ovalis Software")));

  const std::string missing = home.Path("missing.png");
  EXPECT_EQ(Program(home.Path(), {"--screenshot", QString::fromStdString(missing),
                                  QString::fromStdString(home.Path("no such model.stl"))})
                .ExitCode(),
            2);
  EXPECT_FALSE(fs::exists(missing));
}

TEST(ProgramRun, KilledAfterAnAutosaveTheNextStartRestoresTheWork) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") ||
      QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
    GTEST_SKIP() << "needs an X display and xdotool";
  }
  test::TempFolder home;
  const std::string model = home.Path("work.stl");
  test::WriteModelFile(model, 4);
  const std::string autosave = home.Path("Documents/Torvane/AutoSave/work.stl.autosave.tvx");
  const QString cleanTitle = QStringLiteral("Torvane by Ovalis Software - work.stl");
  const QString changedTitle = cleanTitle + QLatin1Char('*');
  {
    Program first(home.Path(), {QString::fromStdString(model)});
    const QString window = first.MainWindow();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return first.Title(window) == cleanTitle; }));
    // Edit > Add Cube by keyboard: the menu opens on its first enabled item
    // ("3D Select Mode"), then "Color", "Color Picker" and "Add Cube".
    RunTool({"windowfocus", "--sync", window});
    RunTool({"key", "--delay", "150", "alt+e", "Down", "Down", "Down", "Return"});
    ASSERT_TRUE(WaitFor([&] { return first.Title(window) == changedTitle; }));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(autosave); }));
    // Let the tick that follows the change finish writing.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    first.KillHard();
  }
  ASSERT_TRUE(fs::exists(autosave));

  Program second(home.Path(), {});
  const QString window = second.MainWindow();
  ASSERT_FALSE(window.isEmpty());
  // The file name and the unsaved mark come back with the work, announced.
  EXPECT_TRUE(WaitFor([&] { return second.Title(window) == changedTitle; }))
      << second.Title(window).toStdString();
  EXPECT_TRUE(WaitFor([&] {
    return !RunTool({"search", "--pid", second.pid(), "--name", "^Autosave$"}).isEmpty();
  }));
  // And the restored document is the changed one: the model and the cube.
  Document restored;
  NullProgress quiet;
  uint32_t flags = 0;
  ASSERT_EQ(LoadDocumentFile(restored, quiet, autosave, true, flags), kLoaded);
  EXPECT_EQ(restored.filePath, model);
  EXPECT_TRUE(IsModified(restored));
  EXPECT_EQ(TriangleTotal(restored), 4u + 12u);
}

}  // namespace
}  // namespace torvane

// Starting the program: a normal start restores the autosave or loads the
// sample model, a screenshot run shows the same without questions, messages
// or changes on disk, and, end to end, the real program killed after an
// autosave tick brings the work back at its next start with its file name
// and its unsaved state. Keys are typed with xdotool on the test's X
// display; HOME and the XDG folders point into a temporary folder, so the
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
#include "shell_test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::AddTriangles;
using test::TempFolder;

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
  const struct {
    Autosave autosave;
    const char* state;
  } kCases[] = {{Autosave::kNone, "Untitled.stl untitled unchanged 8"},
                {Autosave::kWork, "work.stl titled modified 5"},
                {Autosave::kBroken, "Untitled.stl untitled unchanged 8"},
                {Autosave::kWithoutTriangles, "Untitled.stl untitled unchanged 8"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.autosave));
    TempFolder temp;
    const ShellFolders folders = ShellFoldersUnder(temp.Path("Documents"), temp.Path("sample.tvx"));
    PrepareFolders(folders, c.autosave);
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
    EXPECT_EQ(test::DocumentState(normal.doc), folders.documents + "/" + c.state);
    const bool restored = c.autosave == Autosave::kWork;
    EXPECT_EQ(normal.ui.Shown(), restored ? "Autosave: Autosave project restored." : "");
    if (c.autosave == Autosave::kBroken) {
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
  TempFolder home;
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
  TempFolder home;
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

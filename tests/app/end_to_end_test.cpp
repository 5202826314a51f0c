// The real program, end to end: it opens a model, the user adds a cube, the
// process is killed after an autosave tick, and the next start brings the
// work back with its file name and its unsaved state. Keys are typed with
// xdotool on the test's X display; HOME and the XDG folders point into a
// temporary folder, so the user's own settings are never touched.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/document_file.h"
#include "core/null_progress.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::AddTriangles;
using test::TempFolder;

// How long any single step may take before the test gives up on it.
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

class Program {
 public:
  Program(const std::string& home, const QStringList& arguments) {
    QProcessEnvironment env = test::ProgramEnvironment(home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(home + "/run"));
    env.insert(QStringLiteral("TORVANE_AUTOSAVE_MS"), QStringLiteral("200"));
    fs::create_directories(home + "/run");
    fs::permissions(home + "/run", fs::perms::owner_all);
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QString::fromUtf8(TORVANE_BINARY_DIR "/app/torvane"), arguments);
    started_ = process_.waitForStarted(20000);
  }
  ~Program() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(20000);
    }
  }
  bool started() const { return started_; }
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
  bool started_ = false;
};

TEST(EndToEnd, KilledAfterAnAutosaveTheNextStartRestoresTheWork) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") ||
      QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
    GTEST_SKIP() << "needs an X display and xdotool";
  }
  TempFolder home;
  // The model the user works on.
  const std::string model = home.Path("work.stl");
  {
    Document doc;
    AddTriangles(doc, 4);
    NullProgress quiet;
    ASSERT_EQ(SaveDocumentFile(doc, quiet, model, false), 0);
  }
  const std::string autosave = home.Path("Documents/Torvane/AutoSave/work.stl.autosave.tvx");
  const QString cleanTitle = QStringLiteral("Torvane by Ovalis Software - work.stl");
  const QString changedTitle = cleanTitle + QLatin1Char('*');

  {
    Program first(home.Path(), {QString::fromStdString(model)});
    ASSERT_TRUE(first.started());
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
  ASSERT_TRUE(second.started());
  const QString window = second.MainWindow();
  ASSERT_FALSE(window.isEmpty());
  // The file name and the unsaved mark come back with the work...
  EXPECT_TRUE(WaitFor([&] { return second.Title(window) == changedTitle; }))
      << second.Title(window).toStdString();
  // ...announced by the program.
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

// Test doubles for the shell: a UserInterface whose answers the test
// scripts and whose questions it records, a ShellHost that keeps what the
// window was asked to show, a temporary folder, small documents, a session
// (document, answers, host and lifecycle) over a set of folders, and the real
// main window with the shell attached.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/document_file.h"
#include "app/document_lifecycle.h"
#include "app/main_window.h"
#include "app/shell_attachment.h"
#include "app/shell_host.h"
#include "app/user_interface.h"
#include "core/document.h"
#include "core/history.h"
#include "core/mesh.h"
#include "core/null_progress.h"
#include "core/primitives.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "core/settings_values.h"
#include "render/camera.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane::test {

class ScriptedUi : public UserInterface {
 public:
  int AskThree(const std::string& text, const std::string& title, const std::string& first,
               const std::string& second) override {
    return Next(threeAnswers, text + "|" + title + "|" + first + "|" + second, kAnswerCancel);
  }
  bool AskTwo(const std::string& text, const std::string& title, const std::string& first,
              const std::string& second) override {
    return Next(twoAnswers, text + "|" + title + "|" + first + "|" + second, false);
  }
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon) override {
    messages.push_back(title + ": " + text);
  }
  std::optional<std::string> ChooseFileToOpen(FileDialogRequest& r) override { return File(r); }
  std::optional<std::string> ChooseFileToSave(FileDialogRequest& r) override { return File(r); }
  int RunWithProgress(const std::string& title,
                      const std::function<int(ProgressMonitor&)>& body) override {
    progressTitles.push_back(title);
    NullProgress monitor;
    return body(monitor);
  }
  std::optional<ColourF> ChooseColour(const ColourF&) override { return std::nullopt; }
  bool StartProgram(const std::string& program, const std::vector<std::string>& args) override {
    started.push_back(program);
    startArguments = args;
    return startSucceeds;
  }
  // The questions asked ("text|title|first|second") and the messages shown
  // ("title: text"), one after another.
  std::string Asked() const { return Join(questions); }
  std::string Shown() const { return Join(messages); }

  std::deque<int> threeAnswers;
  std::deque<bool> twoAnswers;
  std::deque<std::optional<std::string>> files;  // dialog answers, nullopt = Cancel
  std::vector<std::string> questions, messages, progressTitles, started, startArguments;
  std::vector<FileDialogRequest> dialogs;
  bool startSucceeds = true;

 private:
  static std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
      out += (out.empty() ? "" : "\n---\n") + item;
    return out;
  }
  template <class T>
  T Next(std::deque<T>& answers, const std::string& question, T unexpected) {
    questions.push_back(question);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << question;
      return unexpected;
    }
    const T answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> File(FileDialogRequest& request) {
    dialogs.push_back(request);
    if (files.empty()) {
      ADD_FAILURE() << "unexpected file dialog: " << request.title;
      return std::nullopt;
    }
    std::optional<std::string> answer = files.front();
    files.pop_front();
    return answer;
  }
};

class RecordingHost : public ShellHost {
 public:
  void ResetViews() override {}
  void ResetCamera() override {}
  void Redraw() override {}
  void UpdateTitle(bool modified) override { titleModified = modified; }
  bool ViewsUsable() const override { return true; }
  void ShowHint(const std::string&, bool) override {}
  void ClearHint() override {}
  void SetWireframe(bool on) override { wireframe = on; }
  bool Wireframe() const override { return wireframe; }
  void SetCullingMode(int mode) override { culling = mode; }
  int CullingMode() const override { return culling; }
  void SetSpecular(bool on) override { specular = on; }
  bool Specular() const override { return specular; }
  void SetGridShown(bool shown) override { grid = shown; }
  bool GridShown() const override { return grid; }
  void SetLayout(int value) override { layout = value; }
  int Layout() const override { return layout; }

  bool titleModified = false, wireframe = false, specular = true, grid = true;
  int culling = 2, layout = 1;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  std::string Path(const std::string& name = {}) const {
    return dir_.path().toStdString() + (name.empty() ? "" : "/" + name);
  }

 private:
  QTemporaryDir dir_;
};

// Adds a live object holding `triangles` separate triangles.
inline uint32_t AddTriangles(Document& doc, uint32_t triangles) {
  SceneObject object;
  for (uint32_t i = 0; i < triangles; ++i) {
    const float x = static_cast<float>(i);
    AppendTriangle(object.mesh, {x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}, 0xFF808080u);
  }
  return AddObjectCopy(doc, object);
}

// Writes a model file of `triangles` triangles through the program's own
// save; its path comes back.
inline std::string WriteModelFile(const std::string& path, uint32_t triangles) {
  Document model;
  AddTriangles(model, triangles);
  NullProgress quiet;
  EXPECT_EQ(SaveDocumentFile(model, quiet, path, false), 0);
  return path;
}

// A document in one line: "path titled|untitled modified|unchanged N", with
// N its triangles.
inline std::string DocumentState(const Document& doc) {
  return doc.filePath + (doc.untitled ? " untitled " : " titled ") +
         (IsModified(doc) ? "modified " : "unchanged ") + std::to_string(TriangleTotal(doc));
}

// A fresh in-memory settings store for the test's lifetime.
class ScopedSettings {
 public:
  ScopedSettings() { SetSettingsStore(nullptr); }
  ~ScopedSettings() { SetSettingsStore(nullptr); }
};

// One start of the program over `folders`: a fresh untitled document with
// its own scripted answers and host.
struct Session {
  explicit Session(const ShellFolders& folders)
      : life{doc, ui, host, folders, false, 1, 1, AutosaveMark{}} {
    doc.defaultFolder = folders.documents;
    ResetDocument(doc);
  }
  Document doc;
  ScriptedUi ui;
  RecordingHost host;
  Lifecycle life;
};

// A session in Documents under a temporary folder, with the sample model's
// place at sample.stl.
class LifecycleTest : public ::testing::Test {
 protected:
  LifecycleTest() { std::filesystem::create_directories(folders_.documents); }

  ScopedSettings settings_;
  TempFolder temp_;
  ShellFolders folders_ = ShellFoldersUnder(temp_.Path("Documents"), temp_.Path("sample.stl"));
  Session session_{folders_};
  Document& doc_ = session_.doc;
  ScriptedUi& ui_ = session_.ui;
  RecordingHost& host_ = session_.host;
  Lifecycle& life_ = session_.life;
};

// The real main window on a fresh document in a temporary folder, started
// with the shell attached; shown (and made active) by ShowWindow().
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : window_(doc_) {
    doc_.defaultFolder = temp_.Path();
    ResetDocument(doc_);
    attached_ = AttachShell(window_, doc_, ui_, ShellFoldersUnder(temp_.Path(), ""));
    window_.StartUp();
    attached_.shell->StartUp();
  }
  void ShowWindow() {
    window_.show();
    QApplication::setActiveWindow(&window_);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }
  ApplicationShell& shell() { return *attached_.shell; }

  ScopedSettings settings_;
  TempFolder temp_;
  Document doc_;
  MainWindow window_;
  ScriptedUi ui_;
  AttachedShell attached_;
};

// The main window in a layout, shown, and the mouse helpers of the view
// tests: presses, moves with the button held, releases and clicks at a pixel
// of one view (the perspective view alone unless told), and where a scene
// point shows there.
class ViewTest : public MainWindowTest {
 protected:
  explicit ViewTest(int layout = 0, int view = kPerspectiveView) : view_(view) {
    window_.views().ApplyLayout(layout);
    window_.views().ResetCamera();
    ShowWindow();
  }

  ViewWidget& view() { return *window_.views().view(view_); }
  QPoint centre() { return view().rect().center(); }
  QPoint ScreenOf(const Vec3& point) {
    Camera& camera = window_.views().camera();
    SetViewport(camera, view().width(), view().height());
    Vec3 pixel;
    EXPECT_TRUE(Project(camera, point, &pixel));
    return {static_cast<int>(pixel.x), static_cast<int>(pixel.y)};
  }

  // A cube, not selected, drawn once.
  SceneObject& AddCube() {
    EXPECT_TRUE(AddPrimitive(doc_, PrimitiveShape::kCube, doc_.currentColour).changed);
    DeselectAll(doc_);
    SceneObject& cube = *doc_.objects.back();
    window_.views().Redraw();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !cube.mesh.renderStale; })) << "drawn once";
    return cube;
  }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, at, view().mapToGlobal(at), button, held, modifiers);
    QApplication::sendEvent(&view(), &event);
  }
  void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    Send(QEvent::MouseButtonPress, at, button, button, modifiers);
  }
  void MoveHeld(QPoint at) { Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
  void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    Press(at, modifiers, button);
    Release(at, button);
  }
  // From `from` to `to` in twenty steps, as a hand would.
  void Drag(QPoint from, QPoint to, int steps = 20) {
    Press(from);
    for (int i = 1; i <= steps; ++i)
      MoveHeld(from + (to - from) * i / steps);
    Release(to);
  }

  int view_;
};

}  // namespace torvane::test

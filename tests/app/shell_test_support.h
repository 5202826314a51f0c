// Test doubles for the shell: a UserInterface whose answers the test
// scripts and whose questions it records, a ShellHost that records what the
// window was asked to do, a temporary folder, small documents, and the real
// main window with the shell attached.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/shell_attachment.h"
#include "app/shell_host.h"
#include "app/user_interface.h"
#include "core/document.h"
#include "core/mesh.h"
#include "core/null_progress.h"
#include "core/primitives.h"
#include "core/settings_store.h"
#include "render/camera.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane::test {

struct AskedQuestion {
  std::string text;
  std::string title;
  std::string first;
  std::string second;
};

class ScriptedUi : public UserInterface {
 public:
  int AskThree(const std::string& text, const std::string& title, const std::string& first,
               const std::string& second) override {
    questions.push_back({text, title, first, second});
    if (threeAnswers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return kAnswerCancel;
    }
    const int answer = threeAnswers.front();
    threeAnswers.pop_front();
    return answer;
  }
  bool AskTwo(const std::string& text, const std::string& title, const std::string& first,
              const std::string& second) override {
    questions.push_back({text, title, first, second});
    if (twoAnswers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = twoAnswers.front();
    twoAnswers.pop_front();
    return answer;
  }
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon) override {
    messages.push_back({text, title, "", ""});
  }
  std::optional<std::string> ChooseFileToOpen(FileDialogRequest& request) override {
    return NextFile(request);
  }
  std::optional<std::string> ChooseFileToSave(FileDialogRequest& request) override {
    return NextFile(request);
  }
  int RunWithProgress(const std::string& title,
                      const std::function<int(ProgressMonitor&)>& body) override {
    progressTitles.push_back(title);
    NullProgress monitor;
    return body(monitor);
  }
  std::optional<ColourF> ChooseColour(const ColourF&) override { return colour; }
  bool StartProgram(const std::string& program,
                    const std::vector<std::string>& arguments) override {
    started.push_back(program);
    startArguments = arguments;
    return startSucceeds;
  }

  std::deque<int> threeAnswers;
  std::deque<bool> twoAnswers;
  std::deque<std::optional<std::string>> files;  // dialog answers, nullopt = Cancel
  std::vector<AskedQuestion> questions;
  std::vector<AskedQuestion> messages;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> progressTitles;
  std::optional<ColourF> colour;
  std::vector<std::string> started;
  std::vector<std::string> startArguments;
  bool startSucceeds = true;

 private:
  std::optional<std::string> NextFile(FileDialogRequest& request) {
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
  void ResetViews() override { ++viewResets; }
  void ResetCamera() override { ++cameraResets; }
  void Redraw() override { ++redraws; }
  void UpdateTitle(bool modified) override { titleModified = modified; }
  bool ViewsUsable() const override { return true; }
  void ShowHint(const std::string& text, bool timed) override {
    hint = text;
    hintTimed = timed;
  }
  void ClearHint() override { hint.clear(); }
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

  int viewResets = 0;
  int cameraResets = 0;
  int redraws = 0;
  bool titleModified = false;
  std::string hint;
  bool hintTimed = false;
  bool wireframe = false;
  int culling = 2;
  bool specular = true;
  bool grid = true;
  int layout = 1;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int i = 0;; ++i) {
      path_ = base / ("torvane-app-test-" + std::to_string(::getpid()) + "-" + std::to_string(i));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name = {}) const {
    return name.empty() ? path_.string() : (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
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

// A fresh in-memory settings store for the test's lifetime.
class ScopedSettings {
 public:
  ScopedSettings() { SetSettingsStore(nullptr); }
  ~ScopedSettings() { SetSettingsStore(nullptr); }
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

// The main window with the perspective view alone, shown, and the mouse
// helpers of the view tests: presses, releases and clicks of a button at a
// pixel of the perspective view, and where a scene point shows there.
class ViewTest : public MainWindowTest {
 protected:
  ViewTest() {
    window_.views().ApplyLayout(0);
    window_.views().ResetCamera();
    ShowWindow();
  }

  ViewWidget& perspective() { return *window_.views().view(kPerspectiveView); }
  QPoint centre() { return perspective().rect().center(); }
  QPoint ScreenOf(const Vec3& point) {
    Camera& camera = window_.views().camera();
    SetViewport(camera, perspective().width(), perspective().height());
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

  void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseButtonPress, at, perspective().mapToGlobal(at), button, button,
                      modifiers);
    QApplication::sendEvent(&perspective(), &event);
  }
  void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseButtonRelease, at, perspective().mapToGlobal(at), button,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&perspective(), &event);
  }
  void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    Press(at, modifiers, button);
    Release(at, button);
  }
};

}  // namespace torvane::test

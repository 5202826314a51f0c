#include "app/screenshot.h"

// Engine headers come before Qt's, whose keyword macros they must not meet.
#include "core/document.h"
#include "core/null_progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <cstdio>
#include <filesystem>

#include "app/autosave.h"
#include "app/document_file.h"
#include "app/document_lifecycle.h"
#include "app/main_window.h"
#include "app/shell_attachment.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

// Answers every question with "Cancel" or "No", shows nothing and runs long
// operations without a window, so that nothing covers the views or waits
// for a click.
class QuietUserInterface : public UserInterface {
 public:
  int AskThree(const std::string&, const std::string&, const std::string&,
               const std::string&) override {
    return kAnswerCancel;
  }
  bool AskTwo(const std::string&, const std::string&, const std::string&,
              const std::string&) override {
    return false;
  }
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
  std::optional<std::string> ChooseFileToOpen(FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> ChooseFileToSave(FileDialogRequest&) override { return std::nullopt; }
  int RunWithProgress(const std::string&,
                      const std::function<int(ProgressMonitor&)>& body) override {
    NullProgress quiet;
    return body(quiet);
  }
  std::optional<ColourF> ChooseColour(const ColourF&) override { return std::nullopt; }
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

}  // namespace

void OpenStartDocument(Lifecycle& life) {
  Document& doc = life.doc;
  const std::string autosave =
      doc.objectCount == 0 ? FindAutosaveFile(life.folders.autoSave) : std::string();
  if (!autosave.empty()) {
    NullProgress quiet;
    uint32_t flags = 0;
    if (LoadDocumentFile(doc, quiet, autosave, /*restore=*/true, flags) != kLoaded) {
      ResetDocument(doc);
      life.host.ResetCamera();
    }
    life.host.UpdateTitle(IsModified(doc));
  }
  if (!HasObjects(doc)) LoadDefaultMesh(life);
  life.host.Redraw();
}

int WriteWindowScreenshot(MainWindow& window, const std::string& outPath, int timeoutMs) {
  window.show();
  window.views().Redraw();
  QElapsedTimer clock;
  clock.start();
  auto allDrawn = [&] {
    for (int number = 0; number < kViewCount; ++number) {
      ViewWidget* view = window.views().view(number);
      if (view->isVisible() && view->framesDrawn() == 0) return false;
    }
    return true;
  };
  while (!allDrawn() && clock.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
  QApplication::processEvents();
  // The window's own grab paints the views without what they paint over
  // their frames; put each view's complete frame on top.
  QImage image = window.grab().toImage();
  {
    QPainter painter(&image);
    for (int number = 0; number < kViewCount; ++number) {
      ViewWidget* view = window.views().view(number);
      if (!view->isVisible()) continue;
      QImage frame = view->grabFramebuffer();
      frame.setDevicePixelRatio(image.devicePixelRatio());
      painter.drawImage(view->mapTo(&window, QPoint(0, 0)), frame);
    }
  }
  if (image.isNull() || !image.save(QString::fromStdString(outPath), "PNG")) return 2;
  return 0;
}

int RunScreenshot(MainWindow& window, Document& doc, const std::string& outPath,
                  const std::string& filePath) {
  window.SetKeepSettingsOnClose(true);
  QuietUserInterface ui;
  AttachedShell attached = AttachShell(window, doc, ui, DefaultShellFolders());
  Lifecycle& life = attached.shell->lifecycle();
  attached.shell->StartUp();
  if (filePath.empty()) {
    OpenStartDocument(life);
  } else {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(filePath, ec).lexically_normal().string();
    NullProgress quiet;
    uint32_t flags = 0;
    if (LoadDocumentFile(doc, quiet, path, /*restore=*/false, flags) != kLoaded) {
      std::fprintf(stderr, "torvane: The file %s could not be opened.\n", filePath.c_str());
      return 2;
    }
    doc.untitled = false;
    life.content = true;
    life.host.UpdateTitle(false);
  }
  attached.shell->RefreshCommands();
  const int code = WriteWindowScreenshot(window, outPath);
  if (code != 0) {
    std::fprintf(stderr, "torvane: the screenshot %s could not be written.\n", outPath.c_str());
  }
  return code;
}

}  // namespace torvane

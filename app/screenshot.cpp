#include "app/screenshot.h"

// Engine headers come before Qt's, whose keyword macros they must not meet.
#include "core/document.h"
#include "core/null_progress.h"
#include "formats/model_file.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QThread>

#include "app/main_window.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {

bool OpenModelIntoDocument(const std::string& path, Document& doc, std::string* error) {
  NullProgress progress;
  ImportedModel model;
  LoadResult loaded = LoadModelFile(path, progress, model);
  if (loaded != kLoaded) {
    *error = "The file " + path + " could not be opened.";
    return false;
  }
  if (ConvertModelToDocument(model, doc, progress, false) != kStatusDone) {
    *error = "The model in " + path + " could not be converted.";
    return false;
  }
  doc.filePath = path;
  doc.untitled = false;
  return true;
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

}  // namespace torvane

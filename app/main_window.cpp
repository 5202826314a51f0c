#include "app/main_window.h"

#include "app/caption.h"

namespace torvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  resize(1280, 800);
  UpdateTitle(false);
}

void MainWindow::UpdateTitle(bool modified) {
  shown_modified_ = modified;
  setWindowTitle(QString::fromStdString(BuildCaption(document_path_, modified)));
}

}  // namespace torvane

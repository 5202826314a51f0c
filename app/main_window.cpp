#include "app/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/caption.h"
#include "app/object_properties_dialog.h"
#include "render/scene_views.h"

namespace torvane {

MainWindow::MainWindow(Document& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
  resize(1280, 800);
  views_ = new SceneViews(doc_, this);
  setCentralWidget(views_->container());
  status_label_ = new QLabel(this);
  statusBar()->addPermanentWidget(status_label_);
  connect(views_, &SceneViews::statusChanged, this,
          [this](const QString& text, const QString& tooltip) {
            status_label_->setText(text);
            status_label_->setToolTip(tooltip);
          });
  UpdateTitle(false);
}

MainWindow::~MainWindow() {
  // The dialog goes first, while the views it redraws still exist.
  delete properties_;
  properties_ = nullptr;
}

void MainWindow::ShowProperties() {
  if (!properties_) {
    properties_ = new ObjectPropertiesDialog(
        doc_,
        [this] {
          views_->Redraw();
          Q_EMIT objectEdited();
        },
        this);
  }
  properties_->ShowProperties();
}

void MainWindow::RefreshProperties() {
  if (properties_) properties_->RefreshProperties();
}

void MainWindow::UpdateTitle(bool modified) {
  shown_modified_ = modified;
  setWindowTitle(QString::fromStdString(BuildCaption(document_path_, modified)));
}

void MainWindow::StartUp() {
  views_->LoadSettings();
  started_up_ = true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Written once, and only for a window whose start-up completed.
  if (started_up_ && !keep_settings_ && !settings_written_) {
    settings_written_ = true;
    views_->SaveSettings();
  }
  if (properties_) properties_->hide();
  QMainWindow::closeEvent(event);
}

}  // namespace torvane

#include "render/graphics_check.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPushButton>
#include <QUrl>

namespace torvane {

QSurfaceFormat ViewSurfaceFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  format.setSamples(4);
  return format;
}

void InstallViewSurfaceFormat() {
  QSurfaceFormat::setDefaultFormat(ViewSurfaceFormat());
}

bool ProbeOpenGL33() {
  QOpenGLContext context;
  QSurfaceFormat format = ViewSurfaceFormat();
  format.setSamples(0);
  context.setFormat(format);
  if (!context.create()) return false;
  QSurfaceFormat got = context.format();
  if (got.majorVersion() < 3 || (got.majorVersion() == 3 && got.minorVersion() < 3)) return false;
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
  context.doneCurrent();
  return true;
}

QMessageBox* CreateGraphicsFailureDialog(QWidget* parent) {
  auto* box = new QMessageBox(parent);
  box->setIcon(QMessageBox::Critical);
  box->setWindowTitle(QString::fromLatin1(kGraphicsFailureTitle));
  box->setText(QStringLiteral("The Torvane could not initialize the required graphics."));
  box->setInformativeText(QStringLiteral(
      "Reason: Unable to initialize OpenGL 3.3.\n\n"
      "This could be because graphics drivers are not up-to-date.  Update the graphics card "
      "drivers and then run Torvane again.\n\n"
      "Torvane will now close."));
  QPushButton* help =
      box->addButton(QString::fromLatin1(kGraphicsHelpButton), QMessageBox::HelpRole);
  QPushButton* close =
      box->addButton(QString::fromLatin1(kGraphicsCloseButton), QMessageBox::RejectRole);
  box->setDefaultButton(close);
  box->setEscapeButton(close);
  // The help button must not end the dialog: take it out of the box's own
  // click handling and open the page instead.
  help->disconnect();
  QObject::connect(help, &QAbstractButton::clicked, box,
                   [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kGraphicsHelpUrl))); });
  return box;
}

void ShowGraphicsFailureDialog() {
  QMessageBox* box = CreateGraphicsFailureDialog();
  box->exec();
  delete box;
}

}  // namespace torvane

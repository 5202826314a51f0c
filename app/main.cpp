// torvane: the desktop program.
#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Ovalis Software");
  QApplication::setApplicationName("Torvane");
  torvane::MainWindow window;
  window.show();
  return QApplication::exec();
}

// Entry point of the Qt test programs: GoogleTest runs inside a QApplication
// so that widgets, OpenGL contexts and event loops are available. The views
// share one OpenGL context, as in the program.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

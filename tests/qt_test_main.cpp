// Entry point of the Qt test programs: GoogleTest runs inside a QApplication
// so that widgets, OpenGL contexts and event loops are available. The views
// share one OpenGL context, as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests (CTest does this before running them) needs no display
  // and no application object.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  // QApplication adopts the user's locale for everything; numbers in model
  // files and settings must keep the '.' decimal point whatever the language.
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}

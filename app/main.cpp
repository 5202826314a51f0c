// torvane: the desktop program.
//   torvane [FILE]
//   torvane --screenshot OUT.png [FILE]   draw the first frame, write it as PNG, exit
// Engine headers come before Qt's, whose keyword macros they must not meet.
#include "core/document.h"
#include "core/overlay_settings_store.h"
#include "core/settings_store.h"

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/qt_settings_store.h"
#include "app/qt_user_interface.h"
#include "app/screenshot.h"
#include "app/shell_attachment.h"
#include "app/shell_folders.h"
#include "app/start_settings.h"
#include "render/graphics_check.h"

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  torvane::InstallViewSurfaceFormat();
  QApplication app(argc, argv);
  // QApplication adopts the user's locale for everything; numbers in model
  // files and settings must keep the '.' decimal point whatever the language.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setOrganizationName(torvane::kSettingsOrganisation);
  QApplication::setApplicationName(torvane::kSettingsApplication);

  QStringList args = QApplication::arguments();
  QString screenshotPath;
  QString filePath;
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
      screenshotPath = args[++i];
    } else if (filePath.isEmpty()) {
      filePath = args[i];
    }
  }
  bool screenshot = !screenshotPath.isEmpty();
  // A screenshot behaves like a normal start but leaves the user's settings
  // as they were.
  std::unique_ptr<torvane::SettingsStore> store = std::make_unique<torvane::QtSettingsStore>();
  if (screenshot) store = std::make_unique<torvane::OverlaySettingsStore>(std::move(store));
  torvane::SetSettingsStore(std::move(store));

  if (!torvane::ProbeOpenGL33()) {
    if (screenshot) {
      std::fprintf(stderr, "torvane: Unable to initialize OpenGL 3.3.\n");
      return 2;
    }
    torvane::ShowGraphicsFailureDialog();
    return 1;
  }

  torvane::Document& doc = torvane::GetDocument();
  torvane::MainWindow window(doc);
  window.StartUp();
  if (screenshot) {
    return torvane::RunScreenshot(window, doc, screenshotPath.toStdString(),
                                  filePath.toStdString());
  }
  torvane::CountProgramStart();
  torvane::QtUserInterface ui(&window);
  torvane::AttachedShell shell =
      torvane::AttachShell(window, doc, ui, torvane::DefaultShellFolders());
  window.show();
  std::vector<std::string> arguments;
  for (const QString& arg : args)
    arguments.push_back(arg.toStdString());
  shell.shell->StartUpAndOpen(arguments);
  return QApplication::exec();
}

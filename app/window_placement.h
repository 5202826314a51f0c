// The main window's placement kept in the MainWindow settings group:
// Maximized, and the normal rectangle X, Y, Width, Height. Read at start
// (defaults: the window's own size, centred on the work area) and written
// when a started window closes.
#pragma once

class QWidget;

namespace torvane {

void RestoreWindowPlacement(QWidget& window);
void SaveWindowPlacement(const QWidget& window);

}  // namespace torvane

// Window placement through the settings.
#include "app/window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "core/settings.h"
#include "core/settings_values.h"

namespace torvane {

void RestoreWindowPlacement(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
  const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());

  int width = ReadSettingInt(kGroupMainWindow, kWindowWidth, kDefaultWindowSize);
  int height = ReadSettingInt(kGroupMainWindow, kWindowHeight, kDefaultWindowSize);
  if (width <= 0) width = window.width();
  if (height <= 0) height = window.height();
  width = std::max(width, minimum.width());
  height = std::max(height, minimum.height());
  const int centredX = area.x() + (area.width() - width) / 2;
  const int centredY = area.y() + (area.height() - height) / 2;
  QRect rect(ReadSettingInt(kGroupMainWindow, kWindowX, centredX),
             ReadSettingInt(kGroupMainWindow, kWindowY, centredY), width, height);
  if (!SettingValueExists(kGroupMainWindow, kWindowHeight)) {
    // No stored size: keep the window on the work area.
    rect.setWidth(std::min(rect.width(), area.width()));
    rect.setHeight(std::min(rect.height(), area.height()));
    rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() - rect.width() + 1));
    rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() - rect.height() + 1));
  }
  window.resize(rect.size());
  window.move(rect.topLeft());
  if (ReadSettingBool(kGroupMainWindow, kMaximized, kDefaultMaximized)) {
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
  }
}

void SaveWindowPlacement(const QWidget& window) {
  // pos() is where move() puts the window (its frame), so the window comes
  // back where it was instead of creeping by the frame's height each run.
  const QRect normal = window.isMaximized() || window.isFullScreen()
                           ? window.normalGeometry()
                           : QRect(window.pos(), window.size());
  WriteSettingBool(kGroupMainWindow, kMaximized, window.isMaximized());
  WriteSettingInt(kGroupMainWindow, kWindowX, normal.x());
  WriteSettingInt(kGroupMainWindow, kWindowY, normal.y());
  WriteSettingInt(kGroupMainWindow, kWindowWidth, normal.width());
  WriteSettingInt(kGroupMainWindow, kWindowHeight, normal.height());
}

}  // namespace torvane

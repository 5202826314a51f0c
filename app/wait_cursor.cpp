// WaitCursor over the application's override cursor.
#include "app/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace torvane {

WaitCursor::WaitCursor() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    active_ = true;
  }
}

WaitCursor::~WaitCursor() {
  if (active_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace torvane

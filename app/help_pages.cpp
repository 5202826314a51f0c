// Help pages from the bundled resources in a QTextBrowser window.
#include "app/help_pages.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>

namespace torvane {
namespace {

constexpr const char* kHelpWindowName = "HelpWindow";

bool IsPageName(const QString& name) {
  if (name.isEmpty()) return false;
  for (QChar c : name) {
    const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                       (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                       (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') ||
                       c == QLatin1Char('-');
    if (!plain) return false;
  }
  return true;
}

}  // namespace

QString HelpPagePath(const QString& name) {
  if (!IsPageName(name)) return QString();
  return QStringLiteral(":/help/") + name + QStringLiteral(".html");
}

QTextBrowser* ShowHelpPage(QWidget* owner, const QString& name) {
  QTextBrowser* browser = nullptr;
  if (owner) {
    browser = owner->findChild<QTextBrowser*>(QString::fromLatin1(kHelpWindowName),
                                              Qt::FindDirectChildrenOnly);
  }
  if (!browser) {
    // A window of its own that lives (and goes) with its owner.
    browser = new QTextBrowser(owner);
    browser->setWindowFlag(Qt::Window, true);
    browser->setObjectName(QString::fromLatin1(kHelpWindowName));
    browser->setWindowTitle(QStringLiteral("Torvane Help"));
    browser->setOpenExternalLinks(true);
    browser->resize(560, 480);
    if (!owner) browser->setAttribute(Qt::WA_DeleteOnClose);
  }
  const QString path = HelpPagePath(name);
  if (!path.isEmpty() && QFile::exists(path)) {
    browser->setSource(QUrl(QStringLiteral("qrc") + path));
  } else {
    browser->setHtml(
        QStringLiteral("<p>The help page \"%1\" is not available.</p>").arg(name.toHtmlEscaped()));
  }
  browser->show();
  browser->raise();
  browser->activateWindow();
  return browser;
}

}  // namespace torvane

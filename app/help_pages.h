// Help pages: the program's HTML help, bundled as Qt resources under
// ":/help/<name>.html", shown in one help window per owner window.
#pragma once

#include <QString>

class QTextBrowser;
class QWidget;

namespace torvane {

// The resource path of the page `name` (letters, digits, '_' and '-'
// only); empty for any other name.
QString HelpPagePath(const QString& name);

// Shows the page `name` in the help window of `owner` (created on first
// use, then reused), raised and activated. A page that is not bundled
// shows a short notice instead. Returns the window's browser.
QTextBrowser* ShowHelpPage(QWidget* owner, const QString& name);

}  // namespace torvane

// QtUserInterface: message boxes, file dialogs, progress windows and program
// starts of the running program.
#include "app/qt_user_interface.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStringList>

#include "app/colour_chooser.h"
#include "app/progress_window.h"

namespace torvane {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

// Shows `dialog` set up from `request`; the chosen path and filter index.
std::optional<std::string> RunFileDialog(QFileDialog& dialog, FileDialogRequest& request) {
  const QStringList filters = QtFilterList(request.filters);
  dialog.setWindowTitle(Q(request.title));
  dialog.setDirectory(Q(request.folder));
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  }
  dialog.setDefaultSuffix(Q(request.defaultExtension));
  if (!request.proposedName.empty()) dialog.selectFile(Q(request.proposedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
  if (chosen >= 0) request.filterIndex = static_cast<int>(chosen) + 1;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace

QStringList QtFilterList(const std::vector<FileFilter>& filters) {
  QStringList list;
  for (const FileFilter& filter : filters) {
    QString patterns = Q(filter.patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns = patterns.trimmed();
    // "*.*" would only match names with a dot here.
    if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
    // Qt reads the patterns from the last parenthesised part of the label,
    // so a label that carries its own is shown as it is.
    QString label = Q(filter.label);
    if (label.contains(QLatin1Char('('))) {
      const qsizetype open = label.lastIndexOf(QLatin1Char('('));
      label = label.left(open).trimmed();
    }
    list << label + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return list;
}

int QtUserInterface::AskThree(const std::string& text, const std::string& title,
                              const std::string& first, const std::string& second) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::NoButton, owner_);
  QPushButton* one = box.addButton(Q(first), QMessageBox::AcceptRole);
  QPushButton* two = box.addButton(Q(second), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(one);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == one) return kAnswerFirst;
  if (box.clickedButton() == two) return kAnswerSecond;
  return kAnswerCancel;
}

bool QtUserInterface::AskTwo(const std::string& text, const std::string& title,
                             const std::string& first, const std::string& second) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::NoButton, owner_);
  QPushButton* one = box.addButton(Q(first), QMessageBox::AcceptRole);
  QPushButton* two = box.addButton(Q(second), QMessageBox::RejectRole);
  box.setDefaultButton(one);
  box.setEscapeButton(two);
  box.exec();
  return box.clickedButton() == one;
}

void QtUserInterface::ShowMessage(const std::string& text, const std::string& title,
                                  MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), Q(title), Q(text), QMessageBox::Ok, owner_);
  box.exec();
}

std::optional<std::string> QtUserInterface::ChooseFileToOpen(FileDialogRequest& request) {
  QFileDialog dialog(owner_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  return RunFileDialog(dialog, request);
}

std::optional<std::string> QtUserInterface::ChooseFileToSave(FileDialogRequest& request) {
  QFileDialog dialog(owner_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The caller asks about an existing file itself ("Confirm Save As").
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  return RunFileDialog(dialog, request);
}

int QtUserInterface::RunWithProgress(const std::string& title,
                                     const std::function<int(ProgressMonitor&)>& body) {
  return torvane::RunWithProgress(title, owner_, body);
}

std::optional<ColourF> QtUserInterface::ChooseColour(const ColourF& initial) {
  return RunColourChooser(owner_, initial);
}

bool QtUserInterface::StartProgram(const std::string& program,
                                   const std::vector<std::string>& arguments) {
  QStringList args;
  for (const std::string& a : arguments)
    args << Q(a);
  return QProcess::startDetached(Q(program), args);
}

}  // namespace torvane

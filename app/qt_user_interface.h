// QtUserInterface: the UserInterface of the running program: message boxes
// with the given button labels, the system's file dialogs, ProgressWindow,
// and detached program starts. Every window it shows is owned by `owner`.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/user_interface.h"

namespace torvane {

class QtUserInterface : public UserInterface {
 public:
  explicit QtUserInterface(QWidget* owner) : owner_(owner) {}

  int AskThree(const std::string& text, const std::string& title, const std::string& first,
               const std::string& second) override;
  bool AskTwo(const std::string& text, const std::string& title, const std::string& first,
              const std::string& second) override;
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  std::optional<std::string> ChooseFileToOpen(FileDialogRequest& request) override;
  std::optional<std::string> ChooseFileToSave(FileDialogRequest& request) override;
  int RunWithProgress(const std::string& title,
                      const std::function<int(ProgressMonitor&)>& body) override;
  std::optional<ColourF> ChooseColour(const ColourF& initial) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;

 private:
  QPointer<QWidget> owner_;
};

// "Label (*.a *.b)" lines for Qt's file dialogs, from FileFilter records.
QStringList QtFilterList(const std::vector<FileFilter>& filters);

}  // namespace torvane

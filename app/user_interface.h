// UserInterface: every question, message, file dialog, progress window and
// program start the document lifecycle needs, behind one interface so that
// tests can answer them. QtUserInterface (app/qt_user_interface.h) shows the
// real dialogs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/colour32.h"
#include "core/progress_monitor.h"

namespace torvane {

// Results of the questions: the first button, the second, or "Cancel".
inline constexpr int kAnswerFirst = 6;
inline constexpr int kAnswerSecond = 7;
inline constexpr int kAnswerCancel = 2;

enum class MessageIcon { kNone, kInformation, kWarning, kError };

// One line of a file dialog's type list: the label and its patterns
// ("*.stl;*.3ds").
struct FileFilter {
  std::string label;
  std::string patterns;
};

struct FileDialogRequest {
  std::string title;
  std::string folder;
  std::string proposedName;  // save dialogs only; may be empty
  std::vector<FileFilter> filters;
  int filterIndex = 1;  // 1-based; the chosen one comes back here
  std::string defaultExtension;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Buttons first / second / "Cancel": kAnswerFirst, kAnswerSecond or kAnswerCancel.
  virtual int AskThree(const std::string& text, const std::string& title, const std::string& first,
                       const std::string& second) = 0;
  // Buttons first / second: true for the first.
  virtual bool AskTwo(const std::string& text, const std::string& title, const std::string& first,
                      const std::string& second) = 0;
  virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;

  // The chosen path, or nothing when the dialog was cancelled. The open
  // dialog accepts only existing files; the save dialog does not ask about
  // overwriting (the caller does).
  virtual std::optional<std::string> ChooseFileToOpen(FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseFileToSave(FileDialogRequest& request) = 0;

  // Runs `body` under a progress window titled `title`; the body's status,
  // or 2 when no window could be shown.
  virtual int RunWithProgress(const std::string& title,
                              const std::function<int(ProgressMonitor&)>& body) = 0;

  // The colour chooser, opened on `initial`; nothing when cancelled.
  virtual std::optional<ColourF> ChooseColour(const ColourF& initial) = 0;

  // Starts `program` with `arguments`, detached; false when it cannot start.
  virtual bool StartProgram(const std::string& program,
                            const std::vector<std::string>& arguments) = 0;
};

}  // namespace torvane

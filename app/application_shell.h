// ApplicationShell: the command set and the document lifecycle attached to
// the main window. It builds the menu bar, the ribbon, the quick-access bar
// and the accelerators, routes every command to DispatchCommand, shows the
// context menu, keeps check marks, enabled states and the caption up to
// date, runs the start-up step (view options, hints, drops, the autosave
// timer, then the file from the command line or the last session), and
// answers the window's close request and dropped files.
#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/command_registry.h"
#include "app/document_lifecycle.h"
#include "core/document_listener.h"

class QMainWindow;
class QMenu;
class QToolBar;

namespace torvane {

class RibbonBar;

// The autosave period, and the environment variable that shortens it
// (milliseconds, for tests).
inline constexpr int kAutosavePeriodMs = 60000;
inline constexpr const char* kAutosavePeriodVariable = "TORVANE_AUTOSAVE_MS";

class ApplicationShell : public QObject, public DocumentListener {
  Q_OBJECT

 public:
  ApplicationShell(QMainWindow& window, Document& doc, ShellHost& host, UserInterface& ui,
                   ShellFolders folders, QObject* parent = nullptr);
  ~ApplicationShell() override;

  Lifecycle& lifecycle() { return life_; }
  CommandRegistry& commands() { return registry_; }
  RibbonBar& ribbon() { return *ribbon_; }
  QToolBar& quickAccess() { return *quickAccess_; }

  // The start-up step: view options from the settings and the start-up
  // hint, drops accepted, the autosave timer armed.
  void StartUp();
  bool startedUp() const { return startedUp_; }
  // StartUp, then (from the event loop, once the window shows) the file on
  // the command line, the last session or the sample model.
  void StartUpAndOpen(const std::vector<std::string>& args);

  bool Dispatch(CommandId command);
  bool DispatchEdit(CommandId code);
  void RefreshCommands();

  // The context menu for the current state (the caller owns it).
  QMenu* CreateContextMenu(QWidget* parent);
  void ShowContextMenu(const QPoint& globalPosition);

  void SetAutosavePeriod(int milliseconds);
  int autosavePeriod() const { return autosavePeriod_; }

  void OnDocumentNotify(uint32_t code, uintptr_t wParam, intptr_t lParam) override;

 Q_SIGNALS:
  // Every command that reached the dispatcher, with whether it ran.
  void commandDispatched(int command, bool ran);
  void editCommandDispatched(int code, bool ran);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildAccelerators();
  void ApplyStartViewOptions();
  void OnAutosaveTimer();
  void UpdateColourButtons();

  QMainWindow& window_;
  Lifecycle life_;
  CommandRegistry registry_;
  RibbonBar* ribbon_ = nullptr;
  QToolBar* quickAccess_ = nullptr;
  QTimer autosaveTimer_;
  int autosavePeriod_ = kAutosavePeriodMs;
  bool startedUp_ = false;
  bool closing_ = false;
};

}  // namespace torvane

// CommandRegistry: every QAction that stands for a command (menu items,
// ribbon buttons, popup items, quick-access buttons), kept by command
// number so that one refresh sets all of them enabled and checked from the
// same rules, and every trigger reaches one dispatcher.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "app/command_state.h"
#include "app/commands.h"

class QAction;
class QActionGroup;

namespace torvane {

class CommandRegistry : public QObject {
  Q_OBJECT

 public:
  using Dispatcher = std::function<void(CommandId)>;
  using StateQuery = std::function<CommandState(CommandId)>;

  explicit CommandRegistry(QObject* parent = nullptr);

  void SetDispatcher(Dispatcher dispatcher) { dispatcher_ = std::move(dispatcher); }

  // A new action for `command`, owned by `owner`; triggering it dispatches
  // the command. A checkable action shows the command's checked state.
  QAction* AddAction(CommandId command, const QString& text, QObject* owner, bool checkable);
  // An action that only shows a state (a drop-down button's own action):
  // it is refreshed but dispatches nothing.
  QAction* AddStateAction(CommandId command, const QString& text, QObject* owner, bool checkable);

  QList<QAction*> Actions(CommandId command) const;
  std::vector<CommandId> Commands() const;

  // Sets every action's enabled and checked state.
  void Refresh(const StateQuery& state);

 private:
  Dispatcher dispatcher_;
  std::multimap<CommandId, QAction*> actions_;
};

}  // namespace torvane

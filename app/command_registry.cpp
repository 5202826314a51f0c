// CommandRegistry: action bookkeeping and refresh.
#include "app/command_registry.h"

#include <QAction>
#include <QPointer>

namespace torvane {

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent) {}

QAction* CommandRegistry::AddStateAction(CommandId command, const QString& text, QObject* owner,
                                         bool checkable) {
  auto* action = new QAction(text, owner);
  action->setCheckable(checkable);
  action->setData(static_cast<int>(command));
  actions_.emplace(command, action);
  // Forget the action when its owner goes first.
  connect(action, &QObject::destroyed, this, [this, action] {
    for (auto it = actions_.begin(); it != actions_.end();) {
      it = it->second == action ? actions_.erase(it) : std::next(it);
    }
  });
  return action;
}

QAction* CommandRegistry::AddAction(CommandId command, const QString& text, QObject* owner,
                                    bool checkable) {
  QAction* action = AddStateAction(command, text, owner, checkable);
  connect(action, &QAction::triggered, this, [this, command] {
    if (dispatcher_) dispatcher_(command);
  });
  return action;
}

QList<QAction*> CommandRegistry::Actions(CommandId command) const {
  QList<QAction*> list;
  auto [first, last] = actions_.equal_range(command);
  for (auto it = first; it != last; ++it)
    list << it->second;
  return list;
}

std::vector<CommandId> CommandRegistry::Commands() const {
  std::vector<CommandId> commands;
  for (const auto& [command, action] : actions_) {
    if (commands.empty() || commands.back() != command) commands.push_back(command);
  }
  return commands;
}

void CommandRegistry::Refresh(const StateQuery& state) {
  CommandId current = 0;
  CommandState known;
  bool haveKnown = false;
  for (const auto& [command, action] : actions_) {
    if (!haveKnown || command != current) {
      current = command;
      known = state(command);
      haveKnown = true;
    }
    action->setEnabled(known.enabled);
    if (action->isCheckable()) action->setChecked(known.checked);
  }
}

}  // namespace torvane

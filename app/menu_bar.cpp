// BuildMenuBar: the menu records turned into Qt menus.
#include "app/menu_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <map>
#include <vector>

#include "app/command_registry.h"
#include "app/command_table.h"

namespace torvane {

void BuildMenuBar(QMenuBar& bar, CommandRegistry& registry) {
  std::vector<QMenu*> open;  // the popups being filled, innermost last
  std::map<int, QActionGroup*> groups;
  for (const MenuRecord& record : MenuBarRecords()) {
    if (record.command == kMenuPopup) {
      if (record.label) {
        QMenu* menu = open.empty() ? bar.addMenu(QString::fromUtf8(record.label))
                                   : open.back()->addMenu(QString::fromUtf8(record.label));
        open.push_back(menu);
      } else if (!open.empty()) {
        open.pop_back();
      }
      continue;
    }
    if (open.empty()) continue;
    QMenu* menu = open.back();
    if (record.command == 0) {
      menu->addSeparator();
      continue;
    }
    const CommandId command = MenuCommand(record.command);
    QString text = QString::fromUtf8(record.label);
    const QString keys = QString::fromUtf8(AcceleratorText(command));
    // The key is shown, not bound: the accelerator table does the binding.
    if (!keys.isEmpty()) text += QLatin1Char('\t') + keys;
    QAction* action = registry.AddAction(command, text, menu, IsMarkedItem(record.command));
    if (IsMarkedItem(record.command) && !IsCheckItem(command)) {
      const int group = RadioGroupOf(command);
      if (group != 0) {
        QActionGroup*& actionGroup = groups[group];
        if (!actionGroup) {
          actionGroup = new QActionGroup(&bar);
          actionGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        }
        actionGroup->addAction(action);
      }
    }
    menu->addAction(action);
  }
}

}  // namespace torvane

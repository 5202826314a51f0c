// RibbonBar: the tab strip "Home", "Edit", "Tools", "View" of tool bars
// built from the ribbon records: push buttons, check buttons, the paired
// solid / wire-frame buttons, the split button and the drop-down buttons
// whose popups show the current mode checked. Also builds the drop-down
// popups and the quick-access bar.
#pragma once

#include <QList>
#include <QTabWidget>

#include "app/command_table.h"

class QMenu;
class QToolBar;
class QToolButton;

namespace torvane {

class CommandRegistry;

class RibbonBar : public QTabWidget {
  Q_OBJECT

 public:
  RibbonBar(CommandRegistry& registry, QWidget* parent = nullptr);

  // The buttons standing for `command` (one per record).
  QList<QToolButton*> Buttons(CommandId command) const;
  // The tool bar of tab 0..3.
  QToolBar* TabBar(int index) const;

 private:
  QToolButton* AddButton(QToolBar& bar, const RibbonRecord& record);

  CommandRegistry& registry_;
  QList<QToolBar*> bars_;
};

// A popup's menu: its items as registered command actions (check marks
// refreshed with the rest).
QMenu* BuildPopupMenu(PopupKind kind, CommandRegistry& registry, QWidget* parent);

// The quick-access bar: New, Open, Save, Undo, Redo.
QToolBar* BuildQuickAccessBar(CommandRegistry& registry, QWidget* parent);

}  // namespace torvane

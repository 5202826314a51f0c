// RibbonBar, the drop-down popups and the quick-access bar.
#include "app/ribbon_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <map>

#include "app/command_registry.h"

namespace torvane {
namespace {

// The pictures of the buttons that have an obvious one.
QIcon CommandIcon(const QWidget& widget, CommandId command) {
  QStyle* style = widget.style();
  switch (command) {
    case cmd::kNewFile:
      return style->standardIcon(QStyle::SP_FileIcon);
    case cmd::kOpenFile:
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case cmd::kSaveFile:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case cmd::kSaveAs:
      return style->standardIcon(QStyle::SP_DriveFDIcon);
    case cmd::kUndo:
      return style->standardIcon(QStyle::SP_ArrowBack);
    case cmd::kRedo:
      return style->standardIcon(QStyle::SP_ArrowForward);
    case cmd::kDelete:
      return style->standardIcon(QStyle::SP_TrashIcon);
    case cmd::kResetView:
      return style->standardIcon(QStyle::SP_BrowserReload);
    case cmd::kConverter:
      return style->standardIcon(QStyle::SP_ComputerIcon);
    default:
      return {};
  }
}

bool IsCheckableItem(CommandId command) {
  return IsCheckItem(command) || RadioGroupOf(command) != 0;
}

}  // namespace

QMenu* BuildPopupMenu(PopupKind kind, CommandRegistry& registry, QWidget* parent) {
  auto* menu = new QMenu(parent);
  std::map<int, QActionGroup*> groups;
  for (const PopupItem& item : PopupItems(kind)) {
    if (item.command == 0) {
      menu->addSeparator();
      continue;
    }
    const bool checkable = IsCheckableItem(item.command);
    QAction* action =
        registry.AddAction(item.command, QString::fromUtf8(item.label), menu, checkable);
    if (const int group = RadioGroupOf(item.command); group != 0) {
      QActionGroup*& actionGroup = groups[group];
      if (!actionGroup) actionGroup = new QActionGroup(menu);
      actionGroup->addAction(action);
    }
    menu->addAction(action);
  }
  return menu;
}

RibbonBar::RibbonBar(CommandRegistry& registry, QWidget* parent)
    : QTabWidget(parent), registry_(registry) {
  setObjectName(QStringLiteral("Ribbon"));
  setDocumentMode(true);
  const std::span<const RibbonRecord> records = RibbonRecords();
  for (const RibbonTab& tab : RibbonTabs()) {
    auto* bar = new QToolBar(QString::fromUtf8(tab.label), this);
    bar->setObjectName(QStringLiteral("RibbonTab%1").arg(tab.number));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setProperty("tabNumber", static_cast<int>(tab.number));
    for (size_t i = tab.first; i < tab.first + tab.count && i < records.size(); ++i) {
      if (records[i].style == kRibbonSeparator) {
        bar->addSeparator();
      } else {
        AddButton(*bar, records[i]);
      }
    }
    addTab(bar, QString::fromUtf8(tab.label));
    bars_ << bar;
  }
}

QToolButton* RibbonBar::AddButton(QToolBar& bar, const RibbonRecord& record) {
  const CommandId command = record.command;
  const QString label = QString::fromUtf8(record.label);
  auto* button = new QToolButton(&bar);
  button->setProperty("command", static_cast<int>(command));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  QAction* action = nullptr;
  switch (record.style) {
    case kRibbonCheck:
    case kRibbonPairedCheck:
      action = registry_.AddAction(command, label, button, true);
      break;
    case kRibbonSplit:
    case kRibbonDropDown:
    case kRibbonDropDownCheck: {
      // The button's own action only shows the state; its click opens the popup.
      action =
          registry_.AddStateAction(command, label, button, record.style == kRibbonDropDownCheck);
      if (const std::optional<PopupKind> kind = PopupOfButton(command)) {
        button->setMenu(BuildPopupMenu(*kind, registry_, button));
      }
      button->setPopupMode(record.style == kRibbonSplit ? QToolButton::MenuButtonPopup
                                                        : QToolButton::InstantPopup);
      break;
    }
    default:
      action = registry_.AddAction(command, label, button, false);
      break;
  }
  action->setToolTip(QString::fromUtf8(record.tooltip));
  action->setIcon(CommandIcon(bar, command));
  button->setDefaultAction(action);
  if (record.style == kRibbonSplit) {
    // Both halves of the split button run the popup.
    connect(button, &QToolButton::clicked, button, &QToolButton::showMenu);
  }
  bar.addWidget(button);
  return button;
}

QList<QToolButton*> RibbonBar::Buttons(CommandId command) const {
  QList<QToolButton*> buttons;
  for (QToolBar* bar : bars_) {
    for (QToolButton* button : bar->findChildren<QToolButton*>()) {
      if (button->property("command").toInt() == command) buttons << button;
    }
  }
  return buttons;
}

QToolBar* RibbonBar::TabBar(int index) const {
  return index >= 0 && index < bars_.size() ? bars_[index] : nullptr;
}

QToolBar* BuildQuickAccessBar(CommandRegistry& registry, QWidget* parent) {
  auto* bar = new QToolBar(QStringLiteral("Quick Access"), parent);
  bar->setObjectName(QStringLiteral("QuickAccess"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const QuickAccessRecord& record : QuickAccessRecords()) {
    QAction* action =
        registry.AddAction(record.command, QString::fromUtf8(record.image), bar, false);
    action->setToolTip(QString::fromUtf8(record.tooltip));
    action->setIcon(CommandIcon(*bar, record.command));
    bar->addAction(action);
  }
  return bar;
}

}  // namespace torvane

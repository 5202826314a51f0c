// ApplicationShell: building the command surfaces, routing, refresh, the
// start-up step, the autosave timer, the close query and dropped files.
#include "app/application_shell.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QShortcut>
#include <QToolBar>
#include <QUrl>
#include <cstdlib>
#include <set>

#include "app/command_state.h"
#include "app/command_table.h"
#include "app/context_menu.h"
#include "app/dispatch.h"
#include "app/document_file.h"
#include "app/long_operation.h"
#include "app/menu_bar.h"
#include "app/ribbon_bar.h"
#include "app/start_settings.h"
#include "app/window_placement.h"
#include "core/history.h"
#include "core/mesh_ops.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "solid/outline.h"

namespace torvane {
namespace {

QIcon ColourSwatch(const ColourF& colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(QColor::fromRgbF(colour.r, colour.g, colour.b));
  return QIcon(pixmap);
}

int AutosavePeriodFromEnvironment() {
  if (const char* text = std::getenv(kAutosavePeriodVariable)) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && value > 0 && value < 24L * 3600 * 1000) return static_cast<int>(value);
  }
  return kAutosavePeriodMs;
}

void AddContextItems(QMenu& menu, const std::vector<ContextMenuItem>& items,
                     const ColourF& colour) {
  for (const ContextMenuItem& item : items) {
    switch (item.kind) {
      case ContextMenuItem::Kind::kSeparator:
        menu.addSeparator();
        break;
      case ContextMenuItem::Kind::kSubmenu: {
        QMenu* sub = menu.addMenu(QString::fromStdString(item.label));
        AddContextItems(*sub, item.items, colour);
        break;
      }
      case ContextMenuItem::Kind::kCommand: {
        QAction* action = menu.addAction(QString::fromStdString(item.label));
        action->setData(static_cast<int>(item.code));
        action->setEnabled(item.enabled);
        if (item.colourSwatch) action->setIcon(ColourSwatch(colour));
        break;
      }
    }
  }
}

}  // namespace

ApplicationShell::ApplicationShell(QMainWindow& window, Document& doc, ShellHost& host,
                                   UserInterface& ui, ShellFolders folders, QObject* parent)
    : QObject(parent), window_(window), life_{doc,   ui, host, std::move(folders),
                                              false, 1,  1,    AutosaveMark{}} {
  doc.mainWindow = this;
  doc.defaultFolder = ReadSettingString(kGroupSettings, kDocumentFolder, life_.folders.documents);
  if (doc.untitled && doc.objects.empty()) doc.filePath = DefaultDocumentPath(doc);

  registry_.SetDispatcher([this](CommandId command) { Dispatch(command); });
  BuildMenuBar(*window_.menuBar(), registry_);

  quickAccess_ = BuildQuickAccessBar(registry_, &window_);
  window_.addToolBar(Qt::TopToolBarArea, quickAccess_);
  window_.addToolBarBreak(Qt::TopToolBarArea);
  auto* ribbonHolder = new QToolBar(QStringLiteral("Ribbon"), &window_);
  ribbonHolder->setObjectName(QStringLiteral("RibbonHolder"));
  ribbonHolder->setMovable(false);
  ribbon_ = new RibbonBar(registry_, ribbonHolder);
  ribbonHolder->addWidget(ribbon_);
  window_.addToolBar(Qt::TopToolBarArea, ribbonHolder);

  BuildAccelerators();
  window_.installEventFilter(this);

  autosavePeriod_ = AutosavePeriodFromEnvironment();
  autosaveTimer_.setSingleShot(true);
  connect(&autosaveTimer_, &QTimer::timeout, this, &ApplicationShell::OnAutosaveTimer);
  // Command states follow the events that change them (commands, document
  // notifications, selection edits); a menu also checks them as it opens,
  // so an idle program does no work for them.
  for (QMenu* menu : window_.menuBar()->findChildren<QMenu*>()) {
    connect(menu, &QMenu::aboutToShow, this, [this] {
      if (!IsLongOperationRunning()) RefreshCommands();
    });
  }

  RestoreWindowPlacement(window_);
  RefreshCommands();
}

ApplicationShell::~ApplicationShell() {
  if (life_.doc.mainWindow == this) life_.doc.mainWindow = nullptr;
}

void ApplicationShell::BuildAccelerators() {
  // One key may stand for several records (Ctrl+P for all five property
  // commands): the first record with that key wins, as in a key table.
  std::set<int> bound;
  for (const AcceleratorRecord& record : AcceleratorRecords()) {
    Qt::KeyboardModifiers modifiers;
    if (record.modifiers & kModAlt) modifiers |= Qt::AltModifier;
    if (record.modifiers & kModControl) modifiers |= Qt::ControlModifier;
    if (record.modifiers & kModShift) modifiers |= Qt::ShiftModifier;
    const QKeyCombination key(modifiers, static_cast<Qt::Key>(record.key));
    if (!bound.insert(key.toCombined()).second) continue;
    auto* shortcut = new QShortcut(QKeySequence(key), &window_);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setObjectName(QStringLiteral("Accelerator%1").arg(record.command));
    const CommandId command = record.command;
    connect(shortcut, &QShortcut::activated, this, [this, command] { Dispatch(command); });
  }
}

void ApplicationShell::ApplyStartViewOptions() {
  ShellHost& host = life_.host;
  host.SetSpecular(ReadSettingBool(kGroupSettings, kEnableSpecular, kDefaultEnableSpecular));
  const int culling = ReadSettingInt(kGroupSettings, kEnableCulling, kDefaultEnableCulling);
  host.SetCullingMode(culling);
  const std::string cullingHint = CullingHint(static_cast<uint32_t>(culling));
  if (!cullingHint.empty()) host.ShowHint(cullingHint, false);
  host.SetWireframe(ReadSettingBool(kGroupSettings, kViewAsWireframe, kDefaultViewAsWireframe));
  if (TakeStartupHint()) host.ShowHint(kStartupHintText, false);
  host.Redraw();
}

void ApplicationShell::StartUp() {
  if (startedUp_) return;
  ApplyStartViewOptions();
  window_.setAcceptDrops(true);
  autosaveTimer_.start(0);
  startedUp_ = true;
  RefreshCommands();
}

void ApplicationShell::StartUpAndOpen(const std::vector<std::string>& args) {
  StartUp();
  QPointer<ApplicationShell> self(this);
  QTimer::singleShot(0, this, [self, args] {
    if (!self || self->closing_) return;
    OpenFromCommandLine(self->life_, args);
    if (self) self->RefreshCommands();
  });
}

bool ApplicationShell::Dispatch(CommandId command) {
  if (IsLongOperationRunning()) return false;
  const bool ran = DispatchCommand(life_, command);
  RefreshCommands();
  Q_EMIT commandDispatched(command, ran);
  return ran;
}

bool ApplicationShell::DispatchEdit(CommandId code) {
  if (IsLongOperationRunning()) return false;
  const bool ran = DispatchEditCommand(life_, code);
  RefreshCommands();
  Q_EMIT editCommandDispatched(code, ran);
  return ran;
}

void ApplicationShell::RefreshCommands() {
  registry_.Refresh(
      [this](CommandId command) { return QueryCommandState(command, life_.doc, life_.host); });
  UpdateColourButtons();
  // The 2D-mode button carries the name of the current draw mode.
  const QString drawMode = QString::fromUtf8(DrawModeName(life_.doc.drawMode));
  for (QAction* action : registry_.Actions(cmd::kSelect2DMode)) {
    if (action->text() != drawMode) action->setText(drawMode);
  }
  life_.host.UpdateTitle(IsModified(life_.doc));
}

void ApplicationShell::UpdateColourButtons() {
  const QIcon swatch = ColourSwatch(life_.doc.currentColour);
  for (QAction* action : registry_.Actions(cmd::kColour))
    action->setIcon(swatch);
}

QMenu* ApplicationShell::CreateContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("ContextMenu"));
  AddContextItems(*menu, BuildContextMenu(life_.doc, life_.host), life_.doc.currentColour);
  return menu;
}

void ApplicationShell::ShowContextMenu(const QPoint& globalPosition) {
  if (IsLongOperationRunning()) return;
  std::unique_ptr<QMenu> menu(CreateContextMenu(&window_));
  if (menu->isEmpty()) return;
  QAction* chosen = menu->exec(globalPosition);
  if (chosen && chosen->data().isValid()) {
    DispatchEdit(static_cast<CommandId>(chosen->data().toInt()));
  }
}

void ApplicationShell::SetAutosavePeriod(int milliseconds) {
  autosavePeriod_ = milliseconds > 0 ? milliseconds : kAutosavePeriodMs;
  if (autosaveTimer_.isActive()) autosaveTimer_.start(autosavePeriod_);
}

void ApplicationShell::OnAutosaveTimer() {
  QPointer<ApplicationShell> self(this);
  // Never from inside a long operation's event pumping: the document may be
  // half way through a change there.
  RunWhenIdle([self] {
    if (!self || self->closing_) return;
    AutosaveTick(self->life_);
    self->autosaveTimer_.start(self->autosavePeriod_);
  });
}

void ApplicationShell::OnDocumentNotify(uint32_t code, uintptr_t, intptr_t) {
  QPointer<ApplicationShell> self(this);
  if (code == kNotifyAskPaintColour) {
    QTimer::singleShot(0, this, [self] {
      if (self) ChooseColour(self->life_);
    });
    return;
  }
  QTimer::singleShot(0, this, [self] {
    if (self && !IsLongOperationRunning()) self->RefreshCommands();
  });
}

bool ApplicationShell::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Close: {
      if (closing_) return false;
      if (IsLongOperationRunning() || !QueryExit(life_)) {
        event->ignore();
        return true;
      }
      closing_ = true;
      autosaveTimer_.stop();
      window_.setAcceptDrops(false);
      if (startedUp_) SaveWindowPlacement(window_);
      return false;  // the window goes on closing (and writes its view settings)
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (startedUp_ && !closing_ && drag->mimeData()->hasUrls()) {
        drag->acceptProposedAction();
        return true;
      }
      return false;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!startedUp_ || closing_ || IsLongOperationRunning()) return false;
      std::vector<std::string> paths;
      for (const QUrl& url : drop->mimeData()->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
      }
      drop->acceptProposedAction();
      OpenDroppedFiles(life_, paths);
      RefreshCommands();
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace torvane

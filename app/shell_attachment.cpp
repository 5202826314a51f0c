// AttachShell over the main window and its views.
#include "app/shell_attachment.h"

#include "app/commands.h"
#include "app/main_window.h"
#include "render/scene_views.h"

namespace torvane {

AttachedShell AttachShell(MainWindow& window, Document& doc, UserInterface& ui,
                          ShellFolders folders) {
  AttachedShell attached;
  attached.host = std::make_unique<SceneViewsHost>(window, window.views(), doc);
  attached.shell =
      std::make_unique<ApplicationShell>(window, doc, *attached.host, ui, std::move(folders));
  ApplicationShell* shell = attached.shell.get();
  QObject::connect(&window.views(), &SceneViews::contextMenuRequested, shell,
                   [shell](int, QPoint globalPosition) { shell->ShowContextMenu(globalPosition); });
  // An axis clicked in a view is the Allow Movement command of that axis.
  QObject::connect(&window.views(), &SceneViews::axisClicked, shell, [shell](int axis) {
    if (axis >= 0 && axis <= 2) shell->Dispatch(cmd::kAllowX + static_cast<CommandId>(axis));
  });
  attached.interaction = std::make_unique<ViewInteraction>(window.views(), doc, ui);
  attached.host->SetInteraction(attached.interaction.get());
  // Command states (Undo after a click, the colour buttons) and an open
  // properties dialog follow every selection change and drag step.
  QObject::connect(attached.interaction.get(), &ViewInteraction::selectionEdited, shell,
                   [shell, &window] {
                     shell->RefreshCommands();
                     window.RefreshProperties();
                   });
  QObject::connect(&window, &MainWindow::objectEdited, shell,
                   [shell] { shell->RefreshCommands(); });
  QObject::connect(attached.interaction.get(), &ViewInteraction::colourPicked, shell,
                   [shell] { shell->RefreshCommands(); });
  // The 2D drawing tools see each press after the interaction's selection.
  attached.outlines = std::make_unique<OutlineTool>(window.views(), doc);
  QObject::connect(
      attached.outlines.get(), &OutlineTool::outlineMenuRequested, shell,
      [shell](QPoint globalPosition) { shell->ShowContextMenu(globalPosition); },
      Qt::QueuedConnection);
  QObject::connect(attached.outlines.get(), &OutlineTool::edited, shell,
                   [shell] { shell->RefreshCommands(); });
  shell->RefreshCommands();
  return attached;
}

}  // namespace torvane

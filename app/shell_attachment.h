// AttachShell: puts the command set and the document lifecycle on the main
// window: the host over its views, the ApplicationShell, the mouse
// interaction of the views, and the views' context-menu requests routed to
// the shell.
#pragma once

#include <memory>

#include "app/application_shell.h"
#include "app/outline_tool.h"
#include "app/scene_views_host.h"
#include "app/view_interaction.h"

namespace torvane {

class MainWindow;

struct AttachedShell {
  std::unique_ptr<SceneViewsHost> host;
  std::unique_ptr<ApplicationShell> shell;
  std::unique_ptr<ViewInteraction> interaction;
  std::unique_ptr<OutlineTool> outlines;
};

AttachedShell AttachShell(MainWindow& window, Document& doc, UserInterface& ui,
                          ShellFolders folders);

}  // namespace torvane

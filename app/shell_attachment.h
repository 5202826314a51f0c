// AttachShell: puts the command set and the document lifecycle on the main
// window: the host over its views, the ApplicationShell, and the views'
// context-menu requests routed to the shell.
#pragma once

#include <memory>

#include "app/application_shell.h"
#include "app/scene_views_host.h"

namespace torvane {

class MainWindow;

struct AttachedShell {
  std::unique_ptr<SceneViewsHost> host;
  std::unique_ptr<ApplicationShell> shell;
};

AttachedShell AttachShell(MainWindow& window, Document& doc, UserInterface& ui,
                          ShellFolders folders);

}  // namespace torvane

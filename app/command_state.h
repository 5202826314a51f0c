// Which commands are enabled and which are checked, from the document and
// the views. The menus, the ribbon, the popups and the context menu all ask
// here, so the same rules hold wherever a command is offered; the dispatch
// refuses a command this reports disabled.
#pragma once

#include "app/commands.h"
#include "app/shell_host.h"
#include "core/document.h"

namespace torvane {

struct CommandState {
  bool enabled = false;
  bool checked = false;
};

// Commands whose work this program does not do yet are never enabled:
// element editing and booleans.
bool IsCommandBuilt(CommandId command);
bool IsEditCommandBuilt(CommandId code);

CommandState QueryCommandState(CommandId command, Document& doc, const ShellHost& host);
CommandState QueryEditCommandState(CommandId code, Document& doc, const ShellHost& host);

// The culling command (4013..4015) shown checked for a stored mode: any
// value other than 0 and 2 shows as "Cull Backfaces".
CommandId CullingCommandOf(int mode);
// The selection mode command (2022..2026) of a mode.
CommandId SelectionCommandOf(uint32_t mode);
// The layout command (4041..4044) of a layout value (others: 4042).
CommandId LayoutCommandOf(int layout);

}  // namespace torvane

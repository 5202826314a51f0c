// The context menu of the views, built from the state of the document in
// this order of tests: nothing selected; a selected 2D outline; elements
// selected in an element mode; objects selected in object mode. The chosen
// item is an edit command (DispatchEditCommand).
#pragma once

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/shell_host.h"
#include "core/document.h"

namespace torvane {

struct ContextMenuItem {
  enum class Kind { kCommand, kSeparator, kSubmenu };
  Kind kind = Kind::kCommand;
  CommandId code = 0;
  std::string label;
  bool enabled = true;
  bool colourSwatch = false;           // shows the paint colour beside the label
  std::vector<ContextMenuItem> items;  // kSubmenu only
};

// Empty when the state offers nothing (an element mode without elements).
std::vector<ContextMenuItem> BuildContextMenu(Document& doc, const ShellHost& host);

}  // namespace torvane

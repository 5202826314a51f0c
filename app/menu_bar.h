// Builds the menu bar from the menu records: popups, separators, radio
// items (exclusive groups) and check items, with each item's accelerator
// shown beside its label. Every item is a registered command action.
#pragma once

class QMenuBar;

namespace torvane {

class CommandRegistry;

void BuildMenuBar(QMenuBar& bar, CommandRegistry& registry);

}  // namespace torvane

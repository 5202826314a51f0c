// The records the menus, the ribbon, the quick-access bar, the accelerators
// and the drop-down popups are built from. Plain data: the Qt builders read
// it, and the tests check the shell against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "app/commands.h"

namespace torvane {

// Menu bar. A record with command kMenuPopup and a label opens a popup, with
// kMenuPopup and no label closes it; command 0 without a label is a
// separator. A command stored negated (two's complement) is a radio or check
// item whose command is the positive number.
inline constexpr uint16_t kMenuPopup = 0xFFFF;
struct MenuRecord {
  uint16_t command = 0;
  const char* label = nullptr;
  uint16_t reserved0 = 0xFFFF;
  uint16_t reserved1 = 0xFFFF;
};
std::span<const MenuRecord> MenuBarRecords();
// The positive command of a negated record.
inline CommandId MenuCommand(uint16_t stored) {
  return stored >= 0x8000 && stored != kMenuPopup ? static_cast<CommandId>(-stored) : stored;
}
inline bool IsMarkedItem(uint16_t stored) {
  return stored >= 0x8000 && stored != kMenuPopup;
}
// Check items (the rest of the marked items are radio items).
bool IsCheckItem(CommandId command);
// The radio group of a command (its items exclude each other, also across
// popups and separators): 1 selection mode, 2 manipulation mode, 3 draw
// mode, 4 solid or wire frame, 5 culling, 6 layout; 0 none.
int RadioGroupOf(CommandId command);

// Ribbon.
enum RibbonStyle : uint16_t {
  kRibbonPush = 0,
  kRibbonSeparator = 1,
  kRibbonCheck = 2,
  kRibbonPairedCheck = 6,
  kRibbonSplit = 8,
  kRibbonDropDown = 128,
  kRibbonDropDownCheck = 130,
};
struct RibbonRecord {
  uint16_t command = 0;
  int16_t image = 0;
  const char* label = nullptr;
  const char* tooltip = nullptr;
  uint16_t style = kRibbonPush;
};
struct RibbonTab {
  uint32_t number = 0;
  const char* label = nullptr;
  size_t first = 0;  // index into RibbonRecords()
  size_t count = 0;
};
std::span<const RibbonRecord> RibbonRecords();
std::span<const RibbonTab> RibbonTabs();

// Quick-access bar.
struct QuickAccessRecord {
  CommandId command = 0;
  const char* image = nullptr;
  const char* tooltip = nullptr;
};
std::span<const QuickAccessRecord> QuickAccessRecords();

// Accelerators: a key (Qt::Key value), modifier bits and the command.
inline constexpr uint8_t kModAlt = 1;
inline constexpr uint8_t kModControl = 2;
inline constexpr uint8_t kModShift = 4;
struct AcceleratorRecord {
  int key = 0;
  uint8_t modifiers = 0;
  CommandId command = 0;
};
std::span<const AcceleratorRecord> AcceleratorRecords();

// Drop-down popups of the ribbon buttons; command 0 is a separator.
enum class PopupKind { kSelectMode, kLayout, kCulling, k2D, kConvert, kCleanup, kRotate, kAxis };
struct PopupItem {
  CommandId command = 0;
  const char* label = nullptr;
};
std::span<const PopupItem> PopupItems(PopupKind kind);
// The popup a drop-down or split button opens.
std::optional<PopupKind> PopupOfButton(CommandId command);

// The text of the first accelerator of a command ("Ctrl+Shift+S"), empty
// when it has none.
const char* AcceleratorText(CommandId command);

// The menu-bar label of a command (nullptr when it has none).
const char* MenuLabel(CommandId command);

}  // namespace torvane

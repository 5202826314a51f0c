// The command records: menu bar, ribbon tabs, quick-access bar,
// accelerators and drop-down popups.
#include "app/command_table.h"

#include <Qt>
#include <algorithm>
#include <iterator>

namespace torvane {
namespace {

constexpr uint16_t Marked(CommandId command) {
  return static_cast<uint16_t>(-static_cast<int>(command));
}
constexpr MenuRecord Item(CommandId command, const char* label) {
  return {command, label};
}
constexpr MenuRecord Radio(CommandId command, const char* label) {
  return {Marked(command), label};
}
constexpr MenuRecord Open(const char* label) {
  return {kMenuPopup, label};
}
constexpr MenuRecord kClose{kMenuPopup, nullptr};
constexpr MenuRecord kSeparator{0, nullptr};

constexpr MenuRecord kMenuBar[] = {
    Open("&File"),
    Item(1002, "New File..."),
    Item(1003, "Open File..."),
    Item(1004, "Close File"),
    Item(1005, "Save File..."),
    Item(1006, "&Save As..."),
    kSeparator,
    Item(1007, "File Properties..."),
    kClose,

    Open("&Edit"),
    Item(2001, "Undo"),
    Item(2002, "Redo"),
    kSeparator,
    Item(2072, "Cut"),
    Item(2071, "Copy"),
    Item(2073, "Paste"),
    Item(2074, "Delete"),
    Open("3D Select Mode"),
    Radio(2022, "Select Object"),
    Radio(2023, "Select Face"),
    Radio(2024, "Select Triangle"),
    Radio(2025, "Select Edge"),
    Radio(2026, "Select Vertex"),
    kClose,
    kSeparator,
    Item(2050, "Color"),
    Item(2051, "Color Picker"),
    Item(2052, "Apply color to selected objects"),
    kSeparator,
    Item(2011, "Add Cube"),
    Item(2012, "Add Sphere"),
    Item(2013, "Add Icosahedron"),
    Item(2014, "Add Torus"),
    kSeparator,
    Open("Allow Axis Movement"),
    Radio(2053, "Allow X Movement"),
    Radio(2054, "Allow Y Movement"),
    Radio(2055, "Allow Z Movement"),
    kClose,
    kSeparator,
    Radio(2240, "Move Object"),
    Open("Rotate Object"),
    Radio(2205, "Rotate by dragging"),
    kSeparator,
    Item(2210, "Rotate X-Axis 45"),
    Item(2211, "Rotate X-Axis 90"),
    Item(2212, "Rotate X-Axis 180"),
    Item(2213, "Rotate X-Axis 270"),
    Item(2220, "Rotate Y-Axis 45"),
    Item(2221, "Rotate Y-Axis 90"),
    Item(2222, "Rotate Y-Axis 180"),
    Item(2223, "Rotate Y-Axis 270"),
    Item(2230, "Rotate Z-Axis 45"),
    Item(2231, "Rotate Z-Axis 90"),
    Item(2232, "Rotate Z-Axis 180"),
    Item(2233, "Rotate Z-Axis 270"),
    kClose,
    Radio(2250, "Scale Object"),
    kSeparator,
    Open("2D Draw Mode"),
    Radio(2032, "Not Drawing"),
    kSeparator,
    Radio(2033, "Draw 2D Circle"),
    Radio(2034, "Draw 2D Ellipse"),
    Radio(2035, "Draw 2D Line"),
    Radio(2036, "Draw 2D Rectangle"),
    kClose,
    kSeparator,
    Item(2041, "Delete 2D Drawing"),
    Item(2042, "Extrude 3D from 2D Drawing"),
    Item(2043, "Form 3D from 2D (Horizontal Slices)"),
    Item(2044, "Form 3D from 2D (Vertical Slices)"),
    kSeparator,
    Item(2260, "Object Properties..."),
    kClose,

    Open("&Tools"),
    Item(3011, "Invert Normals"),
    Item(3012, "Recalculate Normals"),
    Item(3013, "Reverse Winding Order"),
    kSeparator,
    Item(3020, "Duplicate Objects"),
    Item(3022, "Group Objects"),
    Item(3021, "Split Objects"),
    kSeparator,
    Item(3032, "Remove Duplicate Triangles"),
    Item(3031, "Remove Duplicate Vertices"),
    kSeparator,
    Item(3041, "Boolean Intersection"),
    Item(3042, "Boolean Subtract"),
    Item(3043, "Boolean Union"),
    kSeparator,
    Item(3050, "3D Converter..."),
    kClose,

    Open("&View"),
    Radio(4010, "Solid"),
    Radio(4011, "Wire Frame"),
    kSeparator,
    Open("Backface Culling"),
    Radio(4013, "Do not cull anything"),
    kSeparator,
    Radio(4014, "Cull Backfaces"),
    Radio(4015, "Draw double sided"),
    kClose,
    Radio(4016, "Specular Highlight"),
    kSeparator,
    Radio(4030, "Show Grid"),
    kSeparator,
    Radio(4041, "Hide 2D Views"),
    Radio(4042, "Show 2D Views on Right Side"),
    Radio(4043, "Show 2D Views at Bottom"),
    Radio(4044, "Show 2D Views in Quadrants"),
    kSeparator,
    Item(4050, "Reset View"),
    Item(4500, "Object Properties..."),
    kClose,
};

constexpr RibbonRecord kSep{0, 0, nullptr, nullptr, kRibbonSeparator};

constexpr RibbonRecord kRibbon[] = {
    // 301 "Home"
    {1002, -1, "New File", "Create a new file", kRibbonPush},
    {1003, -2, "Open File", "Open a file", kRibbonPush},
    {1005, -3, "Save File", "Save the file", kRibbonPush},
    {1006, -4, "Save As", "Save as file", kRibbonPush},
    kSep,
    {2001, -5, "Undo", "Undo the previous change to this file", kRibbonPush},
    {2002, -6, "Redo", "Redo the last undone change to this file", kRibbonPush},
    kSep,
    {1100, -7, "Select Object", "Select an object", kRibbonDropDown},
    kSep,
    {2011, -8, "Add Cube", "Add a simple Cube", kRibbonPush},
    {2012, -9, "Add Sphere", "Add a simple Sphere", kRibbonPush},
    {2013, -10, "Add Icosahedron", "Add a 20 sided polygon", kRibbonPush},
    {2014, -11, "Add Torus", "Add a simple Torus", kRibbonPush},
    kSep,
    {1200, -12, "Properties", "Show the object properties", kRibbonPush},
    // 302 "Edit"
    {2001, -5, "Undo", "Undo the previous change to this file", kRibbonPush},
    {2002, -6, "Redo", "Redo the last undone change to this file", kRibbonPush},
    kSep,
    {2071, -13, "Copy", "Copy the selected to the copy buffer", kRibbonPush},
    {2072, -14, "Cut", "Cut the selected items to the copy buffer", kRibbonPush},
    {2073, -15, "Paste", "Paste the items from the copy buffer", kRibbonPush},
    {2074, -16, "Delete", "Delete the selected items", kRibbonPush},
    kSep,
    {2500, -12, "Properties", "Show the object properties", kRibbonPush},
    kSep,
    {2110, -7, "Select Object", "Select an object", kRibbonDropDown},
    kSep,
    {2050, -17, "Color", "Current color", kRibbonPush},
    {2051, -18, "Color Picker", "Pick a color from the model", kRibbonCheck},
    {2052, -19, "Apply Color", "Apply the color to the selected objects", kRibbonPush},
    kSep,
    {2240, -20, "Move Object", "Move the selected objects", kRibbonCheck},
    {2200, -21, "Rotate Object", "Rotate the selected objects", kRibbonDropDownCheck},
    {2250, -22, "Scale Object", "Scale the selected objects", kRibbonCheck},
    kSep,
    {2201, -23, "Allow Axis", "Allow movement along an Axis", kRibbonDropDown},
    kSep,
    {2300, -24, "Select 2D Object", "2D drawing mode", kRibbonDropDown},
    {2400, -25, "Convert to 3D", "Action on 2D outlines", kRibbonSplit},
    // 303 "Tools"
    {3011, -26, "Invert Normals", "Invert Mesh Normals", kRibbonPush},
    {3012, -27, "Recalculate Normals", "Recalculate Mesh Normals", kRibbonPush},
    {3013, -28, "Reverse Winding", "Reverse Triangle Winding Order", kRibbonPush},
    kSep,
    {3020, -29, "Duplicate Objects", "Make a copy of the selected objects", kRibbonPush},
    {3022, -30, "Group Objects", "Join all of the selected objects into a single object",
     kRibbonPush},
    {3021, -31, "Split Objects", "Separate the selected objects into their separate meshes",
     kRibbonPush},
    {3030, -32, "Cleanup", "Remove duplicated triangles and vertices", kRibbonDropDown},
    kSep,
    {3041, -33, "Intersection", "Create the intersection of the selected objects", kRibbonPush},
    {3042, -34, "Subtract", "Subtract the meshes from the target mesh", kRibbonPush},
    {3043, -35, "Union", "Create the union of the selected objects", kRibbonPush},
    kSep,
    {3050, -36, "3D Converter...", "Run the 3D file format converter. Opens an external program.",
     kRibbonPush},
    // 304 "View"
    {4017, -37, "Solid", "Show model as a solid", kRibbonPairedCheck},
    {4018, -38, "Wire Frame", "Show model as wire frame", kRibbonPairedCheck},
    kSep,
    {4012, -39, "Backface Culling",
     "Change the method used to draw triangles facing away from the camera.", kRibbonDropDown},
    {4016, -40, "Specular", "Enable or disable Specular Highlighting", kRibbonCheck},
    kSep,
    {4050, -41, "Reset View", "Reset the view to center the drawing grid in the window",
     kRibbonPush},
    {4030, -42, "Show Grid", "Show the edit grid", kRibbonCheck},
    kSep,
    {3045, -43, "View", "Select window layout", kRibbonDropDown},
    kSep,
    {3500, -12, "Properties", "Show the object properties", kRibbonPush},
};

constexpr RibbonTab kTabs[] = {
    {301, "Home", 0, 16},
    {302, "Edit", 16, 24},
    {303, "Tools", 40, 14},
    {304, "View", 54, 12},
};
static_assert(16 + 24 + 14 + 12 == std::size(kRibbon), "tab ranges cover the ribbon records");

constexpr QuickAccessRecord kQuickAccess[] = {
    {1002, "New", "Close the current file and create a new one"},
    {1003, "Open", "Open an existing file"},
    {1005, "Save", "Save to the current file"},
    {2001, "Undo", "Undo the previous change to this model"},
    {2002, "Redo", "Redo the last undone change to this model"},
};

constexpr uint8_t kCtrl = kModControl;
constexpr uint8_t kCtrlShift = kModControl | kModShift;

constexpr AcceleratorRecord kAccelerators[] = {
    {Qt::Key_N, kCtrl, 1002},      {Qt::Key_O, kCtrl, 1003},      {Qt::Key_W, kCtrl, 1004},
    {Qt::Key_S, kCtrl, 1005},      {Qt::Key_S, kCtrlShift, 1006}, {Qt::Key_Z, kCtrl, 2001},
    {Qt::Key_Y, kCtrl, 2002},      {Qt::Key_Z, kCtrlShift, 2002}, {Qt::Key_C, kCtrl, 2071},
    {Qt::Key_X, kCtrl, 2072},      {Qt::Key_V, kCtrl, 2073},      {Qt::Key_Delete, 0, 2074},
    {Qt::Key_O, kCtrlShift, 2022}, {Qt::Key_F, kCtrlShift, 2023}, {Qt::Key_T, kCtrlShift, 2024},
    {Qt::Key_E, kCtrlShift, 2025}, {Qt::Key_V, kCtrlShift, 2026}, {Qt::Key_G, kCtrl, 4030},
    {Qt::Key_R, kCtrl, 4050},      {Qt::Key_P, kCtrl, 2260},      {Qt::Key_P, kCtrl, 4500},
    {Qt::Key_P, kCtrl, 1200},      {Qt::Key_P, kCtrl, 2500},      {Qt::Key_P, kCtrl, 3500},
};

constexpr PopupItem kSelectModePopup[] = {
    {2022, "Select Object"}, {2023, "Select Face"},   {2024, "Select Triangle"},
    {2025, "Select Edge"},   {2026, "Select Vertex"},
};
constexpr PopupItem kLayoutPopup[] = {
    {4041, "Hide 2D Views"}, {4042, "Side"}, {4043, "Bottom"}, {4044, "Quadrant"}};
constexpr PopupItem kCullingPopup[] = {{4013, "Do not cull anything"},
                                       {0, nullptr},
                                       {4014, "Cull Backfaces"},
                                       {4015, "Draw double sided"}};
constexpr PopupItem k2DPopup[] = {
    {2032, "Select 2D Object"}, {0, nullptr},           {2033, "Draw 2D Circle"},
    {2034, "Draw 2D Ellipse"},  {2035, "Draw 2D Line"}, {2036, "Draw 2D Rectangle"},
};
constexpr PopupItem kConvertPopup[] = {
    {2042, "Extrude 3D from 2D Outline"},
    {2043, "Form 3D from 2D Outline (Horizontal Slices)"},
    {2044, "Form 3D from 2D Outline (Vertical Slices)"},
    {0, nullptr},
    {2041, "Delete 2D Outline"},
};
constexpr PopupItem kCleanupPopup[] = {{3032, "Remove Duplicated Triangles"},
                                       {3031, "Remove Duplicated Vertices"}};
constexpr PopupItem kRotatePopup[] = {
    {2205, "Rotate by dragging"}, {0, nullptr},
    {2210, "Rotate X-Axis 45"},   {2211, "Rotate X-Axis 90"},
    {2212, "Rotate X-Axis 180"},  {2213, "Rotate X-Axis 270"},
    {2220, "Rotate Y-Axis 45"},   {2221, "Rotate Y-Axis 90"},
    {2222, "Rotate Y-Axis 180"},  {2223, "Rotate Y-Axis 270"},
    {2230, "Rotate Z-Axis 45"},   {2231, "Rotate Z-Axis 90"},
    {2232, "Rotate Z-Axis 180"},  {2233, "Rotate Z-Axis 270"},
};
constexpr PopupItem kAxisPopup[] = {
    {2053, "Allow X Movement"}, {2054, "Allow Y Movement"}, {2055, "Allow Z Movement"}};

}  // namespace

std::span<const MenuRecord> MenuBarRecords() {
  return kMenuBar;
}

bool IsCheckItem(CommandId command) {
  switch (command) {
    case cmd::kAllowX:
    case cmd::kAllowY:
    case cmd::kAllowZ:
    case cmd::kSpecular:
    case cmd::kShowGrid:
      return true;
    default:
      return false;
  }
}

int RadioGroupOf(CommandId command) {
  if (command >= cmd::kSelectObject && command <= cmd::kSelectVertex) return 1;
  if (command == cmd::kMoveObject || command == cmd::kRotateByDragging ||
      command == cmd::kScaleObject)
    return 2;
  if (command >= cmd::kNotDrawing && command <= cmd::kDrawRectangle) return 3;
  if (command == cmd::kSolid || command == cmd::kWireFrame) return 4;
  if (command >= cmd::kCullNothing && command <= cmd::kDrawDoubleSided) return 5;
  if (command >= cmd::kHide2DViews && command <= cmd::kViewsQuadrants) return 6;
  return 0;
}

const char* AcceleratorText(CommandId command) {
  static constexpr struct {
    CommandId command;
    const char* text;
  } kTexts[] = {
      {1002, "Ctrl+N"},       {1003, "Ctrl+O"},       {1004, "Ctrl+W"},
      {1005, "Ctrl+S"},       {1006, "Ctrl+Shift+S"}, {2001, "Ctrl+Z"},
      {2002, "Ctrl+Y"},       {2071, "Ctrl+C"},       {2072, "Ctrl+X"},
      {2073, "Ctrl+V"},       {2074, "Del"},          {2022, "Ctrl+Shift+O"},
      {2023, "Ctrl+Shift+F"}, {2024, "Ctrl+Shift+T"}, {2025, "Ctrl+Shift+E"},
      {2026, "Ctrl+Shift+V"}, {4030, "Ctrl+G"},       {4050, "Ctrl+R"},
      {2260, "Ctrl+P"},       {4500, "Ctrl+P"},
  };
  for (const auto& entry : kTexts) {
    if (entry.command == command) return entry.text;
  }
  return "";
}

std::span<const RibbonRecord> RibbonRecords() {
  return kRibbon;
}

std::span<const RibbonTab> RibbonTabs() {
  return kTabs;
}

std::span<const QuickAccessRecord> QuickAccessRecords() {
  return kQuickAccess;
}

std::span<const AcceleratorRecord> AcceleratorRecords() {
  return kAccelerators;
}

std::span<const PopupItem> PopupItems(PopupKind kind) {
  switch (kind) {
    case PopupKind::kSelectMode:
      return kSelectModePopup;
    case PopupKind::kLayout:
      return kLayoutPopup;
    case PopupKind::kCulling:
      return kCullingPopup;
    case PopupKind::k2D:
      return k2DPopup;
    case PopupKind::kConvert:
      return kConvertPopup;
    case PopupKind::kCleanup:
      return kCleanupPopup;
    case PopupKind::kRotate:
      return kRotatePopup;
    case PopupKind::kAxis:
      return kAxisPopup;
  }
  return {};
}

std::optional<PopupKind> PopupOfButton(CommandId command) {
  switch (command) {
    case cmd::kSelectModeHome:
    case cmd::kSelectModeEdit:
      return PopupKind::kSelectMode;
    case cmd::kLayout:
      return PopupKind::kLayout;
    case cmd::kCulling:
      return PopupKind::kCulling;
    case cmd::kSelect2DMode:
      return PopupKind::k2D;
    case cmd::kConvertTo3D:
      return PopupKind::kConvert;
    case cmd::kCleanup:
      return PopupKind::kCleanup;
    case cmd::kRotateObject:
      return PopupKind::kRotate;
    case cmd::kAllowAxis:
      return PopupKind::kAxis;
    default:
      return std::nullopt;
  }
}

const char* MenuLabel(CommandId command) {
  for (const MenuRecord& record : kMenuBar) {
    if (record.command == kMenuPopup || record.command == 0) continue;
    if (MenuCommand(record.command) == command) return record.label;
  }
  return nullptr;
}

}  // namespace torvane

// The names the views and layouts show: each view's label (drawn in the view),
// the pane titles of the 2D views and the layout menu texts.
#pragma once

namespace torvane {

// Label drawn in the top-left corner of view 0..3.
inline const char* ViewLabel(int view) {
  switch (view) {
    case 1:
      return "XY - Axis";
    case 2:
      return "YZ - Axis";
    case 3:
      return "XZ - Axis";
    default:
      return "Perspective View";
  }
}

// Title of the pane holding view 1..3 (the perspective pane has none).
inline const char* PaneTitle(int view) {
  switch (view) {
    case 1:
      return "XY - Axis - FRONT";
    case 2:
      return "YZ - Axis - RIGHT";
    case 3:
      return "XZ - Axis - TOP";
    default:
      return "";
  }
}

// Layout numbers 0..3; any other stored value means the right-side column.
inline int NormaliseLayout(int value) {
  return value >= 0 && value <= 3 ? value : 1;
}

inline const char* LayoutMenuText(int layout) {
  switch (NormaliseLayout(layout)) {
    case 0:
      return "Hide 2D Views";
    case 2:
      return "Show 2D Views at Bottom";
    case 3:
      return "Show 2D Views in Quadrants";
    default:
      return "Show 2D Views on Right Side";
  }
}

}  // namespace torvane

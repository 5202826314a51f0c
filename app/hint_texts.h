// The hint texts the commands show in the perspective view.
#pragma once

namespace torvane {

inline constexpr const char* kScaleModeHint = "Use the mouse wheel to scale the selected objects";
inline constexpr const char* kRotateModeHint =
    "Left-click and drag to rotate the select objects.\nYou may restrict the rotation to be around "
    "certain axis\nby using Allow Axis on the Edit tab to select the axis.";
inline constexpr const char* kEyeDropperHint = "Use the eye dropper to pick the color";
inline constexpr const char* kDrawCircleHint =
    "Left-click and drag on one of the 2D views\nto form a 2D circle on the drawing plane";
inline constexpr const char* kDrawEllipseHint =
    "Left-click and drag on one of the 2D views\nto form a 2D ellpise on the drawing plane";
inline constexpr const char* kDrawLineHint =
    "Left-click and drag on one of the 2D views\nto draw a line on the drawing plane.\nEach "
    "left-click will start a new line segement.";
inline constexpr const char* kDrawRectangleHint =
    "Left-click and drag on one of the 2D views\nto form a 2D rectangle on the drawing plane";

}  // namespace torvane

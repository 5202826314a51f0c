// Command numbers. Every menu item, ribbon button, accelerator and
// context-menu entry is a numbered command. Two number spaces exist: the
// main window's commands (DispatchCommand) and the view's edit commands
// (DispatchEditCommand); some numbers mean different things in each.
#pragma once

#include <cstdint>
#include <optional>

#include "core/manipulation.h"

namespace torvane {

using CommandId = uint16_t;

namespace cmd {

// File.
inline constexpr CommandId kNewFile = 1002;
inline constexpr CommandId kOpenFile = 1003;
inline constexpr CommandId kCloseFile = 1004;
inline constexpr CommandId kSaveFile = 1005;
inline constexpr CommandId kSaveAs = 1006;
inline constexpr CommandId kFileProperties = 1007;

// History and copy buffer.
inline constexpr CommandId kUndo = 2001;
inline constexpr CommandId kRedo = 2002;
inline constexpr CommandId kCopy = 2071;
inline constexpr CommandId kCut = 2072;
inline constexpr CommandId kPaste = 2073;
inline constexpr CommandId kDelete = 2074;

// Selection modes (radio), and the two ribbon drop-downs that offer them.
inline constexpr CommandId kSelectObject = 2022;
inline constexpr CommandId kSelectFace = 2023;
inline constexpr CommandId kSelectTriangle = 2024;
inline constexpr CommandId kSelectEdge = 2025;
inline constexpr CommandId kSelectVertex = 2026;
inline constexpr CommandId kSelectModeHome = 1100;
inline constexpr CommandId kSelectModeEdit = 2110;

// Colour.
inline constexpr CommandId kColour = 2050;
inline constexpr CommandId kColourPicker = 2051;
inline constexpr CommandId kApplyColour = 2052;

// Primitives.
inline constexpr CommandId kAddCube = 2011;
inline constexpr CommandId kAddSphere = 2012;
inline constexpr CommandId kAddIcosahedron = 2013;
inline constexpr CommandId kAddTorus = 2014;

// Axis locks and manipulation modes.
inline constexpr CommandId kAllowX = 2053;
inline constexpr CommandId kAllowY = 2054;
inline constexpr CommandId kAllowZ = 2055;
inline constexpr CommandId kAllowAxis = 2201;  // ribbon drop-down
inline constexpr CommandId kMoveObject = 2240;
inline constexpr CommandId kRotateObject = 2200;  // ribbon drop-down check, menu popup
inline constexpr CommandId kRotateByDragging = 2205;
inline constexpr CommandId kRotateX45 = 2210;  // 2210..2213: X 45, 90, 180, 270
inline constexpr CommandId kRotateY45 = 2220;  // 2220..2223
inline constexpr CommandId kRotateZ45 = 2230;  // 2230..2233
inline constexpr CommandId kScaleObject = 2250;

// 2D drawing and conversion.
inline constexpr CommandId kNotDrawing = 2032;
inline constexpr CommandId kDrawCircle = 2033;
inline constexpr CommandId kDrawEllipse = 2034;
inline constexpr CommandId kDrawLine = 2035;
inline constexpr CommandId kDrawRectangle = 2036;
inline constexpr CommandId kDelete2D = 2041;
inline constexpr CommandId kExtrude2D = 2042;
inline constexpr CommandId kFormHorizontal = 2043;
inline constexpr CommandId kFormVertical = 2044;
inline constexpr CommandId kSelect2DMode = 2300;  // ribbon drop-down
inline constexpr CommandId kConvertTo3D = 2400;   // ribbon split button

// Object properties (one dialog, five numbers).
inline constexpr CommandId kPropertiesEdit = 2260;
inline constexpr CommandId kPropertiesView = 4500;
inline constexpr CommandId kPropertiesHome = 1200;
inline constexpr CommandId kPropertiesEditTab = 2500;
inline constexpr CommandId kPropertiesViewTab = 3500;

// Tools.
inline constexpr CommandId kInvertNormals = 3011;
inline constexpr CommandId kRecalculateNormals = 3012;
inline constexpr CommandId kReverseWinding = 3013;
inline constexpr CommandId kDuplicateObjects = 3020;
inline constexpr CommandId kSplitObjects = 3021;
inline constexpr CommandId kGroupObjects = 3022;
inline constexpr CommandId kCleanup = 3030;  // ribbon drop-down
inline constexpr CommandId kRemoveDuplicateVertices = 3031;
inline constexpr CommandId kRemoveDuplicateTriangles = 3032;
inline constexpr CommandId kBooleanIntersection = 3041;
inline constexpr CommandId kBooleanSubtract = 3042;
inline constexpr CommandId kBooleanUnion = 3043;
inline constexpr CommandId kConverter = 3050;

// View.
inline constexpr CommandId kSolid = 4010;
inline constexpr CommandId kWireFrame = 4011;
inline constexpr CommandId kSolidPair = 4017;
inline constexpr CommandId kWireFramePair = 4018;
inline constexpr CommandId kCulling = 4012;  // ribbon drop-down, menu popup
inline constexpr CommandId kCullNothing = 4013;
inline constexpr CommandId kCullBackfaces = 4014;
inline constexpr CommandId kDrawDoubleSided = 4015;
inline constexpr CommandId kSpecular = 4016;
inline constexpr CommandId kShowGrid = 4030;
inline constexpr CommandId kHide2DViews = 4041;
inline constexpr CommandId kViewsRight = 4042;
inline constexpr CommandId kViewsBottom = 4043;
inline constexpr CommandId kViewsQuadrants = 4044;
inline constexpr CommandId kLayout = 3045;  // ribbon drop-down "View"
inline constexpr CommandId kResetView = 4050;

// The one command that leaves the hint in place.
inline constexpr CommandId kKeepHint = 4001;
// The application framework's extra menu items.
inline constexpr CommandId kFirstExtraItem = 9021;
inline constexpr CommandId kLastExtraItem = 9039;

}  // namespace cmd

// Edit commands (the view's number space).
namespace edit {

inline constexpr CommandId kScaleMode = 3001;
inline constexpr CommandId kRotateMode = 3002;
inline constexpr CommandId kMoveMode = 3003;
inline constexpr CommandId kCopy = 3004;
inline constexpr CommandId kCut = 3005;
inline constexpr CommandId kPaste = 3006;
inline constexpr CommandId kDelete = 3007;
inline constexpr CommandId kDuplicate = 3008;
inline constexpr CommandId kCentreOnGrid = 3009;
inline constexpr CommandId kUnion = 3010;
inline constexpr CommandId kIntersect = 3011;
inline constexpr CommandId kSubtract = 3012;
inline constexpr CommandId kApplyColour = 3013;
inline constexpr CommandId kOriginToCentre = 3014;
inline constexpr CommandId kOriginToGrid = 3015;
inline constexpr CommandId kGroup = 3016;
inline constexpr CommandId kSplit = 3017;
inline constexpr CommandId kRemoveDuplicateTriangles = 3018;
inline constexpr CommandId kRemoveDuplicateVertices = 3019;
inline constexpr CommandId kDelete2D = 3020;
inline constexpr CommandId kProperties = 3021;
inline constexpr CommandId kSelectAll = 3022;
inline constexpr CommandId kDeselectAll = 3023;
// 3031..3042: X 45, Y 45, Z 45, X 90, Y 90, Z 90, X 180, ..., Z 270.
inline constexpr CommandId kFirstRotation = 3031;
inline constexpr CommandId kLastRotation = 3042;
inline constexpr CommandId kSubdivideLines = 3043;
inline constexpr CommandId kSubdivideAllInto3 = 3044;
inline constexpr CommandId kSubdivideAllInto4 = 3045;
inline constexpr CommandId kSubdivideInto3 = 3046;
inline constexpr CommandId kSubdivideInto4 = 3047;
// Element editing.
inline constexpr CommandId kReverseElements = 2001;
inline constexpr CommandId kCollapseElements = 2002;
inline constexpr CommandId kRemoveElements = 2003;
inline constexpr CommandId kDuplicateElements = 2004;
// 2D outline to solid.
inline constexpr CommandId kExtrude = 1001;
inline constexpr CommandId kFormVertical = 1002;
inline constexpr CommandId kFormHorizontal = 1003;

}  // namespace edit

// The main commands forwarded to the view as edit commands (move, rotate by
// dragging, scale, apply colour, the booleans; the fixed rotations by their
// edit code). Nothing for other numbers.
std::optional<CommandId> ForwardedEditCommand(CommandId command);
// The 2D views' command for 2041 (delete the 2D outline).
inline constexpr CommandId kForwarded2DDelete = edit::kDelete2D;

// 2210..2233 and 3031..3042.
bool IsMenuRotation(CommandId command);
bool IsEditRotation(CommandId code);
FixedRotation MenuRotation(CommandId command);
FixedRotation EditRotation(CommandId code);
// 2210..2233 -> 3031..3042 (the same rotation).
CommandId EditCodeOfMenuRotation(CommandId command);

}  // namespace torvane

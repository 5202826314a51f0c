// The names and defaults of every preference the program reads or writes,
// kept in one place so that readers and writers cannot drift apart.
// Values are decoded by core/settings.h; defaults that depend on the machine
// (the Documents folder, the sample model path, the camera, the centred
// window position) are supplied by their callers.
#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Groups.
inline constexpr const char* kGroupSettings = "Settings";
inline constexpr const char* kGroupDrawingControl = "DrawingControl";
inline constexpr const char* kGroupMainWindow = "MainWindow";
inline constexpr const char* kGroupEditing = "Editing";
inline constexpr const char* kGroupComponents = "Components";

// Group "Settings".
inline constexpr const char* kSaveChangesOnExit = "SaveChangesOnExit";  // bool
inline constexpr bool kDefaultSaveChangesOnExit = false;
inline constexpr const char* kViewAsWireframe = "ViewAsWireframe";  // bool
inline constexpr bool kDefaultViewAsWireframe = false;
inline constexpr const char* kEnableSpecular = "EnableSpecular";  // bool
inline constexpr bool kDefaultEnableSpecular = true;
inline constexpr const char* kEnableCulling = "EnableCulling";  // int, a CullMode
inline constexpr int kDefaultEnableCulling = 2;
inline constexpr const char* kShowGrid = "ShowGrid";  // bool
inline constexpr bool kDefaultShowGrid = true;
inline constexpr const char* kViewLayout = "ViewLayout";  // int, a ViewLayout number
inline constexpr int kDefaultViewLayout = 1;
inline constexpr const char* kShowHints = "ShowHints";  // bool
inline constexpr bool kDefaultShowHints = true;
inline constexpr const char* kRuns = "Runs";  // int, starts of the program
inline constexpr const char* kRunsSinceLastInstall = "RunsSinceLastInstall";  // int
inline constexpr int kDefaultRuns = 0;
inline constexpr const char* kDocumentFolder = "DocumentFolder";    // string
inline constexpr const char* kDefaultMeshPath = "DefaultMeshPath";  // string

// Face culling modes stored in EnableCulling; any value but 0 and 2 is shown
// as kCullBackfaces.
inline constexpr int kCullNothing = 0;
inline constexpr int kCullBackfaces = 1;
inline constexpr int kCullDoubleSided = 2;

// 2D view layouts stored in ViewLayout; any other value is kLayoutRight.
inline constexpr int kLayoutHide2D = 0;
inline constexpr int kLayoutRight = 1;
inline constexpr int kLayoutBottom = 2;
inline constexpr int kLayoutQuadrants = 3;

// The hints stop after a start whose run count is a multiple of this.
inline constexpr int kHintRunsPeriod = 9;

// Group "DrawingControl": the perspective camera.
inline constexpr const char* kEyePosition = "EyePosition";  // vector
inline constexpr const char* kLookAt = "LookAt";            // vector
// Older camera values: never read or written, only deleted.
inline constexpr const char* kZoomFactor = "ZoomFactor";
inline constexpr const char* kRotationX = "RotationX";
inline constexpr const char* kRotationY = "RotationY";

// Group "MainWindow": placement of the normal window rectangle.
inline constexpr const char* kMaximized = "Maximized";  // bool
inline constexpr bool kDefaultMaximized = false;
inline constexpr const char* kWindowX = "X";            // int, default: centred
inline constexpr const char* kWindowY = "Y";            // int, default: centred
inline constexpr const char* kWindowWidth = "Width";    // int, 0 = default size
inline constexpr const char* kWindowHeight = "Height";  // int, 0 = default size
inline constexpr int kDefaultWindowSize = 0;

// Group "Editing": the 16 custom colours of the colour chooser, named
// "DefaultColor0" to "DefaultColor15", each a colour reference as an int.
inline constexpr const char* kDefaultColorPrefix = "DefaultColor";
inline constexpr int kCustomColourCount = 16;
inline constexpr int kDefaultCustomColour = 0;

inline std::string DefaultColorValueName(int index) {
  return std::string(kDefaultColorPrefix) + std::to_string(index);
}

// Group "Components/<name>": where a helper program is installed.
inline constexpr const char* kComponentPath = "Path";  // string

inline std::string ComponentGroup(std::string_view component) {
  return std::string(kGroupComponents) + "/" + std::string(component);
}

// The first hint shown at start-up while ShowHints is true.
inline constexpr const char* kStartupHintText =
    "1 - Right-click and drag your mouse to change the camera angle\n"
    "2 - Right-click to instantly access editing tools and options for the selected objects\n"
    "3 - Use your mouse wheel to zoom the camera view in or out\n"
    "4 - Experiment with the different Select Object options on the Home tab to modify\n"
    "      your object or a portion of it\n"
    "5 - Click Reset View on the View tab to reset the perspective camera view\n"
    "6 - To use 2D drawing tools, draw on one of the 2D views";

}  // namespace torvane

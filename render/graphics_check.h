// Start-up graphics check: the surface format every view asks for (OpenGL
// 3.3 core, depth 24, stencil 8, multisampling where it is cheap) and the
// probe that tells whether such a context can be had. When it cannot, the
// program shows the "3D Graphics Failure" dialog and closes.
//
// Multisampling is asked for on graphics hardware only: a renderer that
// rasterises on the processor (Mesa's llvmpipe, softpipe) pays for every
// sample of every triangle, which makes large models several times slower.
// The environment variable TORVANE_MULTISAMPLE overrides the choice ("0" or
// "off": none; a number: that many samples).
#pragma once

#include <QSurfaceFormat>
#include <string>
#include <string_view>

class QMessageBox;
class QWidget;

namespace torvane {

inline constexpr const char* kGraphicsFailureTitle = "3D Graphics Failure";
inline constexpr const char* kGraphicsHelpButton = "Show Graphics Driver Help Page";
inline constexpr const char* kGraphicsCloseButton = "Close Torvane";
inline constexpr const char* kGraphicsHelpUrl =
    "https://www.khronos.org/opengl/wiki/Getting_Started#Downloading_OpenGL";

inline constexpr int kHardwareSampleCount = 4;
inline constexpr int kMaximumSampleCount = 16;
inline constexpr const char* kMultisampleVariable = "TORVANE_MULTISAMPLE";

// True when the OpenGL renderer string names a renderer that rasterises on
// the processor.
bool IsSoftwareRenderer(std::string_view rendererName);

// Samples the views ask for: the override text when it is "off" or a count
// (clamped to 0..16); otherwise none on a software renderer and 4 on
// hardware. A null or unreadable override means no override.
int ChooseSampleCount(bool softwareRenderer, const char* overrideText);

// The OpenGL renderer string, probed once with a 3.3 core context; empty
// when no application object exists yet or no such context can be made.
std::string OpenGLRendererName();

// A software renderer allocates and frees tens of megabytes for every frame
// (binned triangles, shaded vertices). With the C library's default limits
// those blocks go back to the system after each frame and come back as page
// faults in the next one, which costs a large share of a frame. Once per
// process, when `rendererName` is a software renderer, raises the limits so
// that freed blocks stay with the process (up to 256 MB of them). Returns
// whether the limits were raised (by this call or an earlier one).
bool KeepRendererMemory(std::string_view rendererName);

// OpenGL 3.3 core profile, 24-bit depth, 8-bit stencil, and the samples of
// ChooseSampleCount for this machine's renderer (needs the application
// object; before it exists the renderer counts as hardware).
QSurfaceFormat ViewSurfaceFormat();

// Sets the default format (ViewSurfaceFormat without samples: the shared
// context and the windows around the views need none, each view asks for
// its own); call before the application object is created.
void InstallViewSurfaceFormat();

// True when an OpenGL 3.3 (or later) context can be created and made current.
bool ProbeOpenGL33();

// The failure dialog, not yet shown (the caller owns it). Its help button
// opens the driver help page without closing the dialog.
QMessageBox* CreateGraphicsFailureDialog(QWidget* parent = nullptr);

// Shows the failure dialog until "Close Torvane" (or the window's close).
void ShowGraphicsFailureDialog();

}  // namespace torvane

// Start-up graphics check: the surface format every view asks for (OpenGL
// 3.3 core, depth 24, stencil 8, multisampling) and the probe that tells
// whether such a context can be had. When it cannot, the program shows the
// "3D Graphics Failure" dialog and closes.
#pragma once

#include <QSurfaceFormat>

class QMessageBox;
class QWidget;

namespace torvane {

inline constexpr const char* kGraphicsFailureTitle = "3D Graphics Failure";
inline constexpr const char* kGraphicsHelpButton = "Show Graphics Driver Help Page";
inline constexpr const char* kGraphicsCloseButton = "Close Torvane";
inline constexpr const char* kGraphicsHelpUrl =
    "https://www.khronos.org/opengl/wiki/Getting_Started#Downloading_OpenGL";

// OpenGL 3.3 core profile, 24-bit depth, 8-bit stencil, 4 samples.
QSurfaceFormat ViewSurfaceFormat();

// Sets ViewSurfaceFormat as the default; call before the application object
// is created (the shared context is made from it).
void InstallViewSurfaceFormat();

// True when an OpenGL 3.3 (or later) context can be created and made current.
bool ProbeOpenGL33();

// The failure dialog, not yet shown (the caller owns it). Its help button
// opens the driver help page without closing the dialog.
QMessageBox* CreateGraphicsFailureDialog(QWidget* parent = nullptr);

// Shows the failure dialog until "Close Torvane" (or the window's close).
void ShowGraphicsFailureDialog();

}  // namespace torvane

// The screenshot run: `torvane --screenshot OUT.png [FILE]` starts the
// window as a normal start does (menus, ribbon, views, the stored layout
// and view options), opens FILE, or without one what a normal start opens
// (the last session's autosave, else the sample model), waits for the first
// frame of every visible view, writes the main window's image as PNG and
// ends. It asks nothing, shows no message and changes nothing on disk.
#pragma once

#include <string>

namespace torvane {

class MainWindow;
struct Document;
struct Lifecycle;

// What a start without a file shows, opened without a question, a message
// or a change on disk: the autosave of the last session, else (no autosave,
// one that does not load, or one without triangles) the default mesh. A
// broken autosave is left for the next normal start to deal with.
void OpenStartDocument(Lifecycle& life);

// Shows `window`, waits (up to `timeoutMs`) until every visible view has drawn
// a frame, and saves the window's image to `outPath`. Returns the exit code:
// 0 written, 2 when the image could not be made or written.
int WriteWindowScreenshot(MainWindow& window, const std::string& outPath, int timeoutMs = 20000);

// The whole run over a window whose view settings were read (StartUp).
// `filePath` may be empty. Returns the exit code: 0 written; 2 when the
// file could not be opened or the image not written (with a message on
// standard error).
int RunScreenshot(MainWindow& window, Document& doc, const std::string& outPath,
                  const std::string& filePath);

}  // namespace torvane

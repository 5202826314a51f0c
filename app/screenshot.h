// The screenshot run: `torvane --screenshot OUT.png [FILE]` opens FILE (or
// nothing), waits for the first frame of every visible view in the stored
// layout, writes the main window's image as PNG and ends.
#pragma once

#include <string>

namespace torvane {

class MainWindow;
struct Document;

// Opens a model file into `doc` through the format dispatch. Returns false
// (with a message in *error) when the file cannot be loaded.
bool OpenModelIntoDocument(const std::string& path, Document& doc, std::string* error);

// Shows `window`, waits (up to `timeoutMs`) until every visible view has drawn
// a frame, and saves the window's image to `outPath`. Returns the exit code:
// 0 written, 2 when the image could not be made or written.
int WriteWindowScreenshot(MainWindow& window, const std::string& outPath, int timeoutMs = 20000);

}  // namespace torvane

// The autosave file: a TVX copy of the open document with its path, type,
// untitled flag and modified state, kept in the AutoSave folder while the
// document has unsaved changes, so that the next start can restore the work
// after a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"

namespace torvane {

class ProgressMonitor;

// What the last autosave wrote: the objects (by address and id) and the
// modified state, so that an undo or a deletion is noticed even when no
// object is marked.
struct AutosaveMark {
  std::vector<std::pair<const SceneObject*, uint32_t>> objects;
  bool modified = false;
  bool valid = false;
};

// Writes {folder}/{file name}.autosave.tvx (creating the folder) from the
// live document, holding the history lock for the whole write. Nothing is
// written when the document path has no file name. On success every
// object's unautosavedChange flag is cleared and `mark` (when given) notes
// the state written. False when nothing was written.
bool WriteAutosave(Document& doc, const std::string& folder, AutosaveMark* mark = nullptr);

// The tick's test: the document is modified, and something changed since the
// autosave noted in `mark` (an object marked unautosaved, or a different
// object list or modified state).
bool AutosaveDue(const Document& doc, const AutosaveMark& mark);

// Deletes every file in `folder` (sub-folders stay), then the folder.
void DeleteAutosave(const std::string& folder);

// The first "*.tvx" file in `folder` (by name), or empty.
std::string FindAutosaveFile(const std::string& folder);

// Deletes `path`, retrying while that fails for up to `budgetMs` with waits
// from budget / 128 (rounded up), doubling; the waits go through `monitor`.
bool DeleteFileRetrying(const std::string& path, ProgressMonitor& monitor, uint32_t budgetMs);

}  // namespace torvane

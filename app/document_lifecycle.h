// The life of the one open document: New, Open (dialog, command line,
// dropped files), Close, Save, Save As, the unsaved-changes questions, the
// caption, the periodic autosave and its restoration at the next start, the
// sample model, the close query and the hand-over to the "Gyre 3D"
// converter.
//
// Inputs: the document, the questions and dialogs (UserInterface), the
// window (ShellHost), the folders and the settings. Outputs: the document's
// objects and file state, the files written, the settings DocumentFolder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/autosave.h"
#include "app/shell_folders.h"
#include "app/shell_host.h"
#include "app/user_interface.h"
#include "core/document.h"
#include "core/status.h"

namespace torvane {

// A save shows a progress window from this many triangles on.
inline constexpr uint64_t kSaveProgressTriangles = 1000;
// How long a failed autosave restore keeps trying to delete the file.
inline constexpr uint32_t kAutosaveDeleteBudgetMs = 3000;
// The program the "3D Converter..." command hands the scene to.
inline constexpr const char* kConverterComponent = "Gyre 3D";

struct Lifecycle {
  Document& doc;
  UserInterface& ui;
  ShellHost& host;
  ShellFolders folders;
  // There is something worth saving: set by New and a successful load,
  // cleared with the document; while clear it follows the modified state.
  bool content = false;
  // Filter indices chosen in the dialogs, kept until the program ends.
  int openFilterIndex = 1;
  int saveFilterIndex = 1;
  // What the last autosave wrote.
  AutosaveMark autosaveMark;
};

// The content flag, computed as its comment says.
bool HasContent(Lifecycle& life);

// Asks about unsaved changes and clears the document. False (nothing
// changed) when the user cancels or a requested save did not happen.
bool CloseDocument(Lifecycle& life);
// The clearing step alone: views reset, objects and history freed, the
// autosave deleted, file state of a new untitled document, camera reset.
void ClearDocument(Lifecycle& life);
void NewDocument(Lifecycle& life);
void OpenDocument(Lifecycle& life);
void ReportOpenResult(Lifecycle& life, uint32_t flags, const std::string& path);
void SaveDocument(Lifecycle& life);
void SaveDocumentAs(Lifecycle& life);

// Loads `path` under a progress window titled "Opening %s"; on success the
// document becomes titled, DocumentFolder is updated; then the result is
// reported (a cancelled load says nothing) and the views redrawn.
LoadResult OpenFile(Lifecycle& life, const std::string& path);

// The autosave timer: writes the autosave when AutosaveDue.
void AutosaveTick(Lifecycle& life);
// Writes the autosave now (used at exit).
bool WriteAutosaveNow(Lifecycle& life);
void DeleteAutosaveNow(Lifecycle& life);
// Start-up: restores the autosave of the previous run; true when the
// document then holds objects.
bool RestoreAutosave(Lifecycle& life);
// Start-up: loads DefaultMeshPath (default: the sample model) as an
// unmodified untitled document. Silent on failure.
void LoadDefaultMesh(Lifecycle& life);
// Start-up: `args` as the process got them (args[0] is the program).
void OpenFromCommandLine(Lifecycle& life, const std::vector<std::string>& args);
// Opens the first of `paths` with a model extension.
void OpenDroppedFiles(Lifecycle& life, const std::vector<std::string>& paths);
// Whether the program may end now (saving or autosaving as needed).
bool QueryExit(Lifecycle& life);
// Writes the scene to the Transfer folder and starts the converter with it.
void TransferToConverter(Lifecycle& life);

// The type lists of the two file dialogs.
std::vector<FileFilter> OpenFileFilters();
std::vector<FileFilter> SaveFileFilters();
// True when the extension of `path` is one the program opens (case ignored).
bool IsModelFileName(const std::string& path);

}  // namespace torvane

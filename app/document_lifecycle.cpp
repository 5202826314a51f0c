// New, Open, Close, Save, Save As, autosave and restore, start-up opening,
// dropped files, the close query and the converter hand-over.
#include "app/document_lifecycle.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/component_program.h"
#include "app/document_file.h"
#include "core/history.h"
#include "core/null_progress.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "formats/model_file.h"

namespace torvane {
namespace fs = std::filesystem;
namespace {

constexpr const char* kUnsavedTitle = "Unsaved Changes";
constexpr const char* kSaveChangesText = "Do you want to save changes before closing?";
constexpr const char* kEmptyFileText =
    "There are no current model objects, do you want to save as an empty file?";
constexpr const char* kEmptyFileTitle = "Save Empty File";
constexpr const char* kDrawingNotSavedText =
    "The 2D drawing will not be saved to the file.\n\nPlease convert the 2D drawing to a 3D mesh "
    "if you wish to save this object.";
constexpr const char* kSaveTitle = "Save File";
constexpr const char* kSaveAsTitle = "Save File As";
constexpr const char* kOpenFailedTitle = "File Open Failed";
constexpr const char* kSameFileText =
    "You are attempting to open the same file. Do you want to keep the unsaved changes or revert "
    "back to the original file?";

std::string DocumentFolderSetting(const Lifecycle& life) {
  return ReadSettingString(kGroupSettings, kDocumentFolder, life.folders.documents);
}

void StoreDocumentFolder(const std::string& path) {
  const std::string folder = FolderPart(path);
  if (!folder.empty()) WriteSettingString(kGroupSettings, kDocumentFolder, folder);
}

// The file state of a new untitled document; the objects stay.
void ResetFileState(Lifecycle& life) {
  life.doc.defaultFolder = DocumentFolderSetting(life);
  life.doc.filePath = DefaultDocumentPath(life.doc);
  life.doc.untitled = true;
  life.doc.fileType = kNewDocumentFileType;
}

void RefreshTitle(Lifecycle& life) {
  life.host.UpdateTitle(IsModified(life.doc));
}

// Asks the empty-file question when the document has no triangles; true
// when the save may go ahead.
bool MaySaveEmpty(Lifecycle& life) {
  if (HasObjects(life.doc)) return true;
  return life.ui.AskTwo(kEmptyFileText, kEmptyFileTitle, "Save", "No");
}

// Writes the document to `path`: the 2D-drawing warning first, a progress
// window from 1000 triangles on (always when `alwaysProgress`). On success
// the document is unmodified (and, for Save As, takes the new path and
// type) and the autosave, now older than the file, is deleted. A failed
// write says so: the document keeps its changes.
int WriteDocumentTo(Lifecycle& life, const std::string& path, bool saveAs, const char* title,
                    bool alwaysProgress) {
  Document& doc = life.doc;
  if (AnyWithOutlines(doc)) life.ui.ShowMessage(kDrawingNotSavedText, title, MessageIcon::kWarning);
  auto body = [&](ProgressMonitor& monitor) {
    return SaveDocumentFile(doc, monitor, path, /*autosave=*/false);
  };
  int status = kStatusFailed;
  if (!alwaysProgress && TriangleTotal(doc) < kSaveProgressTriangles) {
    NullProgress quiet;
    status = body(quiet);
  } else {
    status = life.ui.RunWithProgress("Saving " + FileNamePart(path), body);
  }
  if (status == kStatusDone) {
    ClearSavedFlags(doc);
    if (saveAs) {
      doc.untitled = false;
      doc.filePath = path;
      doc.fileType = static_cast<uint32_t>(DetectFormat(path).fileType);
    }
    DeleteAutosaveNow(life);
  } else if (status == kStatusFailed) {
    life.ui.ShowMessage("The file could not be saved:\n\n" + path, title, MessageIcon::kError);
  }
  return status;
}

std::string LowerExtension(const std::string& path) {
  const std::string name = FileNamePart(path);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return {};
  std::string extension = name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::vector<FileFilter> OpenFileFilters() {
  return {{"Model Formats", "*.stl;*.3ds;*.tvx;*.3mf;*.obj;*.ply;*.fbx;"},
          {"TVX File Format (*.tvx)", "*.tvx"},
          {"3DS File Format (*.3ds)", "*.3ds"},
          {"3MF File Format (*.3mf)", "*.3mf"},
          {"OBJ File Format (*.obj)", "*.obj"},
          {"PLY File Format (*.ply)", "*.ply"},
          {"STL File Format (*.stl)", "*.stl"},
          {"Autodesk FBX Format (*.fbx)", "*.fbx"},
          {"All Files", "*.*"}};
}

std::vector<FileFilter> SaveFileFilters() {
  return {{"TVX File Format (*.tvx)", "*.tvx"}, {"3DS File Format (*.3ds)", "*.3ds"},
          {"3MF File Format (*.3mf)", "*.3mf"}, {"OBJ File Format (*.obj)", "*.obj"},
          {"PLY File Format (*.ply)", "*.ply"}, {"STL File Format (*.stl)", "*.stl"}};
}

bool IsModelFileName(const std::string& path) {
  static const char* const kExtensions[] = {".tvx", ".3ds", ".stl", ".obj", ".3mf", ".ply", ".fbx"};
  const std::string extension = LowerExtension(path);
  return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                     [&](const char* e) { return extension == e; });
}

bool HasContent(Lifecycle& life) {
  if (!life.content) life.content = IsModified(life.doc);
  return life.content;
}

void ClearDocument(Lifecycle& life) {
  Document& doc = life.doc;
  life.host.ResetViews();
  DeselectAll(doc);
  ClearHistory(doc);
  ClearRecordedFlags(doc);
  ResetDocument(doc);
  ResetFileState(life);
  doc.outlineObjectId = kNoObjectId;
  DeleteAutosaveNow(life);
  life.host.ResetCamera();
  life.content = false;
  Notify(doc, kNotifyReset);
  life.host.Redraw();
}

bool CloseDocument(Lifecycle& life) {
  if (IsModified(life.doc) && HasObjects(life.doc)) {
    const int answer =
        life.ui.AskThree(kSaveChangesText, kUnsavedTitle, "Save", "Close Without Saving");
    if (answer == kAnswerCancel) return false;
    if (answer == kAnswerFirst) {
      SaveDocument(life);
      // A save that was cancelled or failed must not cost the work.
      if (IsModified(life.doc)) return false;
    }
  }
  ClearDocument(life);
  life.host.UpdateTitle(false);
  return true;
}

void NewDocument(Lifecycle& life) {
  if (!CloseDocument(life)) return;
  life.content = true;
  life.host.Redraw();
  life.host.UpdateTitle(false);
}

void ReportOpenResult(Lifecycle& life, uint32_t flags, const std::string& path) {
  if ((flags & kOpenFailed) && (flags & kOpenTooLarge)) {
    life.ui.ShowMessage("The model file is too large to load into the available memory.",
                        kOpenFailedTitle, MessageIcon::kError);
  } else if (flags & kOpenFailed) {
    life.ui.ShowMessage("There has been an error opening the file:\n\n" + path, kOpenFailedTitle,
                        MessageIcon::kError);
  } else if (flags & kOpenNoMeshes) {
    life.ui.ShowMessage("The opened file doesn't contain any model meshes.", "File Opened",
                        MessageIcon::kInformation);
  }
}

LoadResult OpenFile(Lifecycle& life, const std::string& path) {
  Document& doc = life.doc;
  const std::string name = FileNamePart(path);
  uint32_t flags = kOpenFailed;  // unless the load runs and says otherwise
  const int status = life.ui.RunWithProgress("Opening " + name, [&](ProgressMonitor& monitor) {
    monitor.SetText("Opening " + name, 0);
    return static_cast<int>(LoadDocumentFile(doc, monitor, path, /*restore=*/false, flags));
  });
  const LoadResult result = status == kLoaded      ? kLoaded
                            : status == kCancelled ? kCancelled
                                                   : kFailed;
  if (result == kLoaded) {
    doc.untitled = false;
    life.content = true;
    StoreDocumentFolder(path);
  } else {
    // A cancelled load leaves an empty untitled document; a failed one keeps
    // what it read, untitled, so that Save never overwrites the bad file.
    if (result == kCancelled) ResetDocument(doc);
    ResetFileState(life);
  }
  life.host.UpdateTitle(false);
  if (result != kCancelled) ReportOpenResult(life, flags, path);
  life.host.Redraw();
  return result;
}

void OpenDocument(Lifecycle& life) {
  if (!CloseDocument(life)) return;
  FileDialogRequest request;
  request.title = "Open File";
  request.folder = DocumentFolderSetting(life);
  request.filters = OpenFileFilters();
  request.filterIndex = life.openFilterIndex;
  request.defaultExtension = "stl";
  const std::optional<std::string> path = life.ui.ChooseFileToOpen(request);
  life.openFilterIndex = request.filterIndex;
  if (!path) return;
  StoreDocumentFolder(*path);
  OpenFile(life, *path);
}

void SaveDocument(Lifecycle& life) {
  Document& doc = life.doc;
  if (!IsModified(doc)) return;
  if (doc.untitled) {
    SaveDocumentAs(life);
    return;
  }
  if (!MaySaveEmpty(life)) return;
  if (FileNamePart(doc.filePath).empty()) return;
  WriteDocumentTo(life, doc.filePath, /*saveAs=*/false, kSaveTitle, /*alwaysProgress=*/false);
  RefreshTitle(life);
}

void SaveDocumentAs(Lifecycle& life) {
  Document& doc = life.doc;
  if (!HasContent(life)) return;
  if (!MaySaveEmpty(life)) return;

  FileDialogRequest request;
  request.title = kSaveAsTitle;
  request.folder = DocumentFolderSetting(life);
  request.filters = SaveFileFilters();
  request.defaultExtension = "stl";
  if (doc.untitled) {
    request.proposedName = life.content ? FileNamePart(doc.filePath) : std::string();
    request.filterIndex = request.proposedName.empty() ? 1 : 6;
  } else {
    request.filterIndex = life.saveFilterIndex;
  }

  std::string path;
  for (;;) {
    const std::optional<std::string> chosen = life.ui.ChooseFileToSave(request);
    life.saveFilterIndex = request.filterIndex;
    if (!chosen) return;
    std::error_code ec;
    if (!fs::exists(*chosen, ec)) {
      path = *chosen;
      break;
    }
    const int answer = life.ui.AskThree("File already exists. Do you want to overwrite it?",
                                        "Confirm Save As", "Overwrite", "Try Another");
    if (answer == kAnswerCancel) return;
    if (answer == kAnswerFirst) {
      path = *chosen;
      break;
    }
    request.proposedName = FileNamePart(*chosen);
  }
  StoreDocumentFolder(path);
  WriteDocumentTo(life, path, /*saveAs=*/true, kSaveAsTitle, /*alwaysProgress=*/false);
  RefreshTitle(life);
}

bool WriteAutosaveNow(Lifecycle& life) {
  return WriteAutosave(life.doc, life.folders.autoSave, &life.autosaveMark);
}

void DeleteAutosaveNow(Lifecycle& life) {
  DeleteAutosave(life.folders.autoSave);
  life.autosaveMark = AutosaveMark{};
}

void AutosaveTick(Lifecycle& life) {
  if (AutosaveDue(life.doc, life.autosaveMark)) WriteAutosaveNow(life);
}

bool RestoreAutosave(Lifecycle& life) {
  Document& doc = life.doc;
  // Only into an empty document: a refused load would count as a broken
  // autosave and delete the work.
  if (doc.objectCount != 0) return HasObjects(doc);
  std::string file;
  LoadResult result = kFailed;
  life.ui.RunWithProgress("Loading last session", [&](ProgressMonitor& monitor) {
    file = FindAutosaveFile(life.folders.autoSave);
    if (file.empty()) return static_cast<int>(kLoaded);
    uint32_t flags = 0;
    result = LoadDocumentFile(doc, monitor, file, /*restore=*/true, flags);
    if (result == kLoaded) {
      monitor.SetFraction(1.0);
    } else if (result == kFailed) {
      // A broken autosave would fail again at every start.
      DeleteFileRetrying(file, monitor, kAutosaveDeleteBudgetMs);
    }
    return static_cast<int>(result);
  });
  if (!file.empty() && result != kLoaded) {
    ResetDocument(doc);
    ResetFileState(life);
    life.host.ResetCamera();
  }
  const bool restored = HasObjects(doc);
  RefreshTitle(life);
  life.host.Redraw();
  if (restored) {
    life.ui.ShowMessage("Autosave project restored.", "Autosave", MessageIcon::kInformation);
  }
  return restored;
}

void LoadDefaultMesh(Lifecycle& life) {
  Document& doc = life.doc;
  if (doc.objectCount != 0) return;
  const std::string path =
      ReadSettingString(kGroupSettings, kDefaultMeshPath, life.folders.sampleModel);
  if (path.empty()) return;
  NullProgress quiet;
  uint32_t flags = 0;
  const LoadResult result = LoadDocumentFile(doc, quiet, path, /*restore=*/false, flags);
  if (result != kLoaded) ResetDocument(doc);
  // The sample shows as an unmodified new document; saving it asks for a name.
  ResetFileState(life);
  ClearSavedFlags(doc);
  life.host.UpdateTitle(false);
  life.host.Redraw();
}

void OpenFromCommandLine(Lifecycle& life, const std::vector<std::string>& args) {
  Document& doc = life.doc;
  if (args.size() < 2) {
    if (!RestoreAutosave(life)) LoadDefaultMesh(life);
    return;
  }
  if (!life.host.ViewsUsable()) return;
  if (!HasContent(life)) RestoreAutosave(life);

  std::string path;
  for (size_t i = 1; i < args.size(); ++i) {
    std::error_code ec;
    if (fs::is_regular_file(args[i], ec)) {
      path = fs::absolute(args[i], ec).lexically_normal().string();
      break;
    }
  }
  if (path.empty()) {
    life.host.Redraw();
    return;
  }
  if (path == doc.filePath && IsModified(doc)) {
    if (life.ui.AskTwo(kSameFileText, kUnsavedTitle, "Keep Changes", "Revert Changes")) return;
    ClearDocument(life);
  }
  if (!CloseDocument(life)) return;
  OpenFile(life, path);
}

void OpenDroppedFiles(Lifecycle& life, const std::vector<std::string>& paths) {
  const auto found = std::find_if(paths.begin(), paths.end(), IsModelFileName);
  if (found == paths.end()) {
    life.ui.ShowMessage("No handled file types to open.", "Drag Drop", MessageIcon::kInformation);
    return;
  }
  if (!CloseDocument(life)) return;
  OpenFile(life, *found);
}

bool QueryExit(Lifecycle& life) {
  Document& doc = life.doc;
  if (!IsModified(doc)) {
    DeleteAutosaveNow(life);
    return true;
  }
  if (!ReadSettingBool(kGroupSettings, kSaveChangesOnExit, kDefaultSaveChangesOnExit)) {
    RecordHistory(doc);
    // The autosave is the work's only copy now; when it cannot be written,
    // fall back to asking.
    if (WriteAutosaveNow(life)) return true;
  }
  const int answer =
      life.ui.AskThree(kSaveChangesText, kUnsavedTitle, "Save", "Close Without Saving");
  if (answer == kAnswerCancel) return false;
  if (answer == kAnswerFirst && !FileNamePart(doc.filePath).empty()) {
    const int status = WriteDocumentTo(life, doc.filePath, /*saveAs=*/false, kSaveTitle,
                                       /*alwaysProgress=*/true);
    if (status != kStatusDone) return false;
  }
  DeleteAutosaveNow(life);
  return true;
}

void TransferToConverter(Lifecycle& life) {
  Document& doc = life.doc;
  std::vector<std::string> arguments;
  const std::string name = FileNamePart(doc.filePath);
  std::error_code ec;
  fs::create_directories(life.folders.transfer, ec);
  if (!name.empty() && fs::is_directory(life.folders.transfer, ec)) {
    const std::string path = JoinPath(life.folders.transfer, WithoutExtension(name) + ".tvx");
    NullProgress quiet;
    // The transfer file is not the autosave: the document's autosave marks
    // stay, so the next tick still protects the work.
    if (SaveDocumentFile(doc, quiet, path, /*autosave=*/true) == kStatusDone) {
      arguments.push_back(path);
    }
  }
  const std::string program = ComponentProgramPath(kConverterComponent);
  if (program.empty()) {
    life.ui.ShowMessage(std::string("The 3D file format converter \"") + kConverterComponent +
                            "\" is not installed.\n\nSet its program in the setting Components/" +
                            kConverterComponent + "/Path.",
                        "3D Converter", MessageIcon::kInformation);
    return;
  }
  if (!life.ui.StartProgram(program, arguments)) {
    life.ui.ShowMessage(std::string("The 3D file format converter \"") + kConverterComponent +
                            "\" could not be started:\n\n" + program,
                        "3D Converter", MessageIcon::kError);
  }
}

}  // namespace torvane

// The folders and files the document lifecycle uses: the user's Documents
// folder, the program's folder inside it with its AutoSave and Transfer
// folders, and where the sample model is found.
#pragma once

#include <string>

namespace torvane {

struct ShellFolders {
  std::string documents;    // the user's Documents folder
  std::string autoSave;     // {documents}/Torvane/AutoSave
  std::string transfer;     // {documents}/Torvane/Transfer
  std::string sampleModel;  // the sample model file (may not exist)
};

// The folders of the running program (QStandardPaths). The sample model is
// looked for beside the program (build tree), then in the installed data
// folders; the first that exists is taken.
ShellFolders DefaultShellFolders();

// Folders under `documents` (tests); the sample model as given.
ShellFolders ShellFoldersUnder(const std::string& documents, const std::string& sampleModel);

// Name of the sample model file.
inline constexpr const char* kSampleModelName = "torvane_sample.tvx";

// "dir" + "/" + "name", without doubling a separator.
std::string JoinPath(const std::string& dir, const std::string& name);
// Everything after the last '/' or '\\'.
std::string FileNamePart(const std::string& path);
// Everything before the last '/' or '\\' (empty when there is none).
std::string FolderPart(const std::string& path);

}  // namespace torvane

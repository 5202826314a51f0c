// Folder lookup through QStandardPaths and the sample model search.
#include "app/shell_folders.h"

#include "formats/document_file_io.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace torvane {

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  const char last = dir.back();
  if (last == '/' || last == '\\') return dir + name;
  return dir + "/" + name;
}

std::string FileNamePart(const std::string& path) {
  return FileNameOf(path);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

ShellFolders ShellFoldersUnder(const std::string& documents, const std::string& sampleModel) {
  ShellFolders folders;
  folders.documents = documents;
  const std::string program = JoinPath(documents, "Torvane");
  folders.autoSave = JoinPath(program, "AutoSave");
  folders.transfer = JoinPath(program, "Transfer");
  folders.sampleModel = sampleModel;
  return folders;
}

ShellFolders DefaultShellFolders() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();

  QStringList candidates;
  const QString programDir =
      QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
  const QString relative = QStringLiteral("torvane/sample/") + QLatin1String(kSampleModelName);
  if (!programDir.isEmpty()) {
    // Build tree: the sample is made beside the program.
    candidates << programDir + QStringLiteral("/sample/") + QLatin1String(kSampleModelName);
    // Installed tree moved as a whole: bin/../share/torvane/sample.
    candidates << programDir + QStringLiteral("/../share/") + relative;
  }
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    candidates << data + QLatin1Char('/') + relative;

  QString sample = candidates.isEmpty() ? QString() : candidates.front();
  for (const QString& candidate : candidates) {
    if (QFileInfo::exists(candidate)) {
      sample = QFileInfo(candidate).absoluteFilePath();
      break;
    }
  }
  return ShellFoldersUnder(documents.toStdString(), sample.toStdString());
}

}  // namespace torvane

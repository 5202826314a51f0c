// Autosave writing, the tick's test, deletion and lookup.
#include "app/autosave.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "app/document_file.h"
#include "app/shell_folders.h"
#include "core/null_progress.h"
#include "core/progress_monitor.h"
#include "formats/tvx/tvx.h"

namespace torvane {
namespace fs = std::filesystem;
namespace {

AutosaveMark MarkOf(const Document& doc) {
  AutosaveMark mark;
  mark.objects.reserve(doc.objects.size());
  for (const auto& object : doc.objects)
    mark.objects.emplace_back(object.get(), object ? object->id : kNoObjectId);
  mark.modified = IsModified(doc);
  mark.valid = true;
  return mark;
}

}  // namespace

bool WriteAutosave(Document& doc, const std::string& folder, AutosaveMark* mark) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) return false;
  const std::string name = AutosaveFileName(doc.filePath);
  if (name.empty()) return false;
  const std::string path = JoinPath(folder, name);

  // The live document is the newest state: the newest history entry is the
  // state before the last change, so writing it would lose that change.
  std::lock_guard<std::recursive_mutex> lock(doc.historyLock);
  NullProgress quiet;
  if (SaveDocumentFile(doc, quiet, path, /*autosave=*/true) != 0) return false;
  for (auto& object : doc.objects) {
    if (object) object->mesh.unautosavedChange = false;
  }
  if (mark) *mark = MarkOf(doc);
  return true;
}

bool AutosaveDue(const Document& doc, const AutosaveMark& mark) {
  if (!IsModified(doc)) return false;
  // Dead objects count: a deletion is work to keep too.
  for (const auto& object : doc.objects) {
    if (object && object->mesh.unautosavedChange) return true;
  }
  if (!mark.valid || mark.modified != IsModified(doc)) return true;
  if (mark.objects.size() != doc.objects.size()) return true;
  for (size_t i = 0; i < doc.objects.size(); ++i) {
    const auto& object = doc.objects[i];
    if (mark.objects[i].first != object.get()) return true;
    if (object && mark.objects[i].second != object->id) return true;
  }
  return false;
}

void DeleteAutosave(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    std::error_code fileError;
    if (!entry.is_directory(fileError)) fs::remove(entry.path(), fileError);
  }
  fs::remove(folder, ec);  // fails, harmlessly, while sub-folders remain
}

std::string FindAutosaveFile(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return {};
  std::vector<std::string> found;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    std::error_code fileError;
    if (!entry.is_regular_file(fileError)) continue;
    std::string extension = entry.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".tvx") found.push_back(entry.path().string());
  }
  if (found.empty()) return {};
  return *std::min_element(found.begin(), found.end());
}

bool DeleteFileRetrying(const std::string& path, ProgressMonitor& monitor, uint32_t budgetMs) {
  uint32_t wait = (budgetMs + 127) / 128;
  uint32_t waited = 0;
  for (;;) {
    std::error_code ec;
    if (fs::remove(path, ec) || !fs::exists(path, ec)) return true;
    if (waited >= budgetMs) return false;
    const uint32_t step = std::min(wait, budgetMs - waited);
    monitor.Sleep(step);
    waited += step;
    wait *= 2;
  }
}

}  // namespace torvane

// The zip component on libzip.
#include "formats/zip/zip.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "platform/file_handle.h"

namespace torvane {
namespace {

std::atomic<bool> gZipMissing{false};

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

Archive OpenArchive(const std::string& path, int flags) {
  int error = 0;
  return Archive(zip_open(path.c_str(), flags, &error));
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Regular files under `path` (or `path` itself), in name order.
bool CollectFiles(const std::string& path, std::vector<std::string>& files) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return false;
  if (S_ISREG(info.st_mode)) {
    files.push_back(path);
    return true;
  }
  if (!S_ISDIR(info.st_mode)) return true;  // links and devices are not archived
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    if (!CollectFiles(path + "/" + name, files)) return false;
  return true;
}

// The 22-byte end-of-central-directory record of an archive without entries.
bool CreateEmptyArchive(const std::string& path) {
  unsigned char record[22] = {0x50, 0x4B, 0x05, 0x06};
  FileHandle file;
  if (!file.OpenWriteWithRetry(path, 2000)) return false;
  return file.Write(record, sizeof(record)) == sizeof(record);
}

std::string WithoutTrailing(std::string path) {
  // "root/." and "root/" both mean the folder itself.
  for (;;) {
    if (path.size() > 2 && path.compare(path.size() - 2, 2, "/.") == 0) {
      path.resize(path.size() - 2);
    } else if (path.size() > 1 && path.back() == '/') {
      path.pop_back();
    } else {
      return path;
    }
  }
}

int CancelCallback(zip_t*, void* state) {
  return static_cast<ProgressMonitor*>(state)->IsCancelled() ? 1 : 0;
}

}  // namespace

int ZipAvailable(ProgressMonitor& monitor) {
  if (!gZipMissing) return 0;
  return monitor.IsCancelled() ? 1 : 2;
}

void SetZipMissingForTesting(bool missing) {
  gZipMissing = missing;
}

std::recursive_mutex& ZipLock() {
  static std::recursive_mutex lock;
  return lock;
}

bool AddFolderToZip(const std::string& zipPath, const std::string& folder,
                    const std::string& entrySpec, ProgressMonitor& monitor) {
  std::string entryPath = entrySpec;
  std::replace(entryPath.begin(), entryPath.end(), '\\', '/');
  entryPath = WithoutTrailing(entryPath);
  const std::string root = WithoutTrailing(folder);
  if (!entryPath.empty() && entryPath[0] != '/') entryPath = root + "/" + entryPath;
  if (entryPath.compare(0, root.size(), root) != 0 || !IsFolder(root)) return false;
  std::vector<std::string> files;
  if (!CollectFiles(entryPath, files)) return false;

  std::lock_guard<std::recursive_mutex> lock(ZipLock());
  struct stat info;
  if (::stat(zipPath.c_str(), &info) != 0 || info.st_size == 0) {
    if (!CreateEmptyArchive(zipPath)) return false;
  }
  Archive archive = OpenArchive(zipPath, ZIP_CREATE);
  if (!archive) return false;
  zip_register_cancel_callback_with_state(archive.get(), CancelCallback, nullptr, &monitor);
  for (const std::string& file : files) {
    const std::string name = file.substr(root.size() + 1);
    zip_source_t* source = zip_source_file(archive.get(), file.c_str(), 0, -1);
    if (!source) return false;
    const zip_int64_t index =
        zip_file_add(archive.get(), name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      return false;
    }
    // A fast deflate level: model XML is highly repetitive, so it still
    // shrinks several times over, in a fraction of the default level's time.
    // Level 2 looks for longer matches than level 1, which on model XML makes
    // it a little faster (fewer symbols to code) and the file 7% smaller.
    if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                 2) != 0)
      return false;
  }
  if (zip_close(archive.get()) != 0) return false;  // the archive stays owned: discarded below
  archive.release();
  return true;
}

std::optional<std::vector<ZipEntry>> ListZipEntries(const std::string& zipPath) {
  std::lock_guard<std::recursive_mutex> lock(ZipLock());
  Archive archive = OpenArchive(zipPath, ZIP_RDONLY);
  if (!archive) return std::nullopt;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  if (count < 0) return std::nullopt;
  std::vector<ZipEntry> entries;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &info) != 0) continue;
    if (!(info.valid & ZIP_STAT_NAME) || !info.name) continue;
    entries.push_back({info.name, (info.valid & ZIP_STAT_SIZE) ? info.size : 0});
  }
  return entries;
}

namespace {

// Opens the entry named `entryName` (as libzip reads names, then as the
// bytes stored) and hands its data to `sink` in pieces; false when the entry
// is missing, damaged, larger than `maxBytes`, or the sink refuses.
bool CopyEntry(const std::string& zipPath, const std::string& entryName, uint64_t maxBytes,
               const std::function<bool(uint64_t declared)>& begin,
               const std::function<bool(const char*, size_t)>& sink) {
  std::lock_guard<std::recursive_mutex> lock(ZipLock());
  Archive archive = OpenArchive(zipPath, ZIP_RDONLY);
  if (!archive) return false;
  zip_int64_t index = zip_name_locate(archive.get(), entryName.c_str(), 0);
  if (index < 0) index = zip_name_locate(archive.get(), entryName.c_str(), ZIP_FL_ENC_RAW);
  if (index < 0) return false;
  zip_stat_t info;
  zip_stat_init(&info);
  if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &info) != 0) return false;
  const uint64_t declared = (info.valid & ZIP_STAT_SIZE) ? info.size : 0;
  if (declared > maxBytes || !begin(declared)) return false;
  zip_file_t* entry = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0);
  if (!entry) return false;
  bool ok = true;
  std::vector<char> buffer(1 << 16);
  uint64_t total = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(entry, buffer.data(), buffer.size());
    if (got < 0) {
      ok = false;  // damaged data or a checksum mismatch
      break;
    }
    if (got == 0) break;
    total += static_cast<uint64_t>(got);
    // The bytes actually produced are capped too, whatever the entry declares.
    if (total > maxBytes || !sink(buffer.data(), static_cast<size_t>(got))) {
      ok = false;
      break;
    }
  }
  if (zip_fclose(entry) != 0) ok = false;
  return ok;
}

}  // namespace

struct ZipEntryStream::State {
  std::unique_lock<std::recursive_mutex> lock{ZipLock()};
  Archive archive;
  zip_file_t* entry = nullptr;
  uint64_t maxBytes = 0;
  uint64_t total = 0;
  bool ended = false;
};

ZipEntryStream::ZipEntryStream() = default;

ZipEntryStream::~ZipEntryStream() {
  Close();
}

void ZipEntryStream::Close() {
  if (state_ && state_->entry) zip_fclose(state_->entry);
  state_.reset();
}

bool ZipEntryStream::Open(const std::string& zipPath, const std::string& entryName,
                          uint64_t maxBytes) {
  Close();
  auto state = std::make_unique<State>();
  state->archive = OpenArchive(zipPath, ZIP_RDONLY);
  if (!state->archive) return false;
  zip_t* archive = state->archive.get();
  zip_int64_t index = zip_name_locate(archive, entryName.c_str(), 0);
  if (index < 0) index = zip_name_locate(archive, entryName.c_str(), ZIP_FL_ENC_RAW);
  if (index < 0) return false;
  zip_stat_t info;
  zip_stat_init(&info);
  if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &info) != 0) return false;
  const uint64_t declared = (info.valid & ZIP_STAT_SIZE) ? info.size : 0;
  if (declared > maxBytes) return false;
  state->entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
  if (!state->entry) return false;
  state->maxBytes = maxBytes;
  state_ = std::move(state);
  return true;
}

int64_t ZipEntryStream::Read(char* data, size_t n) {
  if (!state_) return -1;
  if (state_->ended) return 0;
  const zip_int64_t got = zip_fread(state_->entry, data, n);
  if (got < 0) return -1;  // damaged data or a checksum mismatch
  state_->total += static_cast<uint64_t>(got);
  // The bytes actually produced are capped too, whatever the entry declares.
  if (state_->total > state_->maxBytes) return -1;
  if (got == 0 && n > 0) {
    state_->ended = true;
    const int closed = zip_fclose(state_->entry);
    state_->entry = nullptr;
    if (closed != 0) return -1;
  }
  return got;
}

bool ExtractZipEntry(const std::string& zipPath, const std::string& entryName,
                     const std::string& targetFile, uint64_t maxBytes) {
  FileHandle target;
  const bool ok = CopyEntry(
      zipPath, entryName, maxBytes, [&](uint64_t) { return target.OpenWrite(targetFile); },
      [&](const char* data, size_t n) { return target.Write(data, n) == n; });
  const bool opened = target.IsOpen();
  target.Close();
  if (!ok && opened) ::unlink(targetFile.c_str());
  return ok && ::access(targetFile.c_str(), F_OK) == 0;
}

std::optional<std::string> ReadZipEntry(const std::string& zipPath, const std::string& entryName,
                                        uint64_t maxBytes) {
  std::string data;
  try {
    const bool ok = CopyEntry(
        zipPath, entryName, maxBytes,
        [&](uint64_t declared) {
          data.reserve(static_cast<size_t>(declared));
          return true;
        },
        [&](const char* bytes, size_t n) {
          data.append(bytes, n);
          return true;
        });
    if (!ok) return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  return data;
}

}  // namespace torvane

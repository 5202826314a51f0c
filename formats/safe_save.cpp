// SaveThroughTemporaryFile: write beside the target, then rename over it.
//
// The temporary is created with O_EXCL under a name that did not exist and
// closed again before the writer runs: writers open their file with an
// exclusive lock of their own, which a descriptor held here would not block
// (locks belong to each open), but closing keeps the ownership plain.
#include "formats/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "core/status.h"

namespace torvane {
namespace {

constexpr int kCreateAttempts = 100;

std::atomic<unsigned> gTemporaryCounter{0};

// The file that a save to `path` replaces: the target of a symbolic link,
// the path itself otherwise (also when it does not exist yet).
std::string ResolveTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates a new empty file in `folder`; its path, or empty.
std::string CreateTemporary(const std::string& folder) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string candidate = folder + "/.torvane-save-" + std::to_string(getpid()) + "-" +
                                  std::to_string(++gTemporaryCounter) + ".tmp";
    const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return candidate;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

// Pushes the written data to the disk before the rename makes it the file.
bool SyncFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fdatasync(fd) == 0;
  close(fd);
  return ok;
}

}  // namespace

int SaveThroughTemporaryFile(const std::string& path,
                             const std::function<int(const std::string& temporaryPath)>& write) {
  if (path.empty()) return kStatusFailed;
  const std::string target = ResolveTarget(path);
  struct stat old;
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) return kStatusFailed;

  const std::string temporary = CreateTemporary(FolderOf(target));
  if (temporary.empty()) return kStatusFailed;
  int result = write(temporary);
  if (result == kStatusDone) {
    if ((existed && chmod(temporary.c_str(), old.st_mode & 07777) != 0) || !SyncFile(temporary) ||
        rename(temporary.c_str(), target.c_str()) != 0) {
      result = kStatusFailed;
    }
  }
  if (result != kStatusDone) unlink(temporary.c_str());
  return result;
}

}  // namespace torvane

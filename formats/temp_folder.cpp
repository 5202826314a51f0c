// CreateTemporaryFolder and RemoveTemporaryFolder.
#include "formats/temp_folder.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace torvane {
namespace {

constexpr int kMaxAttempts = 10000;

std::string SystemTemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp && *tmp) return tmp;
  return "/tmp";
}

}  // namespace

std::string CreateTemporaryFolder() {
  const std::string base = SystemTemporaryFolder();
  const unsigned long threadId = static_cast<unsigned long>(syscall(SYS_gettid));
  char name[64];
  for (int counter = 1; counter <= kMaxAttempts; ++counter) {
    std::snprintf(name, sizeof(name), "Torvane-%lu-%d", threadId, counter);
    std::string folder = base + "/" + name;
    if (mkdir(folder.c_str(), 0700) == 0) return folder;
    if (errno != EEXIST) return {};
  }
  return {};
}

bool RemoveTemporaryFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return !error;
}

}  // namespace torvane

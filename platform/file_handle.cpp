// FileHandle: POSIX open + flock with the sharing-violation retry rule.
#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace torvane {
namespace {

std::mutex& SleepHookMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(uint32_t)>& SleepHook() {
  static std::function<void(uint32_t)> hook;
  return hook;
}

void RetrySleep(uint32_t milliseconds) {
  std::function<void(uint32_t)> hook;
  {
    std::lock_guard<std::mutex> lock(SleepHookMutex());
    hook = SleepHook();
  }
  if (hook) {
    hook(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

void SetFileRetrySleepHook(std::function<void(uint32_t)> hook) {
  std::lock_guard<std::mutex> lock(SleepHookMutex());
  SleepHook() = std::move(hook);
}

std::string ErrnoMessage(int error) {
  char text[256];
  text[0] = '\0';
  // The GNU strerror_r may return a static string instead of filling text.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* message = strerror_r(error, text, sizeof(text));
  return message ? std::string(message) : std::string();
#else
  if (strerror_r(error, text, sizeof(text)) != 0) return "Unknown error " + std::to_string(error);
  return text;
#endif
}

FileHandle::~FileHandle() {
  Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), lastError_(other.lastError_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    lastError_ = other.lastError_;
  }
  return *this;
}

void FileHandle::Close() {
  if (fd_ >= 0) {
    // Closing the last descriptor of the open file releases its flock.
    ::close(fd_);
    fd_ = -1;
  }
}

bool FileHandle::OpenOnce(const std::string& path, FileOpenMode mode) {
  Close();
  const bool write = mode == FileOpenMode::kWrite;
  // Non-blocking, so that opening a FIFO never waits for a writer; cleared
  // again once the file is known to be regular.
  const int flags = (write ? (O_RDWR | O_CREAT) : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  // Directories, FIFOs, sockets and devices are never model files: reading
  // /dev/zero or a FIFO would never end.
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    lastError_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return false;
  }
  const int statusFlags = ::fcntl(fd, F_GETFL);
  if (statusFlags >= 0) ::fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK);
  int lockResult;
  do {
    lockResult = ::flock(fd, (write ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (lockResult != 0 && errno == EINTR);
  if (lockResult != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  // Create-always: empty the file, but only now that nobody else holds it.
  if (write && ::ftruncate(fd, 0) != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  lastError_ = 0;
  return true;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileHandle::OpenWithRetry(const std::string& path, FileOpenMode mode, uint32_t budgetMs) {
  uint32_t budget = budgetMs;
  uint32_t step = static_cast<uint32_t>((static_cast<uint64_t>(budget) + 127) / 128);
  for (;;) {
    if (OpenOnce(path, mode)) return true;
    if (lastError_ != EWOULDBLOCK) return false;
    if (budget <= step) return false;
    RetrySleep(step);
    budget -= step;
    step *= 2;
  }
}

bool FileHandle::OpenRead(const std::string& path) {
  return OpenOnce(path, FileOpenMode::kRead);
}

bool FileHandle::OpenReadWithRetry(const std::string& path, uint32_t budgetMs) {
  return OpenWithRetry(path, FileOpenMode::kRead, budgetMs);
}

bool FileHandle::OpenWrite(const std::string& path) {
  return OpenOnce(path, FileOpenMode::kWrite);
}

bool FileHandle::OpenWriteWithRetry(const std::string& path, uint32_t budgetMs) {
  return OpenWithRetry(path, FileOpenMode::kWrite, budgetMs);
}

size_t FileHandle::Read(void* data, size_t n) {
  if (fd_ < 0) return 0;
  auto* bytes = static_cast<unsigned char*>(data);
  size_t done = 0;
  while (done < n) {
    ssize_t got = ::read(fd_, bytes + done, n - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t FileHandle::Write(const void* data, size_t n) {
  if (fd_ < 0) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t done = 0;
  while (done < n) {
    ssize_t put = ::write(fd_, bytes + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (put == 0) break;
    done += static_cast<size_t>(put);
  }
  return done;
}

bool FileHandle::WriteU8(uint8_t value) {
  return Write(&value, 1) == 1;
}

bool FileHandle::WriteU16(uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8)};
  return Write(bytes, 2) == 2;
}

bool FileHandle::WriteU32(uint32_t value) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return Write(bytes, 4) == 4;
}

bool FileHandle::WriteF32(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  return WriteU32(bits);
}

std::optional<uint8_t> FileHandle::ReadU8() {
  uint8_t value;
  if (Read(&value, 1) != 1) return std::nullopt;
  return value;
}

std::optional<uint16_t> FileHandle::ReadU16() {
  unsigned char bytes[2];
  if (Read(bytes, 2) != 2) return std::nullopt;
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::optional<uint32_t> FileHandle::ReadU32() {
  unsigned char bytes[4];
  if (Read(bytes, 4) != 4) return std::nullopt;
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

std::optional<float> FileHandle::ReadF32() {
  std::optional<uint32_t> bits = ReadU32();
  if (!bits) return std::nullopt;
  float value;
  std::memcpy(&value, &*bits, sizeof(value));
  return value;
}

int64_t FileHandle::Position() const {
  if (fd_ < 0) return -1;
  off_t offset = ::lseek(fd_, 0, SEEK_CUR);
  return offset < 0 ? -1 : static_cast<int64_t>(offset);
}

bool FileHandle::Seek(int64_t offset) {
  if (fd_ < 0 || offset < 0) return false;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

uint64_t FileHandle::Size() const {
  if (fd_ < 0) return 0;
  struct stat info;
  if (::fstat(fd_, &info) != 0 || info.st_size < 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

}  // namespace torvane

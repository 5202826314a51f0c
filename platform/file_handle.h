// FileHandle: one open file descriptor with the program's open modes.
//
// Read opens take a shared flock, write opens an exclusive one, both without
// blocking. Another process holding a conflicting lock is a sharing violation
// (EWOULDBLOCK); only that error is retried by the "with retry" opens, by the
// rule in OpenWithRetry below. Write opens truncate the file to zero length
// only after the exclusive lock is held, so a file that someone else is still
// reading is never emptied under them.
//
// Only regular files open: a FIFO, a device or a directory fails at once
// (EINVAL, EISDIR) instead of blocking the open or feeding a reader forever.
//
// Multi-byte helpers read and write little-endian values. The handle is
// move-only; the invalid descriptor is -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace torvane {

enum class FileOpenMode {
  kRead,   // read only, shared lock, the file must exist
  kWrite,  // read and write, exclusive lock, created if missing, then truncated
};

// Retry budgets of the opens with retry, in milliseconds.
inline constexpr uint32_t kReadRetryBudgetMs = 1000;
inline constexpr uint32_t kBufferedReadRetryBudgetMs = 3000;
inline constexpr uint32_t kWriteRetryBudgetMs = 10000;

// True when `path` names a regular file (links followed).
bool IsRegularFile(const std::string& path);

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;

  // Each open first closes any file already held. False on failure (the
  // handle is then closed); LastError() gives the errno of the failure.
  bool OpenRead(const std::string& path);
  bool OpenReadWithRetry(const std::string& path, uint32_t budgetMs = kReadRetryBudgetMs);
  bool OpenWrite(const std::string& path);
  bool OpenWriteWithRetry(const std::string& path, uint32_t budgetMs = kWriteRetryBudgetMs);

  // Count of bytes read; less than n at end of file or on error.
  size_t Read(void* data, size_t n);
  // Count of bytes written; less than n only on error.
  size_t Write(const void* data, size_t n);

  bool WriteU8(uint8_t value);
  bool WriteU16(uint16_t value);
  bool WriteU32(uint32_t value);
  bool WriteF32(float value);
  std::optional<uint8_t> ReadU8();
  std::optional<uint16_t> ReadU16();
  std::optional<uint32_t> ReadU32();
  std::optional<float> ReadF32();

  // Current offset from the start; -1 when closed or on error.
  int64_t Position() const;
  // Absolute seek; false on error.
  bool Seek(int64_t offset);
  // Size in bytes; 0 on failure.
  uint64_t Size() const;

  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // errno of the last failed open (0 after a successful one).
  int LastError() const { return lastError_; }

 private:
  bool OpenOnce(const std::string& path, FileOpenMode mode);
  bool OpenWithRetry(const std::string& path, FileOpenMode mode, uint32_t budgetMs);

  int fd_ = -1;
  int lastError_ = 0;
};

// Text for an errno value ("No such file or directory").
std::string ErrnoMessage(int error);

// Test seam: while set, the retry rule calls this instead of sleeping, with
// the step in milliseconds. Pass an empty function to restore real sleeps.
void SetFileRetrySleepHook(std::function<void(uint32_t)> hook);

}  // namespace torvane

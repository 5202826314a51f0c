// The zip component: what packaged formats (3MF) need of a zip library,
// built on libzip.
//
// AddFolderToZip adds a folder tree to an archive with paths relative to a
// root folder; ListZipEntries lists an archive's entries in order;
// ExtractZipEntry copies one entry's data into a file the caller names
// (never a path taken from the archive), up to a byte limit. Archive work is
// serialised by one process-wide lock, which callers may also hold around a
// sequence of calls.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/progress_monitor.h"

namespace torvane {

struct ZipEntry {
  std::string name;   // as stored (UTF-8 when the archive says so)
  uint64_t size = 0;  // uncompressed
};

// 0 available, 1 cancelled, 2 missing. The library is linked in, so it is
// available unless a test says otherwise.
int ZipAvailable(ProgressMonitor& monitor);
// Test seam: while set, ZipAvailable treats the component as missing.
void SetZipMissingForTesting(bool missing);

std::recursive_mutex& ZipLock();

// Adds the files under `entrySpec` ("<folder>/." for all of it; "\" counts
// as "/") to the archive at `zipPath`, named by their paths relative to
// `folder`; creates the archive when it is missing or empty. False on any
// failure, including cancellation through `monitor` while archiving.
bool AddFolderToZip(const std::string& zipPath, const std::string& folder,
                    const std::string& entrySpec, ProgressMonitor& monitor);

// The entries in archive order; none when the archive cannot be opened.
std::optional<std::vector<ZipEntry>> ListZipEntries(const std::string& zipPath);

// Writes the data of the entry named `entryName` to `targetFile`. Fails (and
// leaves no target file) when the entry is missing, damaged, or holds more
// than `maxBytes` bytes.
bool ExtractZipEntry(const std::string& zipPath, const std::string& entryName,
                     const std::string& targetFile, uint64_t maxBytes);

// The data of the entry named `entryName`, read into memory; none when the
// entry is missing, damaged, or holds more than `maxBytes` bytes.
std::optional<std::string> ReadZipEntry(const std::string& zipPath, const std::string& entryName,
                                        uint64_t maxBytes);

// One entry's data read in pieces, for readers that parse it as it comes
// instead of holding all of it. The process-wide zip lock is held while the
// stream is open.
class ZipEntryStream {
 public:
  ZipEntryStream();
  ~ZipEntryStream();
  ZipEntryStream(const ZipEntryStream&) = delete;
  ZipEntryStream& operator=(const ZipEntryStream&) = delete;

  // Opens the entry named `entryName` (as libzip reads names, then as the
  // bytes stored). False when the archive or entry is missing or unreadable,
  // or the entry declares more than `maxBytes` bytes.
  bool Open(const std::string& zipPath, const std::string& entryName, uint64_t maxBytes);
  // Up to n bytes of the data; 0 at its end, once the data has been checked
  // whole; -1 when the data is damaged (a checksum mismatch, for one) or runs
  // past `maxBytes` whatever the entry declares.
  int64_t Read(char* data, size_t n);
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace torvane

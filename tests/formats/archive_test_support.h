// Building small zip archives for the zip and 3MF tests and reading their
// entries, straight through libzip so that neither depends on the code
// under test.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include "format_test_support.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace torvane::test {

// Entries are deflated, or stored as they are when `stored` is set (so that
// a test can find and damage their bytes in the archive).
inline void MakeArchive(const std::string& path,
                        const std::vector<std::pair<std::string, std::string>>& entries,
                        bool stored = false) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, data] : entries) {
    // libzip does not take an empty buffer for freeing: none is made.
    char* copy = data.empty() ? nullptr : static_cast<char*>(std::malloc(data.size()));
    if (copy) std::memcpy(copy, data.data(), data.size());
    zip_source_t* source = zip_source_buffer(archive, copy, data.size(), copy ? 1 : 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0);
    if (stored) {
      ASSERT_EQ(
          zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0), 0);
    }
  }
  ASSERT_EQ(zip_close(archive), 0);
}

// The bytes of an archive of these entries.
inline std::string Archive(const std::vector<std::pair<std::string, std::string>>& entries,
                           bool stored = false) {
  TempFolder folder;
  MakeArchive(folder.File("a.zip"), entries, stored);
  return ReadFile(folder.File("a.zip"));
}

// The bytes of an archive's entry, read through libzip; empty when it is missing.
inline std::string EntryBytes(const std::string& path, const std::string& name) {
  std::string bytes;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
  zip_file_t* entry = archive ? zip_fopen(archive, name.c_str(), 0) : nullptr;
  char block[4096];
  for (zip_int64_t n; entry && (n = zip_fread(entry, block, sizeof(block))) > 0;)
    bytes.append(block, static_cast<size_t>(n));
  if (entry) zip_fclose(entry);
  if (archive) zip_discard(archive);
  return bytes;
}

}  // namespace torvane::test

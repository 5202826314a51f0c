// Helpers of the platform tests: a private folder for each test with whole
// files written into it and read back, and the retry sleeps recorded
// instead of slept.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_handle.h"

namespace torvane::test {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvane-io-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    SetFileRetrySleepHook({});
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Writes `bytes` as a new file of the folder (or the one named) and
  // returns its path.
  std::string Write(const std::string& bytes, std::string name = "") {
    if (name.empty()) name = "file" + std::to_string(files_++);
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // From here on the retry sleeps land in sleeps_; `then` runs after each.
  void RecordSleeps(std::function<void()> then = {}) {
    SetFileRetrySleepHook([this, then](uint32_t ms) {
      sleeps_.push_back(ms);
      if (then) then();
    });
  }

  std::string dir_;
  std::vector<uint32_t> sleeps_;
  int files_ = 0;
};

}  // namespace torvane::test

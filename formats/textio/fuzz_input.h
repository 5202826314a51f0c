// For the libFuzzer targets of the file readers: the fuzzer's bytes as a
// file with the reader's extension, private to this process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace torvane {

inline std::string WriteFuzzInput(const uint8_t* data, size_t size, const char* extension) {
  const char* folder = std::getenv("TMPDIR");
  const std::string path = std::string(folder && *folder ? folder : "/tmp") + "/torvane-fuzz-" +
                           std::to_string(::getpid()) + extension;
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

}  // namespace torvane

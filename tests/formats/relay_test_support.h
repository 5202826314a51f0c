// Helpers of the FBX import tests: a private runtime folder for the
// converter's socket, the check that no converter process is left behind,
// monitors that really wait (the exchange is timed by the clock), and the
// converter's messages built byte by byte.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/null_progress.h"
#include "format_test_support.h"

namespace torvane::test {

// Points XDG_RUNTIME_DIR at a fresh folder for its lifetime.
class RuntimeFolderScope {
 public:
  RuntimeFolderScope() {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old, had_ = true;
    setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
  }
  ~RuntimeFolderScope() {
    if (had_) {
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  const TempFolder& folder() const { return folder_; }

 private:
  TempFolder folder_;
  std::string old_;
  bool had_ = false;
};

// No child of this process exists any more, running or unreaped.
inline bool NoChildLeft() {
  int status = 0;
  return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

// Sleeps for real and answers "cancelled" from the n-th Sleep on.
class CancellingSleeps : public NullProgress {
 public:
  explicit CancellingSleeps(int cancelAtSleep) : cancelAt_(cancelAtSleep) {}
  bool IsCancelled() override { return sleeps_ >= cancelAt_; }
  int Sleep(uint32_t milliseconds) override {
    if (++sleeps_ >= cancelAt_) return kWaitCancelled;
    return NullProgress::Sleep(milliseconds);
  }

 private:
  int cancelAt_;
  int sleeps_ = 0;
};

inline std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

inline std::string F32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return U32(bits);
}

inline std::string Header(uint16_t kind, uint32_t value) {
  return std::string{'\0', '\0', static_cast<char>(kind), static_cast<char>(kind >> 8)} +
         U32(value);
}

struct Block {
  std::vector<Vec3> positions;
  std::vector<uint32_t> indices;
  std::vector<Vec3> normals;
  uint32_t texCoords = 0;
};

inline std::string BlockBytes(const Block& b) {
  std::string s = U32(uint32_t(b.positions.size())) + U32(uint32_t(b.indices.size())) +
                  U32(uint32_t(b.normals.size())) + U32(b.texCoords);
  for (const Vec3& p : b.positions)
    s += F32(p.x) + F32(p.y) + F32(p.z);
  for (uint32_t i : b.indices)
    s += U32(i);
  for (const Vec3& n : b.normals)
    s += F32(n.x) + F32(n.y) + F32(n.z);
  s.append(size_t{b.texCoords} * 8, '\x7f');
  return s;
}

// Kind 2 around the given block bytes; `extraSize` is added to the size
// the header claims.
inline std::string Meshes(const std::string& blocks, int64_t extraSize = 0) {
  return Header(2, uint32_t(16 + blocks.size() + extraSize)) + std::string(8, '\0') + blocks;
}

}  // namespace torvane::test

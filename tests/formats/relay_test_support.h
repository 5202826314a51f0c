// Helpers of the FBX import tests: a private runtime folder for the
// converter's socket, the check that no converter process is left behind, a
// monitor that cancels at its n-th wait, and the converter's messages built
// byte by byte.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/null_progress.h"
#include "core/vec3.h"

namespace torvane::relay_test {

// Points XDG_RUNTIME_DIR at a fresh folder for its lifetime.
class RuntimeFolderScope {
 public:
  RuntimeFolderScope() {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvane-run-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : "";
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
    setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
  }
  ~RuntimeFolderScope() {
    old_ ? setenv("XDG_RUNTIME_DIR", old_->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }
  bool Empty() const { return std::filesystem::is_empty(path_); }

 private:
  std::string path_;
  std::optional<std::string> old_;
};

// No child of this process exists any more, running or unreaped.
inline bool NoChildLeft() {
  return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

// Sleeps for real and answers "cancelled" from the n-th Sleep on.
class CancellingSleeps : public NullProgress {
 public:
  explicit CancellingSleeps(int cancelAtSleep) : cancelAt_(cancelAtSleep) {}
  bool IsCancelled() override { return sleeps_ >= cancelAt_; }
  int Sleep(uint32_t milliseconds) override {
    return ++sleeps_ >= cancelAt_ ? kWaitCancelled : NullProgress::Sleep(milliseconds);
  }

 private:
  int cancelAt_;
  int sleeps_ = 0;
};

inline std::string U32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

inline std::string F32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return U32(bits);
}

inline std::string Header(uint16_t kind, uint32_t value) {
  return std::string{0, 0, char(kind), char(kind >> 8)} + U32(value);
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
  auto put = [&s](const Vec3& v) { s += F32(v.x) + F32(v.y) + F32(v.z); };
  for (const Vec3& p : b.positions)
    put(p);
  for (uint32_t i : b.indices)
    s += U32(i);
  for (const Vec3& n : b.normals)
    put(n);
  return s.append(size_t{b.texCoords} * 8, '\x7f');
}

// Kind 2 around the given block bytes; `extraSize` is added to the size
// the header claims.
inline std::string Meshes(const std::string& blocks, int64_t extraSize = 0) {
  return Header(2, uint32_t(16 + blocks.size() + extraSize)) + std::string(8, '\0') + blocks;
}

inline const Block kTetrahedron{
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3}, {}, 4};

// What the fake converter's "FBX file" holds: "MODE EXITCODE", then the
// bytes it sends (see fake_modelrelay/fake_modelrelay.cpp).
inline std::string FakeScript(const std::string& mode, int exitCode, const std::string& bytes) {
  return mode + " " + std::to_string(exitCode) + "\n" + bytes;
}

}  // namespace torvane::relay_test

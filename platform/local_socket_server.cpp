// LocalSocketServer: a listening Unix domain socket in a private folder.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/local_socket.h"

namespace torvane {
namespace {

bool IsFolder(const char* path) {
  struct stat info;
  return path && path[0] == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string UserRuntimeFolder() {
  for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(variable);
    if (IsFolder(value)) return value;
  }
  return "/tmp";
}

bool LocalSocketServer::Open(const std::string& parent, const std::string& name) {
  Close();
  // mkdtemp makes the folder with mode 0700 under a name that did not exist,
  // so the socket never lands in a folder another user prepared.
  std::string pattern = parent + "/torvane-relay-XXXXXX";
  if (!::mkdtemp(pattern.data())) return false;
  folder_ = pattern;
  socketPath_ = folder_ + "/" + name;

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof(address.sun_path)) {
    Close();
    return false;
  }
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);

  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener_ < 0 ||
      ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    // A failed bind leaves no file; Close must not remove a path it never
    // made.
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    socketPath_.clear();
    Close();
    return false;
  }
  if (::listen(listener_, 1) != 0) {
    Close();
    return false;
  }
  return true;
}

bool LocalSocketServer::AcceptClient() {
  if (client_ >= 0) return true;
  if (listener_ < 0) return false;
  for (;;) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      client_ = fd;
      // One client per import: nobody else gets in once it is here.
      ::close(listener_);
      listener_ = -1;
      return true;
    }
    if (errno == EINTR) continue;
    return false;
  }
}

LocalSocketServer::ReadStatus LocalSocketServer::Read(void* data, size_t capacity, size_t& got) {
  got = 0;
  if (client_ < 0) return ReadStatus::kError;
  for (;;) {
    const ssize_t n = ::recv(client_, data, capacity, 0);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return ReadStatus::kData;
    }
    if (n == 0) return ReadStatus::kEndOfStream;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadStatus::kNothingYet;
    return ReadStatus::kError;
  }
}

void LocalSocketServer::Close() {
  if (client_ >= 0) ::close(client_);
  if (listener_ >= 0) ::close(listener_);
  client_ = listener_ = -1;
  if (!socketPath_.empty()) ::unlink(socketPath_.c_str());
  if (!folder_.empty()) ::rmdir(folder_.c_str());
  socketPath_.clear();
  folder_.clear();
}

}  // namespace torvane

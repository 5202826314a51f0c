// Local sockets: the private channel between the program and a helper
// process it starts (the FBX converter).
//
// The server lives in a folder of its own, made with mode 0700 under a new
// name inside the user's runtime folder, so no other user can reach the
// socket and no path someone else created is ever reused. Every descriptor
// is non-blocking on the server side and close-on-exec, so a started helper
// inherits none of them. Closing the server removes the socket file and its
// folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvane {

// $XDG_RUNTIME_DIR when it names a folder, else $TMPDIR, else /tmp.
std::string UserRuntimeFolder();

class LocalSocketServer {
 public:
  LocalSocketServer() = default;
  ~LocalSocketServer() { Close(); }
  LocalSocketServer(const LocalSocketServer&) = delete;
  LocalSocketServer& operator=(const LocalSocketServer&) = delete;

  // Makes the private folder inside `parent` and listens on `name` in it.
  // False (with nothing left behind) when the folder or socket cannot be
  // made, or the path is too long for a socket address.
  bool Open(const std::string& parent, const std::string& name);

  // Takes the first client if one is waiting; true once connected. Further
  // clients are never accepted.
  bool AcceptClient();
  bool connected() const { return client_ >= 0; }

  // Reads what has arrived from the client, without waiting.
  enum class ReadStatus { kData, kNothingYet, kEndOfStream, kError };
  ReadStatus Read(void* data, size_t capacity, size_t& got);

  // Ends the connection, closes the listener, removes the socket file and
  // the folder. Safe to call more than once.
  void Close();

  const std::string& socketPath() const { return socketPath_; }
  const std::string& folder() const { return folder_; }
  // The descriptor a wait can watch: the client once connected, else the
  // listener; -1 when closed.
  int waitHandle() const { return client_ >= 0 ? client_ : listener_; }

 private:
  std::string folder_;
  std::string socketPath_;
  int listener_ = -1;
  int client_ = -1;
};

// The client side: a blocking stream connected to `path`, or -1.
int ConnectLocalSocket(const std::string& path);

// Writes every byte (retrying short writes and interruptions); false on a
// write error or a peer that went away. Never raises SIGPIPE.
bool WriteAllToSocket(int fd, const void* data, size_t size);

}  // namespace torvane

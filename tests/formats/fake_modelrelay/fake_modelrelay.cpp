// A stand-in for the FBX converter that behaves as its "FBX file" says, so
// the tests can play every kind of broken peer. The file holds one line
// "MODE EXITCODE" and then the exact bytes to send. Modes:
//   send        connect, send the bytes, hang up, exit
//   trickle     the same, one byte at a time
//   send-stay   send the bytes, then stay connected and silent
//   send-hang   send the bytes, hang up, never exit
//   no-connect  exit without connecting
//   no-connect-stay  never connect, never exit
// Beside the file it leaves NAME.seen: the socket path it was given and the
// mode bits of the socket's folder and whether it leads its process group.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/local_socket.h"

namespace {

[[noreturn]] void StayForever() {
  for (;;)
    ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 100;
  const std::string socketPath = argv[1];
  std::ifstream in(argv[2], std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t lineEnd = file.find('\n');
  if (lineEnd == std::string::npos) return 101;
  std::istringstream line(file.substr(0, lineEnd));
  std::string mode;
  int exitCode = 0;
  line >> mode >> exitCode;
  const std::string bytes = file.substr(lineEnd + 1);

  struct stat folder {};
  ::stat(socketPath.substr(0, socketPath.find_last_of('/')).c_str(), &folder);
  std::ofstream(std::string(argv[2]) + ".seen")
      << socketPath << "\n"
      << std::oct << (folder.st_mode & 07777) << "\n"
      << (::getpgrp() == ::getpid() ? "own group" : "shared group") << "\n";

  if (mode == "no-connect") return exitCode;
  if (mode == "no-connect-stay") StayForever();
  const int fd = torvane::ConnectLocalSocket(socketPath);
  if (fd < 0) return 102;
  if (mode == "trickle") {
    for (char c : bytes)
      if (!torvane::WriteAllToSocket(fd, &c, 1)) return 103;
  } else if (!torvane::WriteAllToSocket(fd, bytes.data(), bytes.size())) {
    return 103;
  }
  if (mode == "send-stay") StayForever();
  ::close(fd);
  if (mode == "send-hang") StayForever();
  return exitCode;
}

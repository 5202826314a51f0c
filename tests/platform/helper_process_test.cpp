// The channel to a helper process: the socket's private folder and its
// removal, one client only, reads that never block; the helper's start, its
// exit code, and kill-and-reap.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/child_process.h"
#include "platform/local_socket.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

class ParentFolder {
 public:
  ParentFolder() {
    std::string pattern = "/tmp/torvane-socket-XXXXXX";
    path = ::mkdtemp(pattern.data()) ? pattern : "";
  }
  ~ParentFolder() { fs::remove_all(path); }
  bool Empty() const { return fs::is_empty(path); }
  std::string path;
};

TEST(LocalSocket, ServerLivesInAPrivateFolderAndLeavesNothingBehind) {
  ParentFolder parent;
  LocalSocketServer server;
  ASSERT_TRUE(server.Open(parent.path, "ovalis.modelrelay.1-2"));
  struct stat info;
  ASSERT_EQ(::stat(server.folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(server.socketPath(), server.folder() + "/ovalis.modelrelay.1-2");
  EXPECT_FALSE(server.AcceptClient());

  size_t got = 0;
  char buffer[16];
  const int client = ConnectLocalSocket(server.socketPath());
  ASSERT_GE(client, 0);
  EXPECT_EQ(ConnectLocalSocket(server.socketPath() + "x"), -1);
  ASSERT_TRUE(server.AcceptClient());
  EXPECT_EQ(server.Read(buffer, sizeof buffer, got), LocalSocketServer::ReadStatus::kNothingYet);
  ASSERT_TRUE(WriteAllToSocket(client, "abc", 3));
  EXPECT_EQ(server.Read(buffer, sizeof buffer, got), LocalSocketServer::ReadStatus::kData);
  EXPECT_EQ(std::string(buffer, got), "abc");
  // Once the first client is in, nobody else gets through.
  EXPECT_EQ(ConnectLocalSocket(server.socketPath()), -1);
  ::close(client);
  EXPECT_EQ(server.Read(buffer, sizeof buffer, got), LocalSocketServer::ReadStatus::kEndOfStream);
  server.Close();
  EXPECT_TRUE(parent.Empty());

  // No folder, or a path too long for a socket address: nothing is made.
  EXPECT_FALSE(server.Open(parent.path + "/missing", "s"));
  EXPECT_FALSE(server.Open(parent.path, std::string(120, 'n')));
  EXPECT_TRUE(parent.Empty());
}

TEST(ChildProcess, ExitCodesSignalsAndKillAndReap) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
  };
  for (const Case& c : {Case{{"-c", "exit 0"}, 0}, Case{{"-c", "exit 3"}, 3},
                        Case{{"-c", "kill -9 $$"}, 128 + SIGKILL}}) {
    ChildProcess child;
    ASSERT_TRUE(child.Start("/bin/sh", c.arguments));
    int code = -1;
    ChildProcess::State state;
    while ((state = child.Poll(code)) == ChildProcess::State::kRunning)
      ::usleep(1000);
    EXPECT_EQ(state, ChildProcess::State::kExited);
    EXPECT_EQ(code, c.exitCode) << c.arguments[1];
  }
  EXPECT_FALSE(ChildProcess().Start("/nonexistent/program", {}));

  pid_t pid;
  {
    ChildProcess sleeper;
    ASSERT_TRUE(sleeper.Start("/bin/sleep", {"100"}));
    pid = sleeper.pid();
    int code = -1;
    EXPECT_EQ(sleeper.Poll(code), ChildProcess::State::kRunning);
    EXPECT_EQ(::getpgid(pid), pid);  // a group of its own: Ctrl-C is ours to handle
  }
  // Killed and reaped when its owner went away: no zombie is left.
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace torvane

// ReadFbx: start the converter, take its two messages over the local
// socket, and accept the meshes once it has exited cleanly.
//
// Everything runs on the caller's thread: the socket is read without
// blocking, and between reads the monitor's Sleep keeps the progress
// window alive and tells of Cancel (10 ms per round while the messages
// come, 100 ms per round while the converter finishes).
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "formats/fbx/fbx.h"
#include "formats/fbx/relay_messages.h"
#include "formats/imported_model.h"
#include "platform/child_process.h"
#include "platform/local_socket.h"

namespace torvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kExchangeRoundMs = 10;
constexpr uint32_t kExitRoundMs = 100;
constexpr size_t kReadPiece = 64 * 1024;
// Pieces read back to back before the cancel test comes round again.
constexpr int kPiecesPerCancelTest = 16;

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::string SocketName() {
  return "ovalis.modelrelay." + std::to_string(::getpid()) + "-" + std::to_string(::gettid());
}

bool PastBudget(Clock::time_point since, uint32_t budgetMs) {
  return Clock::now() - since > std::chrono::milliseconds(budgetMs);
}

enum class Drain { kWaiting, kProgress, kDone, kFailed, kCancelled };

// Accepts the converter if it is there and reads everything that has
// arrived.
Drain DrainSocket(LocalSocketServer& server, RelayStream& stream, std::vector<uint8_t>& piece,
                  ProgressMonitor& monitor) {
  bool progressed = false;
  if (!server.connected()) {
    if (!server.AcceptClient()) return Drain::kWaiting;
    progressed = true;
  }
  for (int pieces = 1;; ++pieces) {
    size_t got = 0;
    switch (server.Read(piece.data(), piece.size(), got)) {
      case LocalSocketServer::ReadStatus::kData:
        break;
      case LocalSocketServer::ReadStatus::kNothingYet:
        return progressed ? Drain::kProgress : Drain::kWaiting;
      case LocalSocketServer::ReadStatus::kEndOfStream:
      case LocalSocketServer::ReadStatus::kError:
        // The converter hung up before its messages were whole.
        return Drain::kFailed;
    }
    progressed = true;
    switch (FeedRelayStream(stream, piece.data(), got)) {
      case FeedStatus::kMore:
        break;
      case FeedStatus::kDone:
        return Drain::kDone;
      case FeedStatus::kBroken:
      case FeedStatus::kNoMemory:
        return Drain::kFailed;
    }
    if (pieces % kPiecesPerCancelTest == 0 && monitor.IsCancelled()) return Drain::kCancelled;
  }
}

// Until both messages are whole: Loaded, or why not.
LoadResult ReceiveMessages(LocalSocketServer& server, ChildProcess& child, RelayStream& stream,
                           ProgressMonitor& monitor, const RelayLimits& limits) {
  std::vector<uint8_t> piece(kReadPiece);
  Clock::time_point lastHeard = Clock::now();
  for (;;) {
    int exitCode = 0;
    // Looked at before draining: whatever a converter wrote before it
    // exited is in the socket by now.
    const bool gone = child.Poll(exitCode) != ChildProcess::State::kRunning;
    switch (DrainSocket(server, stream, piece, monitor)) {
      case Drain::kDone:
        return kLoaded;
      case Drain::kFailed:
        return kFailed;
      case Drain::kCancelled:
        return kCancelled;
      case Drain::kProgress:
        lastHeard = Clock::now();
        if (monitor.IsCancelled()) return kCancelled;
        continue;
      case Drain::kWaiting:
        break;
    }
    if (gone) return monitor.IsCancelled() ? kCancelled : kFailed;
    if (server.connected() && PastBudget(lastHeard, limits.silenceBudgetMs)) return kFailed;
    if (monitor.Sleep(kExchangeRoundMs) == kWaitCancelled) return kCancelled;
  }
}

// Once the messages are in: the converter's exit code decides.
LoadResult AwaitExit(ChildProcess& child, ProgressMonitor& monitor, const RelayLimits& limits) {
  const Clock::time_point since = Clock::now();
  for (;;) {
    int exitCode = 0;
    switch (child.Poll(exitCode)) {
      case ChildProcess::State::kExited:
        return exitCode == 0 ? kLoaded : kFailed;
      case ChildProcess::State::kUnknown:
        return kFailed;
      case ChildProcess::State::kRunning:
        break;
    }
    if (PastBudget(since, limits.exitBudgetMs)) return kFailed;
    if (monitor.Sleep(kExitRoundMs) == kWaitCancelled) return kCancelled;
  }
}

LoadResult Exchange(const std::string& converter, const std::string& path, ProgressMonitor& monitor,
                    ImportedModel& model, const RelayLimits& limits) {
  if (!IsExecutableFile(converter)) return kFailed;
  // Declared before the child, so the converter is stopped and reaped
  // before its socket goes away.
  LocalSocketServer server;
  // A runtime folder whose path is too long for a socket address falls
  // back to /tmp (the private folder inside keeps it just as safe).
  if (!server.Open(UserRuntimeFolder(), SocketName()) && !server.Open("/tmp", SocketName()))
    return kFailed;
  ChildProcess child;
  if (!child.Start(converter, {server.socketPath(), path})) return kFailed;

  RelayStream stream;
  const LoadResult received = ReceiveMessages(server, child, stream, monitor, limits);
  if (received != kLoaded) return received;
  server.Close();
  const LoadResult exited = AwaitExit(child, monitor, limits);
  if (exited != kLoaded) return exited;
  return AppendRelayMeshes(stream.message, model);
}

}  // namespace

LoadResult ReadFbxThrough(const std::string& converter, const std::string& path,
                          ProgressMonitor& monitor, ImportedModel& model,
                          const RelayLimits& limits) {
  monitor.BeginIndeterminate();
  const LoadResult result = Exchange(converter, path, monitor, model, limits);
  monitor.EndIndeterminate();
  if (result != kLoaded) model.meshes.clear();
  return result;
}

LoadResult ReadFbx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  return ReadFbxThrough(FindModelRelay(), path, monitor, model);
}

}  // namespace torvane

// CommandOutcome: what an editing command reports back to the window that ran
// it. The status is the common 0 done / 1 cancelled / 2 failed; statusText is
// the line shown in the status display or hint ("Split 2 objects into 7
// parts", ...), errorText the message box text when the command failed.
#pragma once

#include <string>

#include "core/status.h"

namespace torvane {

struct CommandOutcome {
  int status = kStatusDone;
  std::string statusText;
  std::string errorText;
  // Whether the document changed (the caller refreshes the views and caption).
  bool changed = false;
};

// Fails the outcome with "<command>: Not enough memory to complete the
// operation".
inline void SetOutOfMemory(CommandOutcome& outcome, const std::string& command) {
  outcome.status = kStatusFailed;
  outcome.errorText = command + ": Not enough memory to complete the operation";
}

}  // namespace torvane

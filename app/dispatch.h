// DispatchCommand runs a main-window command; DispatchEditCommand an edit
// command of the view's number space (context menu, forwarded commands).
// Both ignore numbers they do not know and commands that are disabled in
// the current state (see command_state.h).
#pragma once

#include <string>

#include "app/commands.h"
#include "app/document_lifecycle.h"
#include "core/command_outcome.h"

namespace torvane {

// True when the command ran.
bool DispatchCommand(Lifecycle& life, CommandId command);
bool DispatchEditCommand(Lifecycle& life, CommandId code);

// "Color": the chooser on the current colour; a confirmed colour becomes the
// paint colour and goes to the selection.
void ChooseColour(Lifecycle& life);

// Shows what a command reported: its error in a message box titled `title`,
// its status text as a hint (plain or timed).
void ShowCommandOutcome(Lifecycle& life, const CommandOutcome& outcome, const std::string& title,
                        bool timedHint);

}  // namespace torvane

// What every start of the program reads and writes besides the window and
// the views: the run counter and the rule that ends the start-up hints.
#pragma once

namespace torvane {

// Adds one to Runs and to RunsSinceLastInstall.
void CountProgramStart();

// Whether the start-up hint is shown (ShowHints). When it is, a run count
// that is a multiple of 9 turns the hints off from the next start on.
bool TakeStartupHint();

}  // namespace torvane

// The fixed rotations, a small whole-selection edit the command set runs
// itself. It records no history; the callers decide (the context menu's
// forms record one step first).
#pragma once

#include "app/commands.h"
#include "core/document.h"

namespace torvane {

// Adds the rotation's angle to the named axis of every live selected
// object's rotation (no wrap at 360) and sets the manipulation mode to
// fixed rotation. True when an object turned.
bool RotateSelection(Document& doc, FixedRotation rotation);

}  // namespace torvane

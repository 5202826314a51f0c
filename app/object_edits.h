// The two small whole-selection edits the command set runs itself: applying
// the paint colour and the fixed rotations. Neither records history; the
// callers decide (the context menu's forms record one step first).
#pragma once

#include "app/commands.h"
#include "core/command_outcome.h"
#include "core/document.h"

namespace torvane {

// The document's paint colour goes to every live selected object: a
// whole-object record colours the object and all its corners, a face or
// triangle record the three corners of its triangle (edge and vertex records
// are left alone). Nothing without a chosen colour. Fails with the memory
// message when an object's corners cannot be written.
CommandOutcome ApplyColourToSelection(Document& doc);

// Adds the rotation's angle to the named axis of every live selected
// object's rotation (no wrap at 360) and sets the manipulation mode to
// fixed rotation. True when an object turned.
bool RotateSelection(Document& doc, FixedRotation rotation);

}  // namespace torvane

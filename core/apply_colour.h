// Apply color: the paint colour goes to what is selected: a whole-object
// record colours the object and all its corners, a face or triangle record
// the three corners of its triangle; edge and vertex records take no colour.
//
// Input: the document's paint colour (currentColour, chosen or not) and the
// selection. Output: corner colours (painted set), the object colour for
// whole objects, one history step; or, with no paint colour chosen yet, the
// request for one (notification 2012) and nothing else.
#pragma once

#include "core/command_outcome.h"
#include "core/document.h"

namespace torvane {

// The colouring itself, without history; nothing without a chosen colour.
// Fails with the memory message when an object's corners cannot be written.
CommandOutcome ApplyColourToSelection(Document& doc);

// Nothing without a selected object. Without a chosen colour the main window
// is asked for one first (it may choose at once); still none: nothing. Then
// one history step, the colouring of every live selected object, a recount.
CommandOutcome ApplyColourCommand(Document& doc);

}  // namespace torvane

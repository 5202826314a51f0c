// Copy buffer: "Copy selected", "Cut selected" and "Paste from Copy Buffer".
//
// The copy buffer (Document::copyBuffer, newest copy first) holds snapshot
// copies of objects; their geometry is shared copy-on-write with the objects
// they were taken from. Pasting adds each copy as a new object placed beside
// the copied one, one depth of the object further along its own Z axis.
// All three commands work only in object selection mode; in the other modes
// they do nothing.
#pragma once

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/mesh.h"

namespace torvane {

// Replaces the copy buffer with copies of the live selected objects (in list
// order, so the buffer ends with the last one first). A copied object that
// holds a 2D outline is copied without it, unselected. No history step.
CommandOutcome CopySelected(Document& doc);

// Copy selected, then Delete selected.
CommandOutcome CutSelected(Document& doc);

// True when Paste has something to add.
bool CanPaste(const Document& doc);

// Records history, then adds every copy of the buffer (newest first) as a new
// object beside its original; the new objects become the selection unless a
// selected object holds a 2D outline.
CommandOutcome PasteFromCopyBuffer(Document& doc);

// Where a pasted copy goes relative to its original: the object-space depth
// (0, 0, max z - min z) of the mesh, turned by the mesh's rotation.
Vec3 PasteOffset(Mesh& mesh);

}  // namespace torvane

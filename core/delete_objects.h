// Delete selected (object mode): the selected objects leave the scene.
//
// A deleted object stays in the object list as a dead object (id 0xFFFFFFFF,
// empty mesh, transform reset) that every operation skips, so that history
// snapshots keep the list's shape; an object that holds a 2D outline loses the
// outline instead. Input: the document's selected objects and their
// whole-object selection records. Output: the changed objects, the selection
// list without them, the recounted objectCount, one history step.
#pragma once

#include "core/command_outcome.h"
#include "core/document.h"

namespace torvane {

// Records history first; nothing happens when no object is selected.
// Selection records of elements (faces, triangles, edges, vertices) are left
// to element editing and do not delete the object.
CommandOutcome DeleteSelectedObjects(Document& doc);

}  // namespace torvane

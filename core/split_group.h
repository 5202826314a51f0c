// Split, group and duplicate: the object-level commands that change how the
// geometry is divided among objects. Connectivity is by vertex index: two
// triangles belong together when they share a vertex index, so pieces that
// only touch at equal positions stay apart until Remove Duplicate Vertices
// welds them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/progress_monitor.h"
#include "core/scene_object.h"

namespace torvane {

using ObjectList = std::vector<std::unique_ptr<SceneObject>>;

// Splits `object` into its connected parts (the object itself is not
// changed). Parts are found seeded by their lowest triangle; each holds its
// triangles in corner order, with vertices renumbered in order of first use,
// the source's transform, and a new mesh's colour, name and materials. A
// triangle with a dead corner connects to nothing and travels with the next
// part found; the ones no part follows make a last part when they still have
// a live corner, and are dropped when wholly dead. Each part is
// inserted at the front of `parts` (so the last part found is first) and
// counted in `partsCount`. 0 done, 1 cancelled, 2 out of memory; on 1 and 2
// the parts already made stay in `parts` for the caller to free.
int SplitIntoParts(const SceneObject& object, ProgressMonitor& monitor, ObjectList& parts,
                   size_t& partsCount);

// The split driver: every live selected object is replaced by its parts,
// each part with its origin at its own centre. The parts go to the end of
// the object list (later objects' parts first, and within one object the
// part found last first), unselected, and every live object is renumbered
// 1, 2, 3, ... in list order. On cancel or failure the document stays as it
// was. Reports texts only (marquee progress).
int SplitSelectedObjects(Document& doc, ProgressMonitor& monitor, size_t& partsCount);

// "Split Objects": one history step, then the driver. statusText: "There
// were no new objects split out of the selected objects." when there is
// exactly one part, else "The selected objects have been split into %Iu.".
CommandOutcome SplitObjectsCommand(Document& doc, ProgressMonitor& monitor);

// Appends the geometry of `source` to `target`, both with their transforms
// baked: source vertices after the target's, corners renumbered by the
// target's vertex count (dead corners stay dead). An unnamed target takes
// the source's name. False (nothing appended) when the target cannot grow.
bool AppendMesh(Mesh& target, const Mesh& source);

// "Group Objects" without a history step of its own: the first live selected
// object in list order absorbs every later live selected object and gets its
// origin at its own centre. Nothing happens with fewer than two selected
// objects. statusText: "The %d selected objects have been combined into a
// single object.".
CommandOutcome GroupObjects(Document& doc);

// The command as the user runs it: one history step, then GroupObjects.
CommandOutcome GroupObjectsCommand(Document& doc);

// "Duplicate Objects": Copy selected, then Paste from Copy Buffer; the copies
// land beside their originals and become the selection.
CommandOutcome DuplicateObjectsCommand(Document& doc);

}  // namespace torvane

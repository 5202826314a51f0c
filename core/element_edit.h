// Element editing: what the face, triangle, edge and vertex modes do to the
// picked parts of a mesh (collapse, remove, reverse, duplicate, subdivide).
//
// Mesh operations take vertex indices or corner numbers as picking stored
// them in the selection records. Object operations work from one object's
// selection records and leave its selection as each command wants it.
// Commands take the Document: nothing happens without a selected object;
// otherwise one history step, the object operation on every live selected
// object in list order, a recount of the objects, and an outcome asking for
// a redraw. Removed triangles become dead corners (vertex index 0xFFFFFFFF),
// which every reader of the mesh skips and the cleaning operations drop.
#pragma once

#include <cstdint>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/live_triangles.h"
#include "core/mesh.h"
#include "core/mesh_ops.h"

namespace torvane {

// How far a duplicated element is moved out along the nudge direction.
inline constexpr float kDuplicateOffset = 0.0015f;

// ---- Mesh operations -------------------------------------------------------

// Every live triangle using both a and b dies; in every other one b becomes
// a; vertex a moves to the midpoint. Vertex b stays, unreferenced.
void CollapseEdge(Mesh& mesh, uint32_t a, uint32_t b);

// The three vertices become one at their centroid (kept in a): Collapse edge
// (b, c), then (a, b). Every triangle that used two of them dies.
void CollapseTriangle(Mesh& mesh, uint32_t a, uint32_t b, uint32_t c);

// The triangles around v die and the hole they leave is filled again from
// the ring of their other vertices, by halving: (r0, r1, r2), (r2, r3, r4),
// ... and the same over the kept joints until fewer than three remain. The
// new triangles go into the freed corner slots (the rest stay dead) and keep
// the winding of the triangles they replace. Vertex v stays, unreferenced.
void DeleteVertex(Mesh& mesh, uint32_t v);

// Splits every live triangle on edge (a, b) at the midpoint (appended with
// AppendVertex): a copy with a replaced by the midpoint is appended, and in
// the triangle itself b becomes the midpoint. True when nothing had to be
// split; false when memory ran out (the mesh is then unchanged).
bool SplitEdge(Mesh& mesh, uint32_t a, uint32_t b);

// ---- Object operations (one object's selection records) --------------------

// Collapse: an object holding a 2D outline loses the outline instead. Else
// each record in list order: a whole-object record deletes the object (empty
// mesh, id 0xFFFFFFFF); faces and triangles collapse, edges collapse, a
// vertex is deleted. A mesh left without triangles gets its transform reset
// and the remaining records are not applied. The object ends deselected.
void CollapseObjectElements(SceneObject& object);

// Remove: the triangle of every face and triangle record dies. The object
// ends deselected; one left with no live corner gets its transform reset.
void RemoveObjectElements(SceneObject& object);

// Reverse: the triangle of every triangle record exchanges its first and
// third corners and takes its new face normal. The records are cleared.
void ReverseObjectElements(SceneObject& object);

// Duplicate: the selected triangles and edges are copied 0.0015 out along
// the nudge direction (the normalised sum of their first corners' normals),
// joined to the originals by walls along every edge not shared with another
// selected triangle (a strip for an edge); the copies become the selection.
// False when memory ran out (the mesh is then unchanged).
bool DuplicateObjectElements(SceneObject& object);

// Subdivide line: every edge record splits its edge. The object ends
// deselected. False when memory ran out (the edges split so far stay split).
bool SubdivideObjectLines(SceneObject& object);

// Subdivide into 3 or into 4 (the latter repairing the neighbours that are
// not selected themselves) every face and triangle record's triangle. The
// object ends deselected. False when memory ran out (what was done stays).
bool SubdivideObjectTriangles(SceneObject& object, Subdivision kind);

// ---- Commands ---------------------------------------------------------------

enum class ElementEdit {
  kReverse,         // 2001
  kCollapse,        // 2002 (Delete vertex in vertex mode)
  kRemove,          // 2003
  kDuplicate,       // 2004
  kSubdivideLines,  // 3043
  kSubdivideInto3,  // 3046
  kSubdivideInto4,  // 3047
};

// Runs `edit` on every live selected object (see the file comment). Objects
// that end deselected leave the document's selection list; after Collapse
// and Duplicate no 2D outline is being edited any more. An object that ran
// out of memory fails the command (errorText says so) but the others run.
CommandOutcome RunElementEdit(Document& doc, ElementEdit edit);

}  // namespace torvane

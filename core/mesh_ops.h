// Whole-object geometry operations: normals, winding, subdivision and
// origins, as mesh operations and as the document commands that run them on
// every live selected object.
//
// Mesh operations take one Mesh and mark it changed. Commands take the
// Document, record one history step before changing anything, and answer a
// CommandOutcome; the normal commands answer the culling hint to show as
// their statusText (empty: clear the hint).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/command_outcome.h"
#include "core/document.h"
#include "core/mesh.h"
#include "core/progress_monitor.h"

namespace torvane {

// ---- Normals and winding -------------------------------------------------

// The mesh operations that answer a flag answer false when the mesh shares
// its buffers with a copy (a history snapshot) and the private copy cannot be
// made; the mesh is then unchanged and the command reports the memory
// message.

// Negates the normal of every corner.
bool InvertNormals(Mesh& mesh);

// Every triangle whose three vertex indices are valid gets its face normal on
// all three corners; triangles with a dead corner are left alone. The
// transform is not baked.
bool RecalculateNormals(Mesh& mesh);

// In every triangle the first and third corners exchange their whole records
// (index, normal, colour); normals are not changed.
bool ReverseAllTriangles(Mesh& mesh);

// The hint shown after a normal command for the back-face culling mode:
// 0 "Do not cull anything", 1 (and any other value but 2) "Cull backfaces",
// 2 "Draw double sided" (no hint: empty text).
std::string CullingHint(uint32_t cullingMode);

// "Invert Normals", "Recalculate Normals" and "Reverse Winding Order" (the
// last reverses every triangle, then inverts the normals). Nothing happens
// when no object is selected; otherwise one history step, then every live
// selected object without outline shapes is changed. statusText is the
// culling hint for `cullingMode`; when an object cannot be changed for want
// of memory the command stops there and fails with the memory message.
CommandOutcome InvertNormalsCommand(Document& doc, uint32_t cullingMode);
CommandOutcome RecalculateNormalsCommand(Document& doc, uint32_t cullingMode);
CommandOutcome ReverseWindingCommand(Document& doc, uint32_t cullingMode);

// ---- Subdivision ---------------------------------------------------------

enum class Subdivision { kInto3, kInto4 };

// Triangle (k0, k1, k2) with vertices (a, b, c) becomes (a, b, g) around its
// centroid g, and (b, c, g), (c, a, g) are appended with their face normals
// and the colour of corner k0. A triangle with a dead corner is left alone
// (true). False when memory runs out; the mesh is then unchanged.
bool SubdivideTriangleInto3(Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2);

// Triangle (k0, k1, k2) with vertices (a, b, c) becomes (a, mab, mca), and
// (b, mbc, mab), (c, mca, mbc), (mab, mbc, mca) are appended (midpoints
// appended in the order mab, mbc, mca). With `repairNeighbours`, every other
// live triangle on one of the three old edges is split in two at that edge's
// midpoint so that no T-junction is left; triangles listed in
// `keptTriangles` (triangle numbers, corner / 3) are not repaired. A triangle
// with a dead corner is left alone (true). False when memory runs out; the
// mesh is then unchanged.
bool SubdivideTriangleInto4(Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2,
                            bool repairNeighbours, std::span<const uint32_t> keptTriangles = {});

// Subdivides every triangle present at the start (into 4 without neighbour
// repair), checking for cancel every 10 corners and reporting progress every
// 100. 0 done, 1 cancelled (the triangles done so far stay subdivided), 2
// out of memory (the mesh is unchanged). Ends with the buffers trimmed.
int SubdivideAll(Mesh& mesh, Subdivision kind, ProgressMonitor& monitor);

// Runs `body` under a progress display titled `title` (a progress window of
// its own, a terminal bar) and answers the body's status.
using ProgressRunner =
    std::function<int(const std::string& title, const std::function<int(ProgressMonitor&)>& body)>;

// "Subdivide all triangles into 3" or "... into 4".
const char* SubdivideAllCommandName(Subdivision kind);

// "Subdivide all triangles into 3" / "into 4": one history step, then for
// each live selected object, under a progress display of its own titled with
// the command name, the heading "Subdivide all triangles into 3 each" (or 4)
// and Subdivide all when it has triangles; the object is deselected.
// objectCount is recounted at the end. The status is the worst object result.
CommandOutcome SubdivideAllCommand(Document& doc, Subdivision kind, const ProgressRunner& run);
// The same with every object reporting to `monitor`.
CommandOutcome SubdivideAllCommand(Document& doc, Subdivision kind, ProgressMonitor& monitor);

// ---- Origins -------------------------------------------------------------

// Moves the object so that the centre of its drawn bounding box lands on the
// world origin; scale and rotation stay. Nothing on a mesh without triangles.
void CenterOnGridOrigin(Mesh& mesh);

// Bakes the transform (the object stays where it is drawn, with position 0,
// scale 1 and rotation 0) and recalculates the normals. Nothing on a mesh
// without triangles.
bool ResetOriginToGridOrigin(Mesh& mesh);

// "Center on Grid Origin", "Reset Object Origin to its own Center" and
// "Reset Object Origin to Grid Origin": one history step, then the mesh
// operation and a world-matrix update on every live selected object (a
// failure for want of memory stops there with the memory message).
CommandOutcome CenterOnGridOriginCommand(Document& doc);
CommandOutcome ResetOriginToCentreCommand(Document& doc);
CommandOutcome ResetOriginToGridOriginCommand(Document& doc);

}  // namespace torvane

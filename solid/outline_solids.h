// Turning a 2D outline into a solid: "Extrude 3D from 2D Outline" and
// "Form 3D from 2D Outline" by horizontal or vertical slices.
//
// Inputs: the object that carries the outline (its segments, plane code,
// line-mode flag and colour). Outputs: the object's mesh (every result is a
// closed mesh whose triangles face outward), re-centred on its bounds with
// the position carrying the centre; the outline, anchor and current drawing
// object cleared; the object selected (after Extrude with the cap triangles
// as its element selection, so that moving them gives the solid its depth).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/colour32.h"
#include "core/command_outcome.h"
#include "core/document.h"
#include "core/scene_object.h"
#include "core/vec3.h"

namespace torvane {

using TriangleIndices = std::array<uint32_t, 3>;

// A mesh being built: positions and triangles by vertex index.
struct MeshParts {
  std::vector<Vec3> positions;
  std::vector<TriangleIndices> triangles;
};

inline constexpr int kRingPoints = 25;
inline constexpr float kRingAngleStep = 6.28318f / 25.0f;

// The outline's segments, oldest last, with a red closing segment from the
// end of the last to the start of the first when they differ.
std::vector<OutlineSegment> ClosedOutline(const SceneObject& object);

// Alternate-vertex reduction of the convex polygon 0 .. n-1 (n - 2
// triangles in the polygon's turning sense).
std::vector<TriangleIndices> AlternateVertexTriangles(uint32_t n);
// Ear clipping of the simple polygon `points` in the plane of `planeCode`,
// run once per winding; the run with more triangles is kept. Points where
// the outline runs straight on (or back) are passed over without a triangle.
std::vector<TriangleIndices> EarClipTriangles(const std::vector<Vec3>& points, int planeCode);

// The flat face of the outline: its points and their triangulation
// (alternate-vertex reduction, ear clipping for line outlines).
MeshParts FlatFaceParts(const SceneObject& object);
// True when the face's triangles cover some area (a line outline whose
// points lie on one line, or a circle of radius 0, covers none).
bool EnclosesArea(const MeshParts& face);
// The face extruded at zero depth: the base reversed, walls on the outer
// edges, the cap on duplicated vertices. `capFirst` receives the index of
// the first cap triangle; `direction` the normalised sum of the face normals.
MeshParts ExtrudedParts(const MeshParts& face, uint32_t* capFirst, Vec3* direction);

enum class SliceDirection { kHorizontal, kVertical };
// The slice solid of a closed outline drawn in plane 1..3.
MeshParts SliceParts(const std::vector<OutlineSegment>& closed, int planeCode,
                     SliceDirection direction);

// Replaces the mesh's geometry with the parts: each corner gets its
// triangle's normal and `colour`. False when memory runs out (the mesh is
// then unchanged).
bool InstallMeshParts(Mesh& mesh, const MeshParts& parts, Colour32 colour);
// Shifts the vertices so that the centre of the bounds is the local origin
// and puts that centre in the position.
void RecentreOnBounds(SceneObject& object);

// Object-level conversions (no history): false when the object has no
// outline or memory runs out (the object is then unchanged).
bool BuildFlatFace(SceneObject& object);
bool ExtrudeOutline(SceneObject& object);
bool FormBySlices(SceneObject& object, SliceDirection direction);
// Moves the selected cap by `depth` along the extrusion direction, as a move
// drag of the cap does.
void MoveCapAlongExtrusion(SceneObject& object, float depth);

// The commands: act on the first selected object that carries an outline
// (nothing happens without one); history first; afterwards the object is
// the selection and the current drawing object is none.
CommandOutcome ExtrudeOutlineCommand(Document& doc);
CommandOutcome FormBySlicesCommand(Document& doc, SliceDirection direction);

}  // namespace torvane

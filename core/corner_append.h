// Appending triangles by vertex index, for operations that build new
// triangles out of vertices the mesh already has (subdivision, splitting an
// edge). Growth follows the rule of the mesh's own appends: when the corner
// buffer is full it grows to 1.5 x the corner count (at least 3 more, 18 when
// empty); ReserveCorners makes room ahead so that a multi-step edit can fail
// before it changes anything.
#pragma once

#include <cstdint>

#include "core/colour32.h"
#include "core/mesh.h"

namespace torvane {

// Makes the corner buffer at least cornerCount + `extra` long. False when it
// cannot grow; the mesh is then unchanged.
bool ReserveCorners(Mesh& mesh, uint64_t extra);

// Makes the position buffer at least vertexCount + `extra` long, so that
// that many AppendVertex calls cannot fail. False when it cannot grow; the
// mesh is then unchanged.
bool ReserveVertices(Mesh& mesh, uint64_t extra);

// Appends triangle (i0, i1, i2) with the face normal of its positions and
// `colour` on all three corners. The indices must be readable vertices.
// False when the corner buffer cannot grow (the mesh is then unchanged).
bool AppendIndexedTriangle(Mesh& mesh, uint32_t i0, uint32_t i1, uint32_t i2, Colour32 colour);

}  // namespace torvane

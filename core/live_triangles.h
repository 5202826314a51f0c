// Live triangles: the triangles of a mesh whose three corners name existing
// vertices. Removed triangles stay in the corner buffer as dead corners
// (vertex index 0xFFFFFFFF) until an operation compacts the mesh, so "has
// triangles" means "has a live triangle" wherever the answer decides what is
// shown, counted, picked or written.
#pragma once

#include <cstdint>

#include "core/mesh.h"

namespace torvane {

// Stops at the first live triangle, so it costs little on ordinary meshes.
bool HasLiveTriangle(const Mesh& mesh);

uint32_t LiveTriangleCount(const Mesh& mesh);

}  // namespace torvane

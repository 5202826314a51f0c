// Face gathering: the flat region of a mesh around one triangle, which face
// selection treats as one element.
//
// Input: a mesh and a living triangle. Output: the triangles reachable from it
// across shared edges (two shared vertex indices) whose first corner normal
// equals the picked triangle's by the position equality rule, the picked
// triangle first, then in breadth-first order.
#pragma once

#include <cstdint>
#include <vector>

#include "core/mesh.h"

namespace torvane {

// Empty when `triangle` is out of range, dead or refers to a missing vertex.
std::vector<uint32_t> GatherFace(const Mesh& mesh, uint32_t triangle);

}  // namespace torvane

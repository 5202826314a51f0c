// Unit geometry of the four primitive shapes: positions around the origin and
// the triangle list (three vertex indices a triangle, counter-clockwise seen
// from outside). The tables are built once per run, on first use (thread-safe
// static initialisation), and only read afterwards. Each accessor answers
// null when the table cannot be built for lack of memory.
#pragma once

#include <cstdint>
#include <vector>

#include "core/vec3.h"

namespace torvane {

struct PrimitiveTable {
  std::vector<Vec3> positions;
  std::vector<uint32_t> cornerIndices;
  // Corners the generator's buffer holds; the ones past cornerIndices stay
  // dead (the sphere's buffer is a little larger than its triangles).
  uint32_t cornerCapacity = 0;
};

// Corners at +-0.5: 8 vertices, 12 triangles.
const PrimitiveTable* UnitCubeTable() noexcept;
// Radius 1, 16 bands x 16 segments, poles on Y: 242 vertices, 480 triangles
// in a buffer of 1503 corners.
const PrimitiveTable* UnitSphereTable() noexcept;
// Circumradius 1, poles on Z: 12 vertices, 20 triangles.
const PrimitiveTable* UnitIcosahedronTable() noexcept;
// Ring radius 0.4, tube radius 0.1, axis along Z: 400 vertices, 800 triangles.
const PrimitiveTable* UnitTorusTable() noexcept;

}  // namespace torvane

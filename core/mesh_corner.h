// MeshCorner: one corner of one triangle. Three consecutive corners form a
// triangle; each carries its vertex index, the normal used for lighting and
// the colour drawn there. A default-constructed corner is dead (index
// 0xFFFFFFFF, normal 0, opaque black): buffers grow with dead corners, and a
// removed triangle stays as three dead corners until the mesh is compacted.
#pragma once

#include <cstdint>

#include "core/colour32.h"
#include "core/vec3.h"

namespace torvane {

inline constexpr uint32_t kDeadIndex = 0xFFFFFFFFu;

struct MeshCorner {
  uint32_t vertexIndex = kDeadIndex;
  Vec3 normal;
  Colour32 colour = kOpaqueBlack;
};

inline bool IsDeadCorner(const MeshCorner& c) {
  return c.vertexIndex == kDeadIndex;
}

}  // namespace torvane

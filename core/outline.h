// Outline storage of a scene object: the 2D outline shapes drawn for it, the
// work buffer used while an outline is being drawn, and the fixed table of
// line slots used to draw line highlights. The 2D drawing tools give these
// segments their meaning; the object only creates, copies and frees them.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/colour32.h"
#include "core/vec3.h"

namespace torvane {

struct OutlineSegment {
  Vec3 start;
  Vec3 end;
  ColourF colour;
  bool inUse = false;
};

struct OutlineShape {
  std::vector<OutlineSegment> segments;
};

inline constexpr size_t kLineSlotCount = 50;

using LineSlots = std::array<OutlineSegment, kLineSlotCount>;

// Marks every slot free (and forgets its contents).
inline void FreeLineSlots(LineSlots& lineSlots) {
  lineSlots.fill(OutlineSegment{});
}

}  // namespace torvane

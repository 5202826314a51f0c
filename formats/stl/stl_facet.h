// The 50-byte STL facet record (normal, three vertices, attribute word), as
// stored in a binary STL file and as handed from the STL readers to
// BuildStlMesh and from PrepareStlFacets to the writers, plus the colour
// conventions of the attribute word.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/colour32.h"
#include "core/vec3.h"

namespace torvane {

static_assert(std::endian::native == std::endian::little,
              "STL records are read and written in memory order");

#pragma pack(push, 1)
struct StlFacet {
  float normal[3];
  float vertex[3][3];
  uint16_t attribute;
};
#pragma pack(pop)
static_assert(sizeof(StlFacet) == 50, "an STL facet record has 50 bytes");

inline constexpr uint32_t kStlHeaderSize = 80;
inline constexpr uint32_t kStlFacetSize = 50;
// Bit 15 set: the facet takes the object colour.
inline constexpr uint16_t kStlObjectColourBit = 0x8000;
// The colour a mesh without colours is written with.
inline constexpr Colour32 kStlUncolouredColour = 0xFFC8C8C8u;

inline Vec3 FacetVertex(const StlFacet& f, int i) {
  return {f.vertex[i][0], f.vertex[i][1], f.vertex[i][2]};
}
inline Vec3 FacetNormal(const StlFacet& f) {
  return {f.normal[0], f.normal[1], f.normal[2]};
}
inline void SetFacetVertex(StlFacet& f, int i, const Vec3& v) {
  f.vertex[i][0] = v.x;
  f.vertex[i][1] = v.y;
  f.vertex[i][2] = v.z;
}
inline void SetFacetNormal(StlFacet& f, const Vec3& n) {
  f.normal[0] = n.x;
  f.normal[1] = n.y;
  f.normal[2] = n.z;
}

// Bits 0-4 red, 5-9 green, 10-14 blue, each moved to the top of its byte.
inline constexpr Colour32 StlAttributeToColour(uint16_t attribute) {
  return 0xFF000000u | (Colour32{attribute & 0x1Fu} << 19) |
         (Colour32{(attribute >> 5) & 0x1Fu} << 11) | (Colour32{(attribute >> 10) & 0x1Fu} << 3);
}

inline constexpr uint16_t StlColourToAttribute(Colour32 colour) {
  const uint32_t red = (colour >> 16) & 0xFF;
  const uint32_t green = (colour >> 8) & 0xFF;
  const uint32_t blue = colour & 0xFF;
  return static_cast<uint16_t>(((blue >> 3) << 10) | ((green >> 3) << 5) | (red >> 3));
}

// A facet array of a fixed count. The storage is left uninitialised until
// written, and large requests pass the memory guard first.
class StlFacetArray {
 public:
  // False (and empty) when the memory is not there.
  bool Allocate(size_t count);
  void Free() {
    data_.reset();
    count_ = 0;
  }
  // Drops the facets past `count` from the logical count (storage stays).
  void Truncate(size_t count) {
    if (count < count_) count_ = count;
  }
  size_t count() const { return count_; }
  StlFacet* data() { return data_.get(); }
  const StlFacet* data() const { return data_.get(); }
  StlFacet& operator[](size_t i) { return data_.get()[i]; }
  const StlFacet& operator[](size_t i) const { return data_.get()[i]; }

 private:
  struct FreeDeleter {
    void operator()(StlFacet* p) const { std::free(p); }
  };
  std::unique_ptr<StlFacet, FreeDeleter> data_;
  size_t count_ = 0;
};

}  // namespace torvane

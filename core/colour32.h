// Colour32: a 32-bit ARGB colour (alpha in bits 24-31, red 16-23, green 8-15,
// blue 0-7), the colour stored on every triangle corner.
#pragma once

#include <cstdint>

namespace torvane {

using Colour32 = uint32_t;

inline constexpr Colour32 kOpaqueBlack = 0xFF000000u;

// Float colour channels in 0..1 become bytes by truncating value x 255.
// Out-of-range and NaN channels are held to 0..255 rather than wrapping.
inline constexpr uint8_t ColourChannelToByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<uint8_t>(static_cast<int>(value * 255.0f));
}

inline constexpr Colour32 MakeColour32(float r, float g, float b, float a) {
  return (Colour32{ColourChannelToByte(a)} << 24) | (Colour32{ColourChannelToByte(r)} << 16) |
         (Colour32{ColourChannelToByte(g)} << 8) | Colour32{ColourChannelToByte(b)};
}

struct ColourF {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 1.0f;
};

inline constexpr ColourF ColourToFloats(Colour32 c) {
  return {static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
          static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 24) & 0xFF) / 255.0f};
}

}  // namespace torvane

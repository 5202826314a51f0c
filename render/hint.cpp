#include "render/hint.h"

namespace torvane {

Colour32 FadeHintColour(Colour32 colour) {
  uint32_t r = ((colour >> 16) & 0xFF) * 19 / 20;
  uint32_t g = ((colour >> 8) & 0xFF) * 19 / 20;
  uint32_t b = (colour & 0xFF) * 19 / 20;
  return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

bool StepHintFade(Hint& hint) {
  hint.colour = FadeHintColour(hint.colour);
  if ((hint.colour & 0x00FFFFFFu) == 0) {
    hint.text.clear();
    return false;
  }
  return true;
}

}  // namespace torvane

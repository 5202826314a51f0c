// The hint overlay of the perspective view: one text with a colour. A plain
// hint stays until cleared; a timed hint starts fading after 10,000 ms (each
// step every 250 ms multiplies red, green and blue by 19/20) and is cleared
// after 15,000 ms, or as soon as the colour has faded to black.
#pragma once

#include <string>

#include "core/colour32.h"

namespace torvane {

inline constexpr int kHintFadeStartMs = 10000;
inline constexpr int kHintClearMs = 15000;
inline constexpr int kHintFadeStepMs = 250;
inline constexpr Colour32 kHintDefaultColour = 0xFFFFFFFFu;

struct Hint {
  std::string text;
  Colour32 colour = kHintDefaultColour;
  bool timed = false;
};

// One fade step: red, green and blue each times 19 / 20 (integer arithmetic),
// alpha kept.
Colour32 FadeHintColour(Colour32 colour);

// Applies one fade step to `hint`; clears its text once all three channels
// are zero. Returns true while further steps should follow.
bool StepHintFade(Hint& hint);

}  // namespace torvane

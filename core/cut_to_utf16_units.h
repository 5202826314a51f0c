// Cutting UTF-8 text to a limit counted in UTF-16 units.
//
// Names in model files and values in the settings store keep their historical
// limits in UTF-16 units. Input: UTF-8 text and the limit. Output: the longest
// prefix that holds at most that many units and ends on a character boundary;
// a broken sequence at the end is left out.
#pragma once

#include <cstddef>
#include <string_view>

namespace torvane {

std::string_view CutToUtf16Units(std::string_view text, size_t maxUnits);

}  // namespace torvane

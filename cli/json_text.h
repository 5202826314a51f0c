// Small helpers for the JSON lines torvane-cli prints: escaped strings and
// numbers that read back to the same float.
#pragma once

#include <string>

namespace torvane {

// `text` as a JSON string literal, quotes included. Control characters and
// bytes that are not valid UTF-8 are escaped (the latter as U+FFFD), so the
// line is always valid JSON.
std::string JsonString(const std::string& text);

// A float in "%.9g" form (reads back to the same value); null for NaN and
// infinities, which JSON cannot carry.
std::string JsonNumber(double value);

}  // namespace torvane

// Small text helpers shared by the readers and writers: trimming the space
// character and making names read from files valid UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torvane {

// Without leading and trailing space characters (tabs are kept).
std::string_view TrimSpaces(std::string_view text);

// The text with every byte sequence that is not valid UTF-8 replaced by
// U+FFFD, so that names taken from files are always valid text.
std::string ValidUtf8(std::string_view text);

}  // namespace torvane

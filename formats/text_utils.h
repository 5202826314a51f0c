// Small text helpers shared by the readers and writers: trimming the space
// character, making names read from files valid UTF-8, and cutting UTF-8 text
// to a byte budget without splitting a character.
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

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
// character boundary.
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);

}  // namespace torvane

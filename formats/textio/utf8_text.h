// UTF-8 text helpers for names read from and written into model files.
//
// Names inside model files keep their historical limits in UTF-16 units; a
// cut never falls inside a character. Other encodings met in files (UTF-16,
// the Windows Western code page) are turned into UTF-8 here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/cut_to_utf16_units.h"

namespace torvane {

// The longest prefix of at most `maxBytes` bytes ending on a character
// boundary.
std::string_view CutToBytes(std::string_view text, size_t maxBytes);

// The text without a trailing incomplete UTF-8 sequence (left by a cut).
std::string_view DropPartialCharacter(std::string_view text);

bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of `codePoint`; surrogates and values beyond
// U+10FFFF append U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-16 bytes (no byte-order mark) to UTF-8; unpaired surrogates become
// U+FFFD and a trailing odd byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Windows-1252 (Western) bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// The text with &, <, >, " and ' replaced by their XML entities.
std::string EscapeXml(std::string_view text);

// ASCII-only case folding comparisons.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix);

// printf into a std::string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace torvane

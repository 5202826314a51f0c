// Preference kinds encoded as text and decoded by the program's own rules.
#include "core/settings.h"

#include "core/cut_to_utf16_units.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

namespace torvane {
namespace {

bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One "%f" conversion: optional white space, then a floating-point number.
// Answers the position after the number, or nullptr when none scans.
const char* ScanFloat(const char* first, const char* last, float& out) {
  while (first < last && IsScanSpace(*first))
    ++first;
  const char* numberStart = first;
  if (first < last && *first == '+') ++first;  // from_chars takes no '+'
  if (first < last && *first == '-' && numberStart != first) return nullptr;  // "+-"
  float value = 0.0f;
  auto [end, error] = std::from_chars(first, last, value);
  if (end == first) return nullptr;
  // A number out of float range still scans (as infinity or zero).
  if (error == std::errc::result_out_of_range) {
    double wide = 0.0;
    if (std::from_chars(first, last, wide).ec != std::errc()) return nullptr;
    value = std::fabs(wide) > FLT_MAX
                ? std::copysign(HUGE_VALF, static_cast<float>(wide > 0 ? 1 : -1))
                : static_cast<float>(wide);
  } else if (error != std::errc()) {
    return nullptr;
  }
  out = value;
  return end;
}

}  // namespace

bool DecodeSettingBool(const std::string& text, bool defaultValue) {
  if (text.empty()) return defaultValue;
  return text[0] != '0';
}

int DecodeSettingInt(const std::string& text, int defaultValue) {
  if (text.empty()) return defaultValue;
  size_t i = 0;
  while (i < text.size() && IsScanSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string ReadSettingString(SettingsStore& store, const std::string& group,
                              const std::string& name, const std::string& defaultText) {
  std::optional<std::string> text = store.ReadValue(group, name);
  if (!text) return defaultText;
  return std::string(CutToUtf16Units(*text, kMaxSettingLength));
}

bool ReadSettingBool(SettingsStore& store, const std::string& group, const std::string& name,
                     bool defaultValue) {
  return DecodeSettingBool(ReadSettingString(store, group, name, ""), defaultValue);
}

int ReadSettingInt(SettingsStore& store, const std::string& group, const std::string& name,
                   int defaultValue) {
  return DecodeSettingInt(ReadSettingString(store, group, name, ""), defaultValue);
}

void ReadSettingVector(SettingsStore& store, const std::string& group, const std::string& name,
                       Vec3& value) {
  const std::string text = ReadSettingString(store, group, name, "");
  if (text.empty()) return;
  // Like "%f,%f,%f": each number that scans is stored; the scan stops at the
  // first mismatch.
  const char* position = text.data();
  const char* last = text.data() + text.size();
  float* fields[3] = {&value.x, &value.y, &value.z};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (position >= last || *position != ',') return;
      ++position;
    }
    position = ScanFloat(position, last, *fields[i]);
    if (!position) return;
  }
}

bool WriteSettingString(SettingsStore& store, const std::string& group, const std::string& name,
                        const std::string& text) {
  return store.WriteValue(group, name, text);
}

bool WriteSettingBool(SettingsStore& store, const std::string& group, const std::string& name,
                      bool value) {
  return WriteSettingString(store, group, name, value ? "1" : "0");
}

bool WriteSettingInt(SettingsStore& store, const std::string& group, const std::string& name,
                     int value) {
  return WriteSettingString(store, group, name, std::to_string(value));
}

bool WriteSettingVector(SettingsStore& store, const std::string& group, const std::string& name,
                        const Vec3& value) {
  // Six decimals like "%f", but always with '.' as the decimal mark.
  std::string text;
  const float fields[3] = {value.x, value.y, value.z};
  for (int i = 0; i < 3; ++i) {
    char number[400];
    auto [end, error] = std::to_chars(number, number + sizeof(number),
                                      static_cast<double>(fields[i]), std::chars_format::fixed, 6);
    if (error != std::errc()) return false;
    if (i > 0) text += ',';
    text.append(number, end);
  }
  return WriteSettingString(store, group, name, text);
}

bool DeleteSettingValue(SettingsStore& store, const std::string& group, const std::string& name) {
  if (store.DeleteValue(group, name)) return true;
  if (store.ValueExists(group, name)) return false;
  return store.DeleteValue(group, "_" + name);
}

bool SettingValueExists(SettingsStore& store, const std::string& group, const std::string& name) {
  return store.ValueExists(group, name);
}

std::string ReadSettingString(const std::string& group, const std::string& name,
                              const std::string& defaultText) {
  return ReadSettingString(Settings(), group, name, defaultText);
}
bool ReadSettingBool(const std::string& group, const std::string& name, bool defaultValue) {
  return ReadSettingBool(Settings(), group, name, defaultValue);
}
int ReadSettingInt(const std::string& group, const std::string& name, int defaultValue) {
  return ReadSettingInt(Settings(), group, name, defaultValue);
}
void ReadSettingVector(const std::string& group, const std::string& name, Vec3& value) {
  ReadSettingVector(Settings(), group, name, value);
}
bool WriteSettingString(const std::string& group, const std::string& name,
                        const std::string& text) {
  return WriteSettingString(Settings(), group, name, text);
}
bool WriteSettingBool(const std::string& group, const std::string& name, bool value) {
  return WriteSettingBool(Settings(), group, name, value);
}
bool WriteSettingInt(const std::string& group, const std::string& name, int value) {
  return WriteSettingInt(Settings(), group, name, value);
}
bool WriteSettingVector(const std::string& group, const std::string& name, const Vec3& value) {
  return WriteSettingVector(Settings(), group, name, value);
}
bool DeleteSettingValue(const std::string& group, const std::string& name) {
  return DeleteSettingValue(Settings(), group, name);
}
bool SettingValueExists(const std::string& group, const std::string& name) {
  return SettingValueExists(Settings(), group, name);
}

}  // namespace torvane

// Reading and writing preferences by kind. Every value is stored as text:
//   bool   written "1" / "0"; read: missing or empty -> default, otherwise
//          false exactly when the first character is '0';
//   int    written "%d"; read: missing or empty -> default, otherwise the
//          leading decimal number (no digits -> 0);
//   vector written "%f,%f,%f"; read: missing or empty leaves the caller's
//          vector as it is, otherwise the three numbers (as far as they scan);
//   string as is; missing -> default.
// Text read back is cut to 259 UTF-16 units (never inside a character).
// Numbers always use '.' as the decimal mark, whatever the locale.
// Each function works on the given store, or on the installed Settings().
#pragma once

#include <string>

#include "core/settings_store.h"
#include "core/vec3.h"

namespace torvane {

inline constexpr size_t kMaxSettingLength = 259;  // UTF-16 units

std::string ReadSettingString(SettingsStore& store, const std::string& group,
                              const std::string& name, const std::string& defaultText);
bool ReadSettingBool(SettingsStore& store, const std::string& group, const std::string& name,
                     bool defaultValue);
int ReadSettingInt(SettingsStore& store, const std::string& group, const std::string& name,
                   int defaultValue);
// Leaves value unchanged when the setting is missing or empty.
void ReadSettingVector(SettingsStore& store, const std::string& group, const std::string& name,
                       Vec3& value);

bool WriteSettingString(SettingsStore& store, const std::string& group, const std::string& name,
                        const std::string& text);
bool WriteSettingBool(SettingsStore& store, const std::string& group, const std::string& name,
                      bool value);
bool WriteSettingInt(SettingsStore& store, const std::string& group, const std::string& name,
                     int value);
bool WriteSettingVector(SettingsStore& store, const std::string& group, const std::string& name,
                        const Vec3& value);

// Deletes the value; when there is no such value, deletes "_" + name
// instead. True when something was deleted.
bool DeleteSettingValue(SettingsStore& store, const std::string& group, const std::string& name);
bool SettingValueExists(SettingsStore& store, const std::string& group, const std::string& name);

// The same on the installed store.
std::string ReadSettingString(const std::string& group, const std::string& name,
                              const std::string& defaultText);
bool ReadSettingBool(const std::string& group, const std::string& name, bool defaultValue);
int ReadSettingInt(const std::string& group, const std::string& name, int defaultValue);
void ReadSettingVector(const std::string& group, const std::string& name, Vec3& value);
bool WriteSettingString(const std::string& group, const std::string& name, const std::string& text);
bool WriteSettingBool(const std::string& group, const std::string& name, bool value);
bool WriteSettingInt(const std::string& group, const std::string& name, int value);
bool WriteSettingVector(const std::string& group, const std::string& name, const Vec3& value);
bool DeleteSettingValue(const std::string& group, const std::string& name);
bool SettingValueExists(const std::string& group, const std::string& name);

// Text decoders of the kinds above, on text already read (empty = missing).
bool DecodeSettingBool(const std::string& text, bool defaultValue);
int DecodeSettingInt(const std::string& text, int defaultValue);

}  // namespace torvane

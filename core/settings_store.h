// SettingsStore: where the program's preferences live. Every value is text,
// addressed by a group ("Settings", "DrawingControl", "MainWindow",
// "Editing", "Components/<name>") and a value name; the program decodes the
// text by its own rules (core/settings.h).
//
// The process has one installed store: a MemorySettingsStore until the
// application installs its persistent one at start-up (tests and the
// command-line program keep the memory store or install their own).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace torvane {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The stored text; nullopt when the value (or its group) is missing or
  // cannot be read.
  virtual std::optional<std::string> ReadValue(const std::string& group,
                                               const std::string& name) = 0;
  // False when the value could not be stored.
  virtual bool WriteValue(const std::string& group, const std::string& name,
                          const std::string& text) = 0;
  // False when there was no such value or it could not be removed.
  virtual bool DeleteValue(const std::string& group, const std::string& name) = 0;
  virtual bool ValueExists(const std::string& group, const std::string& name) = 0;
};

// Values kept in memory only; thread-safe.
class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> ReadValue(const std::string& group, const std::string& name) override;
  bool WriteValue(const std::string& group, const std::string& name,
                  const std::string& text) override;
  bool DeleteValue(const std::string& group, const std::string& name) override;
  bool ValueExists(const std::string& group, const std::string& name) override;

 private:
  std::mutex mutex_;
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The installed store.
SettingsStore& Settings();
// Replaces the installed store (a null pointer installs a fresh memory
// store). Call it before other threads read settings: the previous store is
// destroyed here.
void SetSettingsStore(std::unique_ptr<SettingsStore> store);

}  // namespace torvane

// OverlaySettingsStore: the settings of another store, read as they are,
// with every change kept in memory only. A run that must behave like a
// normal start without leaving any trace in the user's settings (the
// screenshot run) installs one over the persistent store.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "core/settings_store.h"

namespace torvane {

class OverlaySettingsStore : public SettingsStore {
 public:
  explicit OverlaySettingsStore(std::unique_ptr<SettingsStore> base);

  // A value written or deleted here reads as written or missing; any
  // other value reads from the base store.
  std::optional<std::string> ReadValue(const std::string& group, const std::string& name) override;
  bool WriteValue(const std::string& group, const std::string& name,
                  const std::string& text) override;
  bool DeleteValue(const std::string& group, const std::string& name) override;
  bool ValueExists(const std::string& group, const std::string& name) override;

 private:
  std::mutex mutex_;
  std::unique_ptr<SettingsStore> base_;
  // The changes: a value, or nullopt for a deleted one.
  std::map<std::pair<std::string, std::string>, std::optional<std::string>> changes_;
};

}  // namespace torvane

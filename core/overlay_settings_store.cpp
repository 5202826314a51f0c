// OverlaySettingsStore: reads through to the base store, changes in memory.
#include "core/overlay_settings_store.h"

namespace torvane {

OverlaySettingsStore::OverlaySettingsStore(std::unique_ptr<SettingsStore> base)
    : base_(base ? std::move(base) : std::make_unique<MemorySettingsStore>()) {}

std::optional<std::string> OverlaySettingsStore::ReadValue(const std::string& group,
                                                           const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto changed = changes_.find({group, name});
  if (changed != changes_.end()) return changed->second;
  return base_->ReadValue(group, name);
}

bool OverlaySettingsStore::WriteValue(const std::string& group, const std::string& name,
                                      const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  changes_[{group, name}] = text;
  return true;
}

bool OverlaySettingsStore::DeleteValue(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto changed = changes_.find({group, name});
  const bool existed =
      changed != changes_.end() ? changed->second.has_value() : base_->ValueExists(group, name);
  changes_[{group, name}] = std::nullopt;
  return existed;
}

bool OverlaySettingsStore::ValueExists(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto changed = changes_.find({group, name});
  if (changed != changes_.end()) return changed->second.has_value();
  return base_->ValueExists(group, name);
}

}  // namespace torvane

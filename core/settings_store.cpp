// MemorySettingsStore and the process-wide store accessor.
#include "core/settings_store.h"

namespace torvane {
namespace {

std::unique_ptr<SettingsStore>& InstalledStore() {
  static std::unique_ptr<SettingsStore> store = std::make_unique<MemorySettingsStore>();
  return store;
}

}  // namespace

std::optional<std::string> MemorySettingsStore::ReadValue(const std::string& group,
                                                          const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = values_.find({group, name});
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

bool MemorySettingsStore::WriteValue(const std::string& group, const std::string& name,
                                     const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  values_[{group, name}] = text;
  return true;
}

bool MemorySettingsStore::DeleteValue(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.erase({group, name}) > 0;
}

bool MemorySettingsStore::ValueExists(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.count({group, name}) > 0;
}

SettingsStore& Settings() {
  return *InstalledStore();
}

void SetSettingsStore(std::unique_ptr<SettingsStore> store) {
  InstalledStore() = store ? std::move(store) : std::make_unique<MemorySettingsStore>();
}

}  // namespace torvane

// QtSettingsStore: the persistent SettingsStore of the desktop program, an
// INI file kept by QSettings (user scope, organisation "Ovalis Software",
// application "Torvane"), one INI group per settings group. Values are
// written as text and handed back as the same text; the engine decodes them
// (core/settings.h), QVariant never converts them.
#pragma once

#include <QString>
#include <memory>
#include <mutex>

#include "core/settings_store.h"

class QSettings;

namespace torvane {

inline constexpr const char* kSettingsOrganisation = "Ovalis Software";
inline constexpr const char* kSettingsApplication = "Torvane";

class QtSettingsStore : public SettingsStore {
 public:
  // The user's settings file.
  QtSettingsStore();
  // A given INI file (tests).
  explicit QtSettingsStore(const QString& iniPath);
  ~QtSettingsStore() override;

  std::optional<std::string> ReadValue(const std::string& group, const std::string& name) override;
  bool WriteValue(const std::string& group, const std::string& name,
                  const std::string& text) override;
  bool DeleteValue(const std::string& group, const std::string& name) override;
  bool ValueExists(const std::string& group, const std::string& name) override;

  // Path of the INI file behind this store.
  QString FileName() const;

 private:
  std::mutex mutex_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace torvane

// QtSettingsStore: settings groups as INI groups through QSettings.
#include "app/qt_settings_store.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace torvane {
namespace {

QString Key(const std::string& group, const std::string& name) {
  return QString::fromStdString(group) + QLatin1Char('/') + QString::fromStdString(name);
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QString::fromUtf8(kSettingsOrganisation),
                                            QString::fromUtf8(kSettingsApplication))) {}

QtSettingsStore::QtSettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_->sync();
}

std::optional<std::string> QtSettingsStore::ReadValue(const std::string& group,
                                                      const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const QString key = Key(group, name);
  if (!settings_->contains(key)) return std::nullopt;
  const QVariant value = settings_->value(key);
  // A hand-edited INI line with unquoted commas comes back as a list; its
  // text is the items joined again.
  if (value.typeId() == QMetaType::QStringList) {
    return value.toStringList().join(QLatin1Char(',')).toStdString();
  }
  return value.toString().toStdString();
}

bool QtSettingsStore::WriteValue(const std::string& group, const std::string& name,
                                 const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_->setValue(Key(group, name), QString::fromStdString(text));
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

bool QtSettingsStore::DeleteValue(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const QString key = Key(group, name);
  if (!settings_->contains(key)) return false;
  settings_->remove(key);
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

bool QtSettingsStore::ValueExists(const std::string& group, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_->contains(Key(group, name));
}

QString QtSettingsStore::FileName() const {
  return settings_->fileName();
}

}  // namespace torvane

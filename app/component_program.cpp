// Component lookup through the settings and the program's own folder.
#include "app/component_program.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cctype>

#include "core/settings.h"
#include "core/settings_values.h"

namespace torvane {

std::string ComponentFileName(const std::string& component) {
  std::string name;
  for (unsigned char c : component) {
    if (std::isspace(c)) continue;
    name += static_cast<char>(std::tolower(c));
  }
  return name;
}

std::string ComponentProgramPath(const std::string& component) {
  const std::string configured =
      ReadSettingString(ComponentGroup(component), kComponentPath, std::string());
  if (!configured.empty()) return configured;
  if (!QCoreApplication::instance()) return {};
  const QFileInfo beside(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                         QString::fromStdString(ComponentFileName(component)));
  if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath().toStdString();
  return {};
}

}  // namespace torvane

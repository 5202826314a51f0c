// RunColourChooser over QColorDialog and the custom colours in the settings.
#include "app/colour_chooser.h"

#include <QColor>
#include <QColorDialog>

#include "core/settings.h"
#include "core/settings_values.h"

namespace torvane {

int ColourReference(int red, int green, int blue) {
  return (blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF);
}

void ColourReferenceChannels(int reference, int& red, int& green, int& blue) {
  red = reference & 0xFF;
  green = (reference >> 8) & 0xFF;
  blue = (reference >> 16) & 0xFF;
}

std::optional<ColourF> RunColourChooser(QWidget* owner, const ColourF& initial) {
  for (int i = 0; i < kCustomColourCount; ++i) {
    const int reference =
        ReadSettingInt(kGroupEditing, DefaultColorValueName(i), kDefaultCustomColour);
    int r = 0, g = 0, b = 0;
    ColourReferenceChannels(reference, r, g, b);
    QColorDialog::setCustomColor(i, QColor(r, g, b));
  }
  QColorDialog dialog(QColor::fromRgbF(initial.r, initial.g, initial.b), owner);
  dialog.setWindowTitle(QStringLiteral("Color"));
  // The custom colours live in Qt's own chooser.
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  for (int i = 0; i < kCustomColourCount; ++i) {
    const QColor custom = QColorDialog::customColor(i);
    WriteSettingInt(kGroupEditing, DefaultColorValueName(i),
                    ColourReference(custom.red(), custom.green(), custom.blue()));
  }
  const QColor chosen = dialog.selectedColor();
  return ColourF{static_cast<float>(chosen.redF()), static_cast<float>(chosen.greenF()),
                 static_cast<float>(chosen.blueF()), 1.0f};
}

}  // namespace torvane

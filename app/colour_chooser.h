// The colour chooser with its 16 custom colours, which live in the settings
// (Editing/DefaultColor0..15, each a colour reference 0x00BBGGRR as a
// decimal number): all 16 are read before the chooser opens and all 16
// written back when the user confirms a colour.
#pragma once

#include <optional>

#include "core/colour32.h"

class QWidget;

namespace torvane {

// Opens the chooser on `initial`; the chosen colour with alpha 1.
std::optional<ColourF> RunColourChooser(QWidget* owner, const ColourF& initial);

// A colour reference (0x00BBGGRR) and back.
int ColourReference(int red, int green, int blue);
void ColourReferenceChannels(int reference, int& red, int& green, int& blue);

}  // namespace torvane

// How a font of the window asks the system's font engine to fit its letters to the pixel grid.
#pragma once

#include <QFont>

// The hinting preference for the font; the default one where the system's own choice keeps the font's
// advance widths.
QFont::HintingPreference WindowFontHinting(const QFont& font);

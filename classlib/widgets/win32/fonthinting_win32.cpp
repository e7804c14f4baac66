#include "classlib/widgets/fonthinting.h"

#include <QFontDatabase>

// Full hinting takes the GDI engine, which rounds every letter's advance to whole pixels at the hinted size:
// Wine's Tahoma writes "Скорость" at 24 px 106 px wide, where its own widths give 100 and the label has 99.
// Vertical hinting takes DirectWrite, which keeps the font's widths and still aligns each line to the pixel
// rows. DirectWrite has no bitmap fonts ("MS Sans Serif"), and under Wine it mixes the letters of a bold
// face with those of the regular one ("19200" with bold zeros only): those stay with GDI.
QFont::HintingPreference WindowFontHinting(const QFont& font)
{
    const bool regularOutline = QFontDatabase::isSmoothlyScalable(font.family()) && !font.bold();
    return regularOutline ? QFont::PreferVerticalHinting : QFont::PreferDefaultHinting;
}

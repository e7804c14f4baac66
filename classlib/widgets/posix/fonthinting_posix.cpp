#include "classlib/widgets/fonthinting.h"

// FreeType, as fontconfig sets it up, hints lightly and keeps the fonts' own advance widths.
QFont::HintingPreference WindowFontHinting(const QFont&) { return QFont::PreferDefaultHinting; }

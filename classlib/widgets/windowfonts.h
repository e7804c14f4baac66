// The fonts that window descriptions name and Linux lacks: "Tahoma" and "MS Sans Serif" from the wine fonts
// package, when it is installed and the system has no font of that family (Windows has both; fontconfig
// substitutes where neither is there). "MS Sans Serif" holds bitmaps of a few
// sizes only; it is served by TBitmapFontFace, with Tahoma, of similar width, for the other sizes, and the
// application's style draws widget texts through it.
#pragma once

class TWindowFonts {
public:
    // Registers the fonts and installs the style once; later calls do nothing.
    static void Register();
};

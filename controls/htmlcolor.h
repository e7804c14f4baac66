// Colours written as HTML text: a leading character (normally "#") and RRGGBB in hexadecimal.
// Pure rules without Qt, shared by every control that carries a colour as text.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/tcolor.h"

// A colour held both as its HTML text and as a colour value 0x00BBGGRR.
struct HtmlColor {
    AnsiString Text = "#000000";
    TColor Color = 0;

    // A text of exactly seven characters is kept as given and its three two-character pieces give red, green and
    // blue; the first character is not examined. Any other length gives the reset value ("#000000", 0).
    static HtmlColor FromText(const AnsiString& text);
    // The colour's hexadecimal form with at least six digits, its last, middle and first pairs behind "#",
    // then read back as text. Values with the top byte set keep eight digits, so their text names another colour.
    static HtmlColor FromColor(TColor color);

    friend bool operator==(const HtmlColor&, const HtmlColor&) = default;
};

// The special text that leaves a colour to its value alone. Letter case counts.
inline constexpr const char* kHtmlIgnore = "#ignore";
bool IsHtmlIgnore(const AnsiString& text);

// A colour property that can follow an HTML text, or stay on its value alone while the text is "#ignore".
struct HtmlColorProperty {
    AnsiString Text = kHtmlIgnore;
    TColor Color = 0;

    // "#ignore" keeps the value; any other text is converted and sets both text and value.
    void SetText(const AnsiString& text);
    // Stores the value exactly; a text other than "#ignore" follows it.
    void SetColor(TColor color);
    // True when the text is not "#ignore" and gives the value itself, so that a description needs only the text:
    // setting the value after the text would replace a text such as "#f0ffec" by its upper-case form.
    bool TextGivesColor() const;
};

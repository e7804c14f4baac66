#include "classlib/base/colorident.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

struct ColorName {
    TColor color;
    std::string_view name;
};

// Where two names share a value, the first one is the name written.
constexpr std::array<ColorName, 49> kColorNames = {{
    {clBlack, "clBlack"},
    {clSilver, "clSilver"},
    {clWhite, "clWhite"},
    {clGreen, "clGreen"},
    {clLime, "clLime"},
    {clRed, "clRed"},
    {clCream, "clCream"},
    {clGray, "clGray"},
    {clNavy, "clNavy"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clMaroon, "clMaroon"},
    {clOlive, "clOlive"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clYellow, "clYellow"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clMedGray, "clMedGray"},
}};

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::optional<std::string> ColorToIdent(TColor color)
{
    const auto found = std::find_if(kColorNames.begin(), kColorNames.end(),
                                    [color](const ColorName& entry) { return entry.color == color; });
    if (found == kColorNames.end())
        return std::nullopt;
    return std::string(found->name);
}

std::optional<TColor> IdentToColor(std::string_view ident)
{
    const auto found = std::find_if(kColorNames.begin(), kColorNames.end(),
                                    [ident](const ColorName& entry) { return SameName(entry.name, ident); });
    if (found == kColorNames.end())
        return std::nullopt;
    return found->color;
}

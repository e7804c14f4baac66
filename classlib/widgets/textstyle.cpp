#include "classlib/widgets/textstyle.h"

#include "classlib/graphics/textfont.h"

#include <QPainter>

namespace {

// The text without its mnemonic marks: "&&" stands for "&", a single "&" only underlines the next character.
QString WithoutMnemonics(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

} // namespace

void TTextStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                              const QString& text, QPalette::ColorRole textRole) const
{
    const TTextFont font(painter->font(), TTextFont::DeviceScale(*painter));
    if (text.isEmpty() || !font.DrawnOwnWay()) {
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        return;
    }
    painter->save();
    if (textRole != QPalette::NoRole)
        painter->setPen(QPen(palette.brush(textRole), painter->pen().widthF()));
    const int mnemonicFlags = Qt::TextShowMnemonic | Qt::TextHideMnemonic;
    const QString shown = (flags & mnemonicFlags) ? WithoutMnemonics(text) : text;
    if (!enabled && proxy()->styleHint(SH_EtchDisabledText)) {
        const QPen pen = painter->pen();
        painter->setPen(palette.light().color());
        font.Draw(*painter, rect.translated(1, 1), flags & ~mnemonicFlags, shown);
        painter->setPen(pen);
    }
    font.Draw(*painter, rect, flags & ~mnemonicFlags, shown);
    painter->restore();
}

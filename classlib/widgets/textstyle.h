// The application's widget style with item texts (button captions, list texts, among others) drawn through
// TTextFont, so that a bitmap font is drawn at the size and weight asked, a scaled display gets readable text,
// and a weak bold face is emboldened.
#pragma once

#include <QProxyStyle>

class TTextStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

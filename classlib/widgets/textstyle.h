// The application's widget style with item texts (button captions, among others) drawn through TTextFont, so
// that a bitmap font is drawn at the size and weight asked and a scaled display gets readable text.
#pragma once

#include <QProxyStyle>

class TTextStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

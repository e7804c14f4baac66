#include "classlib/widgets/bevel.h"

#include "classlib/graphics/canvas.h"

#include "classlib/widgets/accessiblecontrol.h"

#include <QPainter>

namespace {

// Top and left edges in first, bottom and right edges in second, one pixel wide inside rect.
void Box(QPainter& painter, const QRect& rect, const QColor& first, const QColor& second)
{
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), first);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), first);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), second);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), second);
}

} // namespace

TBevel::TBevel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    TAccessibleControl::Install();
}

void TBevel::SetShape(TBevelShape shape)
{
    shape_ = shape;
    update();
}

void TBevel::SetStyle(TBevelStyle style)
{
    style_ = style;
    update();
}

void TBevel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor shadow = ToQColor(clBtnShadow);
    const QColor highlight = ToQColor(clBtnHighlight);
    const QColor first = style_ == bsLowered ? shadow : highlight;
    const QColor second = style_ == bsLowered ? highlight : shadow;
    const int w = width();
    const int h = height();
    switch (shape_) {
    case bsBox:
        Box(painter, rect(), first, second);
        break;
    case bsFrame:
        Box(painter, rect().adjusted(0, 0, -1, -1), first, first);
        Box(painter, rect().adjusted(1, 1, 0, 0), second, second);
        break;
    case bsTopLine:
        painter.fillRect(QRect(0, 0, w, 1), first);
        painter.fillRect(QRect(0, 1, w, 1), second);
        break;
    case bsBottomLine:
        painter.fillRect(QRect(0, h - 2, w, 1), first);
        painter.fillRect(QRect(0, h - 1, w, 1), second);
        break;
    case bsLeftLine:
        painter.fillRect(QRect(0, 0, 1, h), first);
        painter.fillRect(QRect(1, 0, 1, h), second);
        break;
    case bsRightLine:
        painter.fillRect(QRect(w - 2, 0, 1, h), first);
        painter.fillRect(QRect(w - 1, 0, 1, h), second);
        break;
    case bsSpacer:
        break;
    }
}

#include "classlib/widgets/panel.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/base/exception.h"

#include <QPainter>

namespace {

constexpr int kMaxWidth = 32767;

int Checked(int value, int low, const char* what)
{
    if (value < low || value > kMaxWidth)
        throw Exception(AnsiString::FromUtf8(std::string(what) + " " + std::to_string(value) + " is out of range " +
                                             std::to_string(low) + ".." + std::to_string(kMaxWidth)));
    return value;
}

// A frame of width pixels inside rect: top and left edges in topLeft, bottom and right edges in bottomRight.
void Frame3D(QPainter& painter, QRect rect, QColor topLeft, QColor bottomRight, int width)
{
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width() - 1, 1), topLeft);
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), topLeft);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
}

} // namespace

TPanel::TPanel(QWidget* parent) : QWidget(parent)
{
    TAccessibleControl::Install();
}

void TPanel::SetAlign(TControlAlign::TAlign align)
{
    align_ = align;
    if (parentWidget())
        TControlAlign::Arrange(parentWidget());
}

void TPanel::SetBevelInner(TBevelCut cut)
{
    bevelInner_ = cut;
    update();
}

void TPanel::SetBevelOuter(TBevelCut cut)
{
    bevelOuter_ = cut;
    update();
}

void TPanel::SetBevelWidth(int width)
{
    bevelWidth_ = Checked(width, 1, "BevelWidth");
    update();
}

void TPanel::SetBorderWidth(int width)
{
    borderWidth_ = Checked(width, 0, "BorderWidth");
    update();
}

void TPanel::SetCaption(const AnsiString& caption)
{
    caption_ = caption;
    update();
}

QRect TPanel::DrawBevel(TCanvas& canvas, QRect rect, TBevelCut cut) const
{
    if (cut == bvNone)
        return rect;
    const QColor light = ToQColor(clBtnHighlight);
    const QColor dark = ToQColor(clBtnShadow);
    if (cut == bvLowered)
        Frame3D(canvas.Painter(), rect, dark, light, bevelWidth_);
    else if (cut == bvRaised)
        Frame3D(canvas.Painter(), rect, light, dark, bevelWidth_);
    return rect.adjusted(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
}

void TPanel::paintEvent(QPaintEvent*)
{
    TCanvas canvas(this);
    const TColor color = TControlProperties::Color(this);
    canvas.Brush.Color = color;
    canvas.FillRect(rect());
    QRect inside = DrawBevel(canvas, rect(), bevelOuter_);
    inside.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    DrawBevel(canvas, inside, bevelInner_);
    if (caption_.IsEmpty())
        return;
    canvas.Painter().setFont(font());
    canvas.Painter().setPen(ToQColor(isEnabled() ? TControlProperties::FontColor(this) : clGrayText));
    canvas.Painter().drawText(rect(), Qt::AlignCenter, QString::fromStdString(caption_.ToUtf8()));
}

void TPanel::resizeEvent(QResizeEvent* event)
{
    TControlAlign::Arrange(this);
    QWidget::resizeEvent(event);
}

void TPanel::showEvent(QShowEvent* event)
{
    TControlAlign::Arrange(this);
    QWidget::showEvent(event);
}

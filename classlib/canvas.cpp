#include "classlib/canvas.h"

#include "classlib/graphic.h"

TCanvas::TCanvas(QPaintDevice* device)
    : ownPainter_(std::make_unique<QPainter>(device)), painter_(ownPainter_.get())
{
}

TCanvas::TCanvas(QPainter& painter) : painter_(&painter) {}

TCanvas::~TCanvas() = default;

void TCanvas::StretchDraw(const QRect& rect, const TGraphic& graphic)
{
    graphic.Draw(*this, rect);
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    graphic.Draw(*this, QRect(x, y, graphic.Width(), graphic.Height()));
}

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

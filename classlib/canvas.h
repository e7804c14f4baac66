// A thin canvas over QPainter offering the drawing operations the components use.
#pragma once

#include "classlib/tcolor.h"

#include <QPainter>

#include <memory>

class TGraphic;

class TCanvas {
public:
    // Paints on device with a painter of its own, ended when the canvas goes.
    explicit TCanvas(QPaintDevice* device);
    // Paints through a painter that the caller owns.
    explicit TCanvas(QPainter& painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QPainter& Painter() { return *painter_; }

    void StretchDraw(const QRect& rect, const TGraphic& graphic);
    void Draw(int x, int y, const TGraphic& graphic);

private:
    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_;
};

// Qt colour of a colour value (system colours resolved).
QColor ToQColor(TColor color);

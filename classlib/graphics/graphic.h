// Base of every picture kind: bitmaps, icons and PNG pictures.
#pragma once

#include <QRect>

class TCanvas;

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    // Draws the picture stretched to rect.
    virtual void Draw(TCanvas& canvas, const QRect& rect) const = 0;
};

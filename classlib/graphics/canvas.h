// A thin canvas over QPainter offering the drawing operations the components use.
// Rectangles cover their pixels as QRect(x, y, width, height) does: the right and bottom edges
// (x + width, y + height) lie outside, as with the platform's own rectangles.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/tcolor.h"
#include "classlib/graphics/textfont.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <memory>

class TGraphic;

enum TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    // bsClear (hollow): shapes are not filled and text is drawn without a background.
    TBrushStyle Style = bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
};

struct TFont {
    AnsiString Name = "Tahoma";
    // Points at 96 pixels per inch.
    int Size = 8;
    // Character height in pixels when not zero (its sign ignored; the class library writes it negative);
    // zero: Size decides.
    int Height = 0;
    TColor Color = clWindowText;
    // The styles fsBold, fsItalic, fsUnderline, fsStrikeOut.
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    // The font of a widget (family, height, styles), in the given colour.
    static TFont FromQFont(const QFont& font, TColor color);

    // The tallest font drawn; larger heights are held at this.
    static constexpr int kMaxPixelHeight = 32767;

    // Font height in pixels: |Height|, or Size × 96 / 72 rounded (0 for a negative Size), at most
    // kMaxPixelHeight.
    int PixelHeight() const;
    QFont ToQFont() const;
};

// Flags of DrawText: horizontal placement, and vertical placement, which only a single line takes (several
// lines, or one without DT_SINGLELINE, start at the top).
enum TDrawTextFlag : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_SINGLELINE = 0x20,
};

// The two ways of the two-vertex rectangle gradient: colour changing from left to right, or from top to bottom.
enum TGradientFillMode { GRADIENT_FILL_RECT_H, GRADIENT_FILL_RECT_V };

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

    TBrush Brush;
    TPen Pen;
    TFont Font;

    // Fills rect with the brush colour (whatever the brush style), without an outline.
    void FillRect(const QRect& rect);
    // Outline with the pen, inside rect, and the inside filled with the brush unless it is hollow.
    void Rectangle(const QRect& rect);
    // As Rectangle, with corners rounded by an ellipse of ellipseWidth × ellipseHeight.
    void RoundRect(const QRect& rect, int ellipseWidth, int ellipseHeight);
    // One line of text with its top-left corner at (x, y); the background is the brush unless it is hollow.
    void TextOut(int x, int y, const AnsiString& text);
    // Text placed in rect by the flags and clipped to it; lines break at line feeds unless DT_SINGLELINE.
    // The background behind the text is the brush unless it is hollow.
    void DrawText(const AnsiString& text, const QRect& rect, unsigned flags);
    int TextWidth(const AnsiString& text);
    int TextHeight(const AnsiString& text);
    // Fills rect with a gradient from first (left or top edge) to second (just past the right or bottom edge).
    void GradientFill(const QRect& rect, TColor first, TColor second, TGradientFillMode mode);

    // Draws image stretched to rect, blended by its alpha channel over what is there (smoothed when stretched,
    // by the painter or by a scaled display).
    void DrawImage(const QRect& rect, const QImage& image);
    void StretchDraw(const QRect& rect, const TGraphic& graphic);
    void Draw(int x, int y, const TGraphic& graphic);

private:
    // Sets the font into the painter; how it is drawn there.
    TTextFont UseFont();
    void UseShapeTools();

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_;
};

// Qt colour of a colour value (system colours resolved).
QColor ToQColor(TColor color);
// The same as a QRgb (opaque), and the colour value of a QRgb (its alpha dropped).
QRgb ToQRgb(TColor color);
TColor FromQRgb(QRgb rgb);

#include "classlib/graphics/canvas.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include <climits>
#include <cstdint>
#include <utility>

namespace {

constexpr QRgb kBackground = 0xFF102030;

QImage Surface(int width = 40, int height = 30)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

QRgb Rgb(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// Pixels of image that differ from the background, counted inside and outside rect.
struct Changed {
    int inside = 0;
    int outside = 0;
};

Changed ChangedPixels(const QImage& image, const QRect& rect)
{
    Changed changed;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kBackground)
                ++(rect.contains(x, y) ? changed.inside : changed.outside);
        }
    }
    return changed;
}

} // namespace

TEST(Canvas, FillRectCoversExactlyItsPixelsWithTheResolvedBrushColour)
{
    QImage image = Surface();
    {
        TCanvas canvas(&image);
        canvas.Brush.Color = clBtnFace;
        canvas.Brush.Style = bsClear;
        canvas.FillRect(QRect(5, 4, 10, 6));
    }
    EXPECT_EQ(image.pixel(5, 4), Rgb(clBtnFace));
    EXPECT_EQ(image.pixel(14, 9), Rgb(clBtnFace));
    EXPECT_EQ(image.pixel(15, 9), kBackground);
    EXPECT_EQ(image.pixel(14, 10), kBackground);
    EXPECT_EQ(image.pixel(4, 4), kBackground);
    EXPECT_EQ(ChangedPixels(image, QRect(5, 4, 10, 6)).outside, 0);
}

TEST(Canvas, RectangleOutlinesWithThePenInsideAndFillsWithTheBrush)
{
    QImage image = Surface();
    const QRect rect(2, 3, 12, 8);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.Brush.Color = clWhite;
        canvas.Rectangle(rect);
    }
    for (int x = rect.left(); x <= rect.right(); ++x) {
        EXPECT_EQ(image.pixel(x, rect.top()), Rgb(clRed)) << x;
        EXPECT_EQ(image.pixel(x, rect.bottom()), Rgb(clRed)) << x;
    }
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        EXPECT_EQ(image.pixel(rect.left(), y), Rgb(clRed)) << y;
        EXPECT_EQ(image.pixel(rect.right(), y), Rgb(clRed)) << y;
    }
    EXPECT_EQ(image.pixel(rect.left() + 1, rect.top() + 1), Rgb(clWhite));
    EXPECT_EQ(image.pixel(rect.right() - 1, rect.bottom() - 1), Rgb(clWhite));
    EXPECT_EQ(ChangedPixels(image, rect).outside, 0);
}

TEST(Canvas, HollowRectangleWithAWidePenLeavesTheInside)
{
    QImage image = Surface();
    const QRect rect(4, 4, 14, 10);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clNavy;
        canvas.Pen.Width = 2;
        canvas.Brush.Style = bsClear;
        canvas.Rectangle(rect);
    }
    EXPECT_EQ(image.pixel(4, 8), Rgb(clNavy));
    EXPECT_EQ(image.pixel(5, 8), Rgb(clNavy));
    EXPECT_EQ(image.pixel(6, 8), kBackground);
    EXPECT_EQ(image.pixel(17, 8), Rgb(clNavy));
    EXPECT_EQ(image.pixel(16, 8), Rgb(clNavy));
    EXPECT_EQ(image.pixel(15, 8), kBackground);
    EXPECT_EQ(image.pixel(10, 12), Rgb(clNavy));
    EXPECT_EQ(image.pixel(10, 11), kBackground);
    EXPECT_EQ(ChangedPixels(image, rect).outside, 0);
}

TEST(Canvas, RoundRectCutsItsCorners)
{
    QImage image = Surface();
    const QRect rect(3, 3, 20, 16);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clBlack;
        canvas.Brush.Color = clCream;
        canvas.RoundRect(rect, 9, 9);
    }
    EXPECT_EQ(image.pixel(rect.left(), rect.top()), kBackground);
    EXPECT_EQ(image.pixel(rect.right(), rect.bottom()), kBackground);
    EXPECT_EQ(image.pixel(rect.center().x(), rect.top()), Rgb(clBlack));
    EXPECT_EQ(image.pixel(rect.left(), rect.center().y()), Rgb(clBlack));
    EXPECT_EQ(image.pixel(rect.right(), rect.center().y()), Rgb(clBlack));
    EXPECT_EQ(image.pixel(rect.center().x(), rect.bottom()), Rgb(clBlack));
    EXPECT_EQ(image.pixel(rect.center().x(), rect.center().y()), Rgb(clCream));
    EXPECT_EQ(ChangedPixels(image, rect).outside, 0);
}

TEST(Canvas, TextOutFillsItsCellWithASolidBrushAndDrawsInTheFontColour)
{
    QImage image = Surface(120, 40);
    const AnsiString text = AnsiString::FromUtf8("Стираем");
    QRect cell;
    {
        TCanvas canvas(&image);
        canvas.Font.Name = "DejaVu Sans";
        canvas.Font.Size = 10;
        canvas.Font.Color = clRed;
        canvas.Brush.Color = clWhite;
        cell = QRect(6, 5, canvas.TextWidth(text), canvas.TextHeight(text));
        canvas.TextOut(6, 5, text);
    }
    ASSERT_GT(cell.width(), 30);
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = 10;
    EXPECT_EQ(cell.height(), QFontMetrics(font.ToQFont()).height());
    EXPECT_EQ(image.pixel(cell.topLeft()), Rgb(clWhite));
    EXPECT_EQ(image.pixel(cell.bottomRight()), Rgb(clWhite));
    EXPECT_EQ(ChangedPixels(image, cell).outside, 0);
    // Glyph pixels: red, blended into white at their edges.
    int red = 0;
    int other = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            red += qRed(pixel) == 255 && qGreen(pixel) < 128;
            other += qRed(pixel) != 255 || qGreen(pixel) != qBlue(pixel);
        }
    }
    EXPECT_GT(red, 40);
    EXPECT_EQ(other, 0);
}

TEST(Canvas, TextOutWithAHollowBrushDrawsOnlyTheGlyphs)
{
    QImage image = Surface(120, 40);
    {
        TCanvas canvas(&image);
        canvas.Font.Color = clWhite;
        canvas.Font.Size = 12;
        canvas.Brush.Style = bsClear;
        canvas.TextOut(4, 4, "Il");
    }
    EXPECT_EQ(image.pixel(4, 4), kBackground);
    const Changed changed = ChangedPixels(image, QRect(0, 0, 120, 40));
    EXPECT_GT(changed.inside, 10);
    EXPECT_LT(changed.inside, 300);
}

TEST(Canvas, BoldTextIsWiderAndFontSizeIsInPointsAt96Dpi)
{
    QImage image = Surface();
    TCanvas canvas(&image);
    canvas.Font.Name = "DejaVu Sans";
    const int regular = canvas.TextWidth("Zentor settings");
    canvas.Font.Bold = true;
    EXPECT_GT(canvas.TextWidth("Zentor settings"), regular);
    for (const auto& [size, pixels] : {std::pair{8, 11}, std::pair{10, 13}, std::pair{18, 24}}) {
        TFont font;
        font.Size = size;
        EXPECT_EQ(font.PixelHeight(), pixels) << size;
    }
}

// Sizes and heights from outside (description lines, forms) may be anything an int holds; the height stays a
// pixel count from 0 to the largest font height, and painting with it still works.
TEST(Canvas, ExtremeFontSizesGiveHeightsInsideTheLimit)
{
    const struct {
        int size;
        int height;
        int pixels;
    } cases[] = {
        {INT_MAX, 0, TFont::kMaxPixelHeight},      {100000000, 0, TFont::kMaxPixelHeight},
        {INT_MIN, 0, 0},                           {-10, 0, 0},
        {8, INT_MIN, TFont::kMaxPixelHeight},      {8, INT_MAX, TFont::kMaxPixelHeight},
        {8, -TFont::kMaxPixelHeight, TFont::kMaxPixelHeight},
    };
    for (const auto& c : cases) {
        TFont font;
        font.Size = c.size;
        font.Height = c.height;
        EXPECT_EQ(font.PixelHeight(), c.pixels) << c.size << " " << c.height;
    }
    QImage image = Surface();
    TCanvas canvas(&image);
    canvas.Font.Size = INT_MAX;
    canvas.TextOut(0, 0, "Z");
    EXPECT_GT(canvas.TextWidth("Z"), 0);
}

// The row of the longest horizontal run of changed pixels in image, and that run's length.
struct InkRun {
    int row = -1;
    int length = 0;
};

InkRun LongestInkRun(const QImage& image)
{
    InkRun longest;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = image.pixel(x, y) != kBackground ? run + 1 : 0;
            if (run > longest.length)
                longest = {y, run};
        }
    }
    return longest;
}

// "i i i" in white at (4, 4) with the given style; blanks between the letters leave no ink of their own.
QImage SpacedLetters(void (*style)(TFont&))
{
    QImage image = Surface(120, 40);
    TCanvas canvas(&image);
    canvas.Font.Name = "DejaVu Sans";
    canvas.Font.Size = 14;
    canvas.Font.Color = clWhite;
    canvas.Brush.Style = bsClear;
    style(canvas.Font);
    canvas.TextOut(4, 4, "i i i");
    return image;
}

TEST(Canvas, UnderlineAndStrikeOutDrawALineAcrossTheTextBelowAndThroughTheLetters)
{
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = 14;
    const QFontMetrics metrics(font.ToQFont());
    const int baseline = 4 + metrics.ascent();
    const int width = metrics.horizontalAdvance("i i i");
    const InkRun plain = LongestInkRun(SpacedLetters([](TFont&) {}));
    const InkRun underline = LongestInkRun(SpacedLetters([](TFont& f) { f.Underline = true; }));
    const InkRun strikeOut = LongestInkRun(SpacedLetters([](TFont& f) { f.StrikeOut = true; }));
    const InkRun italic = LongestInkRun(SpacedLetters([](TFont& f) { f.Italic = true; }));
    EXPECT_LT(plain.length, width / 3);
    EXPECT_LT(italic.length, width / 3);
    EXPECT_GE(underline.length, width - 2);
    EXPECT_GE(underline.row, baseline);
    EXPECT_GE(strikeOut.length, width - 2);
    EXPECT_LT(strikeOut.row, baseline);
    EXPECT_GT(strikeOut.row, 4);
}

TEST(Canvas, ItalicSlantsTheLetters)
{
    const QImage upright = SpacedLetters([](TFont&) {});
    const QImage italic = SpacedLetters([](TFont& f) { f.Italic = true; });
    // An upright "i" has the same columns of ink at its top and at its foot; a slanted one leans right.
    const auto inkColumns = [](const QImage& image, int row) {
        int first = -1;
        for (int x = 0; x < image.width() && first < 0; ++x)
            first = image.pixel(x, row) != kBackground ? x : -1;
        return first;
    };
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = 14;
    const QFontMetrics metrics(font.ToQFont());
    const int foot = 4 + metrics.ascent() - 1;
    const int stem = 4 + metrics.ascent() - metrics.xHeight() + 1;
    EXPECT_EQ(inkColumns(upright, stem), inkColumns(upright, foot));
    EXPECT_GT(inkColumns(italic, stem), inkColumns(italic, foot));
}

TEST(Canvas, AWidgetFontKeepsItsFamilyPixelHeightWeightAndStyles)
{
    struct Case {
        QFont font;
        int pixels;
    };
    QFont pixelSized("DejaVu Sans");
    pixelSized.setPixelSize(19);
    pixelSized.setBold(true);
    pixelSized.setUnderline(true);
    pixelSized.setStrikeOut(true);
    QFont pointSized("DejaVu Sans");
    pointSized.setPointSize(10);
    pointSized.setItalic(true);
    for (const Case& c : {Case{pixelSized, 19}, Case{pointSized, 13}}) {
        const TFont font = TFont::FromQFont(c.font, clNavy);
        EXPECT_EQ(font.PixelHeight(), c.pixels);
        EXPECT_EQ(font.Color, clNavy);
        const QFont back = font.ToQFont();
        EXPECT_EQ(back.pixelSize(), c.pixels);
        EXPECT_EQ(back.family(), c.font.family());
        EXPECT_EQ(back.bold(), c.font.bold());
        EXPECT_EQ(back.italic(), c.font.italic());
        EXPECT_EQ(back.underline(), c.font.underline());
        EXPECT_EQ(back.strikeOut(), c.font.strikeOut());
    }
    TFont negative;
    negative.Size = 30;
    negative.Height = -24;
    EXPECT_EQ(negative.PixelHeight(), 24);
}

TEST(Canvas, HorizontalGradientRunsFromTheFirstColourTowardsTheSecond)
{
    QImage image = Surface();
    {
        TCanvas canvas(&image);
        canvas.GradientFill(QRect(10, 2, 4, 5), RGBColor(0, 200, 40), RGBColor(255, 0, 40), GRADIENT_FILL_RECT_H);
    }
    // Channel at column i of n: (first × (n − i) + second × i) / n on 16-bit values, back to 8 bits.
    EXPECT_EQ(image.pixel(10, 2), qRgb(0, 200, 40));
    EXPECT_EQ(image.pixel(11, 4), qRgb(63, 150, 40));
    EXPECT_EQ(image.pixel(12, 6), qRgb(127, 100, 40));
    EXPECT_EQ(image.pixel(13, 3), qRgb(191, 50, 40));
    EXPECT_EQ(image.pixel(14, 3), kBackground);
    EXPECT_EQ(ChangedPixels(image, QRect(10, 2, 4, 5)).outside, 0);
}

TEST(Canvas, VerticalGradientChangesFromRowToRow)
{
    QImage image = Surface();
    {
        TCanvas canvas(&image);
        canvas.GradientFill(QRect(0, 0, 3, 2), clSilver, clWhite, GRADIENT_FILL_RECT_V);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(2, 0), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(1, 1), qRgb(223, 223, 223));
    EXPECT_EQ(image.pixel(0, 2), kBackground);
}

TEST(Canvas, DrawImageBlendsByAlpha)
{
    QImage image = Surface(4, 4);
    image.fill(Qt::white);
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(255, 0, 0, 128));
    picture.setPixel(1, 1, qRgba(0, 0, 255, 0));
    {
        TCanvas canvas(&image);
        canvas.DrawImage(QRect(1, 1, 2, 2), picture);
    }
    const QRgb half = image.pixel(1, 1);
    EXPECT_EQ(qRed(half), 255);
    EXPECT_NEAR(qGreen(half), 127, 1);
    EXPECT_NEAR(qBlue(half), 127, 1);
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(Canvas, LongGradientsBlendAlongTheirWholeLength)
{
    // Channel at step i of n: (first × (n − i) + second × i) / n on 16-bit values, back to 8 bits.
    const auto expected = [](int step, int steps) { return int(std::int64_t(0xFF00) * step / steps >> 8); };
    for (const int steps : {32896, 32897, 40000, 70000}) {
        for (const TGradientFillMode mode : {GRADIENT_FILL_RECT_H, GRADIENT_FILL_RECT_V}) {
            const bool horizontal = mode == GRADIENT_FILL_RECT_H;
            QImage image = horizontal ? Surface(steps, 1) : Surface(1, steps);
            {
                TCanvas canvas(&image);
                canvas.GradientFill(image.rect(), clBlack, clWhite, mode);
            }
            for (const int step : {0, 1, steps / 2, steps - 2, steps - 1}) {
                const QRgb pixel = horizontal ? image.pixel(step, 0) : image.pixel(0, step);
                EXPECT_EQ(pixel, qRgb(expected(step, steps), expected(step, steps), expected(step, steps)))
                    << steps << " steps, step " << step << (horizontal ? " across" : " down");
            }
        }
    }
}

namespace {

// The box of the pixels that differ from the background.
QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kBackground)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(Canvas, DrawTextPlacesTextByItsFlagsAndClipsToTheRectangle)
{
    const QRect place(10, 5, 100, 30);
    const struct {
        const char* name;
        unsigned flags;
        int left, right; // where the ink may start and end horizontally
        int top, bottom; // and vertically
    } cases[] = {
        {"left, top", DT_LEFT, 10, 40, 5, 20},
        {"right", DT_RIGHT, 80, 110, 5, 20},
        {"centre", DT_CENTER, 45, 75, 5, 20},
        {"vertical centre needs a single line", DT_VCENTER, 10, 40, 5, 20},
        {"single line, vertical centre", DT_VCENTER | DT_SINGLELINE, 10, 40, 10, 30},
        {"single line, bottom", DT_BOTTOM | DT_SINGLELINE, 10, 40, 18, 35},
    };
    for (const auto& c : cases) {
        QImage image = Surface(120, 40);
        {
            TCanvas canvas(&image);
            canvas.Font.Name = "DejaVu Sans";
            canvas.Font.Size = 9;
            canvas.Font.Color = clWhite;
            canvas.Brush.Style = bsClear;
            canvas.DrawText("Wide", place, c.flags);
        }
        const QRect ink = InkBox(image);
        EXPECT_GE(ink.left(), c.left) << c.name;
        EXPECT_LE(ink.right(), c.right) << c.name;
        EXPECT_GE(ink.top(), c.top) << c.name;
        EXPECT_LE(ink.bottom(), c.bottom) << c.name;
    }
    QImage clipped = Surface(120, 40);
    {
        TCanvas canvas(&clipped);
        canvas.Brush.Color = clRed;
        canvas.DrawText("A text far wider than its little box", QRect(4, 4, 20, 8), DT_LEFT);
    }
    EXPECT_EQ(ChangedPixels(clipped, QRect(4, 4, 20, 8)).outside, 0);
    EXPECT_EQ(clipped.pixel(4, 4), Rgb(clRed));
}

// On a display of twice the pixels a picture drawn at its own size is enlarged, smoothly: between a black and a
// white pixel there is grey, not a block edge.
TEST(Canvas, PictureOnAScaledDisplayIsEnlargedSmoothly)
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgb(0, 0, 0));
    picture.setPixel(1, 0, qRgb(255, 255, 255));
    QImage display(8, 4, QImage::Format_RGB32);
    display.setDevicePixelRatio(2);
    display.fill(Qt::red);
    {
        TCanvas canvas(&display);
        canvas.DrawImage(QRect(1, 0, 2, 1), picture);
    }
    const int middle = qGray(display.pixel(3, 0));
    EXPECT_GT(middle, 20);
    EXPECT_LT(middle, 235);
}

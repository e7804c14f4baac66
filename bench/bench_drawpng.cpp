// DrawPNG of a 32 × 32 RGBA picture, without options and with the disabled look (blend and grey), against
// QPainter::drawImage of the same picture (premultiplied, and straight alpha as TPNGObject::ToQImage gives
// it), on the same 64 × 64 premultiplied canvas in the same run. Prints the ratios. The picture is drawn
// as controls hold it (assigned, no row handed out) and as built here through its rows, which makes each
// draw compare the rows with those the drawn image was made from.
#include "bench/ratioreporter.h"
#include "classlib/graphics/canvas.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

constexpr int kSide = 32;
const QRect kTarget(16, 16, kSide, kSide);

// A picture with a colour gradient and alpha running from transparent to opaque.
const TPNGObject& Picture()
{
    static const TPNGObject png = [] {
        TPNGObject picture;
        picture.CreateBlank(COLOR_RGBALPHA, 8, kSide, kSide);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                picture.SetPixel(x, y, RGBColor(std::uint8_t(x * 8), std::uint8_t(y * 8), 128));
                picture.AlphaScanline(y)[x] = std::uint8_t((x + y) * 4);
            }
        }
        return picture;
    }();
    return png;
}

QImage Surface()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

void DrawImagePremultiplied(benchmark::State& state)
{
    const QImage picture = Picture().ToQImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        canvas.Painter().drawImage(kTarget, picture);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawImagePremultiplied);

void DrawImageStraightAlpha(benchmark::State& state)
{
    const QImage picture = Picture().ToQImage();
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        canvas.Painter().drawImage(kTarget, picture);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawImageStraightAlpha);

// The picture as a control holds it after SetPngPicture.
const TPNGObject& HeldPicture()
{
    static const TPNGObject png = [] {
        TPNGObject held;
        held.Assign(Picture());
        return held;
    }();
    return png;
}

void DrawPngPlainHeld(benchmark::State& state)
{
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        DrawPNG(HeldPicture(), canvas, kTarget, {});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawPngPlainHeld);

void DrawPngBlendGreyHeld(benchmark::State& state)
{
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        DrawPNG(HeldPicture(), canvas, kTarget, {pngBlendOnDisabled, pngGrayscaleOnDisabled});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawPngBlendGreyHeld);

void DrawPngPlain(benchmark::State& state)
{
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        DrawPNG(Picture(), canvas, kTarget, {});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawPngPlain);

void DrawPngBlendGrey(benchmark::State& state)
{
    QImage surface = Surface();
    TCanvas canvas(&surface);
    for (auto _ : state) {
        DrawPNG(Picture(), canvas, kTarget, {pngBlendOnDisabled, pngGrayscaleOnDisabled});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawPngBlendGrey);

// The same with a picture that changes before every draw, so the effects are worked out each time.
void DrawPngBlendGreyChanging(benchmark::State& state)
{
    TPNGObject picture(Picture());
    QImage surface = Surface();
    TCanvas canvas(&surface);
    std::uint8_t step = 0;
    for (auto _ : state) {
        picture.AlphaScanline(0)[0] = step++;
        DrawPNG(picture, canvas, kTarget, {pngBlendOnDisabled, pngGrayscaleOnDisabled});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawPngBlendGreyChanging);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* measured : {"DrawPngPlainHeld", "DrawPngBlendGreyHeld", "DrawPngPlain", "DrawPngBlendGrey",
                                 "DrawPngBlendGreyChanging"}) {
        reporter.PrintRatio(measured, "DrawImagePremultiplied");
        reporter.PrintRatio(measured, "DrawImageStraightAlpha");
    }
    benchmark::Shutdown();
    return 0;
}

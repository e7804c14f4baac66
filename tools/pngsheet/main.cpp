// Shows PNG pictures drawn with each drawing effect side by side. Without a display the sheet is
// written to a PNG file in the temporary folder and its path printed.
#include "classlib/graphics/canvas.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPictureSize = 48;
constexpr int kCellWidth = 96;
constexpr int kCellHeight = 96;
constexpr int kLabelWidth = 120;
constexpr int kTitleHeight = 34;
constexpr int kBackdrop = 64;

struct Effect {
    const char* caption;
    TPngOptions options;
};

const std::vector<Effect>& Effects()
{
    static const std::vector<Effect> effects = {
        {"none", {}},
        {"blend", {pngBlendOnDisabled}},
        {"grey", {pngGrayscaleOnDisabled}},
        {"blend + grey", {pngBlendOnDisabled, pngGrayscaleOnDisabled}},
        {"brighter", {pngBrighter}},
        {"darker", {pngDarker}},
    };
    return effects;
}

struct Row {
    std::string label;
    TPNGObject picture;
};

// A 48 × 48 picture with gradients and partial alpha, passed through a PNG file as every picture is.
TPNGObject GeneratedPicture()
{
    QImage image(kPictureSize, kPictureSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient body(0, 0, 0, kPictureSize);
        body.setColorAt(0, QColor(40, 140, 255, 230));
        body.setColorAt(1, QColor(10, 40, 140, 230));
        painter.setBrush(body);
        painter.setPen(QPen(QColor(0, 20, 80), 2));
        painter.drawRoundedRect(QRectF(3, 3, 42, 42), 9, 9);
        QRadialGradient lamp(QPointF(31, 17), 13);
        lamp.setColorAt(0, QColor(255, 240, 120, 255));
        lamp.setColorAt(1, QColor(255, 120, 0, 90));
        painter.setBrush(lamp);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(31, 17), 11, 11);
        QPainterPath check;
        check.moveTo(10, 27);
        check.lineTo(18, 36);
        check.lineTo(32, 30);
        painter.setPen(QPen(QColor(255, 255, 255, 200), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(check);
    }
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    std::istringstream stream(file.toStdString());
    TPNGObject png;
    png.LoadFromStream(stream);
    return png;
}

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    rows.push_back({"generated 48 x 48", GeneratedPicture()});
    for (const char* name : {"basn6a08.png", "tbbn3p08.png"}) {
        const std::string path = std::string(ZENTOR_TESTDATA_DIR) + "/pngsuite/" + name;
        if (!QFileInfo::exists(QString::fromStdString(path)))
            continue;
        TPNGObject png;
        png.LoadFromFile(path);
        rows.push_back({name, png});
    }
    return rows;
}

QSize SheetSize(std::size_t rowCount)
{
    return QSize(kLabelWidth + kCellWidth * int(Effects().size()), kTitleHeight + kCellHeight * int(rowCount));
}

// A checkerboard behind each picture, so that its transparency shows.
void PaintBackdrop(TCanvas& canvas, const QRect& area)
{
    constexpr int square = 8;
    for (int y = 0; y < area.height(); y += square) {
        for (int x = 0; x < area.width(); x += square) {
            canvas.Brush.Color = ((x + y) / square) % 2 == 0 ? clWhite : RGBColor(204, 204, 204);
            canvas.FillRect(QRect(area.x() + x, area.y() + y, square, square));
        }
    }
    canvas.Pen.Color = clGray;
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(area.adjusted(-1, -1, 1, 1));
    canvas.Brush.Style = bsSolid;
}

void PaintCaption(TCanvas& canvas, const QRect& cell, const AnsiString& text)
{
    canvas.Font.Color = clBlack;
    canvas.Font.Bold = false;
    canvas.Brush.Style = bsClear;
    canvas.TextOut(cell.x() + (cell.width() - canvas.TextWidth(text)) / 2, cell.bottom() - canvas.TextHeight(text) - 4,
                   text);
    canvas.Brush.Style = bsSolid;
}

void PaintTitle(TCanvas& canvas, int width)
{
    canvas.GradientFill(QRect(0, 0, width, kTitleHeight), clNavy, RGBColor(90, 150, 220), GRADIENT_FILL_RECT_H);
    canvas.Font.Color = clWhite;
    canvas.Font.Bold = true;
    canvas.Font.Size = 11;
    canvas.Brush.Style = bsClear;
    const AnsiString title = "DrawPNG effects";
    canvas.TextOut(10, (kTitleHeight - canvas.TextHeight(title)) / 2, title);
    canvas.Brush.Style = bsSolid;
    canvas.Font.Size = 9;
}

void PaintRow(TCanvas& canvas, const Row& row, int top)
{
    canvas.Font.Color = clBlack;
    canvas.Font.Bold = true;
    canvas.Brush.Style = bsClear;
    canvas.TextOut(8, top + (kCellHeight - canvas.TextHeight(row.label.c_str())) / 2 - 8,
                   AnsiString::FromUtf8(row.label));
    canvas.Brush.Style = bsSolid;
    for (std::size_t i = 0; i < Effects().size(); ++i) {
        const QRect cell(kLabelWidth + kCellWidth * int(i), top, kCellWidth, kCellHeight);
        const QRect backdrop(cell.x() + (kCellWidth - kBackdrop) / 2, top + 6, kBackdrop, kBackdrop);
        PaintBackdrop(canvas, backdrop);
        const QRect target(backdrop.x() + (kBackdrop - kPictureSize) / 2, backdrop.y() + (kBackdrop - kPictureSize) / 2,
                           kPictureSize, kPictureSize);
        DrawPNG(row.picture, canvas, target, Effects()[i].options);
        PaintCaption(canvas, cell, Effects()[i].caption);
    }
}

void PaintSheet(TCanvas& canvas, const std::vector<Row>& rows)
{
    const QSize size = SheetSize(rows.size());
    canvas.Brush.Color = clBtnFace;
    canvas.FillRect(QRect(QPoint(0, 0), size));
    PaintTitle(canvas, size.width());
    for (std::size_t r = 0; r < rows.size(); ++r)
        PaintRow(canvas, rows[r], kTitleHeight + kCellHeight * int(r));
}

class SheetWidget : public QWidget {
public:
    explicit SheetWidget(std::vector<Row> rows) : rows_(std::move(rows))
    {
        setWindowTitle("pngsheet");
        setFixedSize(SheetSize(rows_.size()));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        TCanvas canvas(this);
        PaintSheet(canvas, rows_);
    }

private:
    std::vector<Row> rows_;
};

bool DisplayAvailable()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform).rfind("offscreen", 0) == 0)
        return false;
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

// The free fonts named like the window's fonts, when the system has them.
void RegisterFonts()
{
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = QStringLiteral("/usr/share/wine/fonts/") + file;
        if (QFileInfo::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

int RenderToFile(const std::vector<Row>& rows)
{
    QImage sheet(SheetSize(rows.size()), QImage::Format_ARGB32_Premultiplied);
    {
        TCanvas canvas(&sheet);
        PaintSheet(canvas, rows);
    }
    const QString path = QDir(QDir::tempPath()).filePath("pngsheet.png");
    if (!sheet.save(path, "PNG")) {
        std::fprintf(stderr, "pngsheet: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool display = DisplayAvailable();
    if (!display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterFonts();
    const std::vector<Row> rows = Rows();
    if (!display)
        return RenderToFile(rows);
    SheetWidget widget(rows);
    widget.show();
    return app.exec();
}

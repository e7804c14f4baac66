// screenshot: saves a picture of an X window (or of the whole screen) on $DISPLAY as a PNG file, and
// prints the colour of chosen points of the picture, one "X,Y #RRGGBB" line each, and a digest of the
// pixels of chosen rectangles, one "X,Y,W,H <hex>" line each, so that a script can tell when a part of
// the window changes its look. With --ink it measures the dark text in a rectangle. With --text it also tells which of the candidate texts a one-line text
// field shows, by drawing each candidate as the field draws its text (through the class library's text
// drawing, which emboldens a weak bold face) and comparing the pixels.
#include "classlib/graphics/textfont.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: screenshot FILE [--window ID] [--pixel X,Y]...\n"
    "  FILE          the PNG file to write; - for none\n"
    "  --window ID   the X window to take (decimal or 0x hexadecimal); default: the whole screen\n"
    "  --pixel X,Y   print the colour at X,Y of the picture\n"
    "  --region X,Y,W,H  print a digest of the pixels of that rectangle of the picture\n"
    "  --ink X,Y,W,H     print \"X,Y,W,H ink HEIGHT GAP\": the rows from the first to the last one with ink\n"
    "                    (pixels nearer the rectangle's darkest grey than its lightest), and the widest run of\n"
    "                    columns without ink between the first and the last such column; \"0 0\" when none\n"
    "  --text X,Y,W,H    print \"text: \" and the candidate that the rectangle shows, drawn black on the colour\n"
    "                    of its top left pixel, left-aligned 3 pixels in and centred vertically; \"text: ?\"\n"
    "                    when none matches\n"
    "  --font FAMILY:PIXELS[:bold]  the font of the text (default Tahoma:16:bold)\n"
    "  --candidate TEXT  a text the rectangle may show (UTF-8); repeatable\n";

// The wine package's fonts, which the program registers too, so that both draw with the same font.
const char* const kFontFiles[] = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf",
                                  "/usr/share/wine/fonts/ms_sans_serif.ttf"};
constexpr int kTextIndent = 3;

struct TArguments {
    QString File;
    WId Window = 0;
    std::vector<QPoint> Pixels;
    std::vector<QRect> Regions;
    std::vector<QRect> Inks;
    std::optional<QRect> TextRect;
    QFont TextFont;
    std::vector<QString> Candidates;
};

std::optional<QFont> ParseFont(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = false;
    const int pixels = parts.value(1).toInt(&ok);
    if (parts.size() < 2 || parts.size() > 3 || !ok || pixels <= 0)
        return std::nullopt;
    if (parts.size() == 3 && parts[2] != QLatin1String("bold"))
        return std::nullopt;
    QFont font(parts[0]);
    font.setPixelSize(pixels);
    font.setBold(parts.size() == 3);
    return font;
}

std::optional<std::vector<int>> ParseNumbers(const QString& text, qsizetype count)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count)
        return std::nullopt;
    std::vector<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        numbers.push_back(part.toInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    return numbers;
}

std::optional<QPoint> ParsePoint(const QString& text)
{
    const auto n = ParseNumbers(text, 2);
    return n ? std::optional<QPoint>(QPoint((*n)[0], (*n)[1])) : std::nullopt;
}

std::optional<QRect> ParseRect(const QString& text)
{
    const auto n = ParseNumbers(text, 4);
    return n && (*n)[2] > 0 && (*n)[3] > 0 ? std::optional<QRect>(QRect((*n)[0], (*n)[1], (*n)[2], (*n)[3]))
                                           : std::nullopt;
}

std::optional<TArguments> ParseArguments(const QStringList& arguments)
{
    TArguments parsed;
    parsed.TextFont = *ParseFont(QStringLiteral("Tahoma:16:bold"));
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (name == QLatin1String("--window") && hasValue) {
            bool ok = false;
            parsed.Window = static_cast<WId>(arguments[++i].toULongLong(&ok, 0));
            if (!ok)
                return std::nullopt;
        } else if (name == QLatin1String("--pixel") && hasValue) {
            const auto point = ParsePoint(arguments[++i]);
            if (!point)
                return std::nullopt;
            parsed.Pixels.push_back(*point);
        } else if (name == QLatin1String("--region") && hasValue) {
            const auto rect = ParseRect(arguments[++i]);
            if (!rect)
                return std::nullopt;
            parsed.Regions.push_back(*rect);
        } else if (name == QLatin1String("--ink") && hasValue) {
            const auto rect = ParseRect(arguments[++i]);
            if (!rect)
                return std::nullopt;
            parsed.Inks.push_back(*rect);
        } else if (name == QLatin1String("--text") && hasValue) {
            parsed.TextRect = ParseRect(arguments[++i]);
            if (!parsed.TextRect)
                return std::nullopt;
        } else if (name == QLatin1String("--font") && hasValue) {
            const auto font = ParseFont(arguments[++i]);
            if (!font)
                return std::nullopt;
            parsed.TextFont = *font;
        } else if (name == QLatin1String("--candidate") && hasValue) {
            parsed.Candidates.push_back(arguments[++i]);
        } else if (parsed.File.isEmpty() && !name.startsWith(QLatin1String("--"))) {
            parsed.File = name;
        } else {
            return std::nullopt;
        }
    }
    return parsed.File.isEmpty() ? std::nullopt : std::optional<TArguments>(parsed);
}

void PrintPixels(const QImage& picture, const std::vector<QPoint>& pixels)
{
    for (const QPoint& point : pixels) {
        const QString colour = picture.rect().contains(point) ? picture.pixelColor(point).name() : QStringLiteral("none");
        std::printf("%d,%d %s\n", point.x(), point.y(), colour.toUpper().toLatin1().constData());
    }
}

// The digest covers the rectangle's part inside the picture, so a window that is not there gives a digest too.
void PrintRegions(const QImage& picture, const std::vector<QRect>& regions)
{
    for (const QRect& rect : regions) {
        const QImage part = picture.copy(rect).convertToFormat(QImage::Format_RGB32);
        QCryptographicHash digest(QCryptographicHash::Sha1);
        for (int y = 0; y < part.height(); ++y)
            digest.addData(QByteArrayView(part.constScanLine(y), part.width() * 4));
        std::printf("%d,%d,%d,%d %s\n", rect.x(), rect.y(), rect.width(), rect.height(),
                    digest.result().toHex().constData());
    }
}

// The grey halfway between the picture's darkest and lightest pixels: text of any colour on its background
// lies on the darker side.
int InkLimit(const QImage& picture)
{
    int darkest = 255;
    int lightest = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            darkest = std::min(darkest, qGray(picture.pixel(x, y)));
            lightest = std::max(lightest, qGray(picture.pixel(x, y)));
        }
    return (darkest + lightest) / 2;
}

// Which rows and which columns of the picture hold ink.
void FindInk(const QImage& picture, std::vector<bool>& rows, std::vector<bool>& columns)
{
    const int limit = InkLimit(picture);
    rows.assign(picture.height(), false);
    columns.assign(picture.width(), false);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < limit)
                rows[y] = columns[x] = true;
}

// From the first to the last marked entry.
int Span(const std::vector<bool>& marks)
{
    const auto first = std::find(marks.begin(), marks.end(), true);
    const auto last = std::find(marks.rbegin(), marks.rend(), true);
    return first == marks.end() ? 0 : int(marks.rend() - last) - int(first - marks.begin());
}

// The longest run of unmarked entries between two marked ones.
int WidestGap(const std::vector<bool>& marks)
{
    int widest = 0;
    int run = -1; // no mark seen yet
    for (const bool mark : marks) {
        if (mark) {
            widest = std::max(widest, run);
            run = 0;
        } else if (run >= 0) {
            ++run;
        }
    }
    return widest;
}

void PrintInks(const QImage& picture, const std::vector<QRect>& inks)
{
    for (const QRect& rect : inks) {
        const QImage part = picture.copy(rect).convertToFormat(QImage::Format_RGB32);
        std::vector<bool> rows;
        std::vector<bool> columns;
        FindInk(part, rows, columns);
        std::printf("%d,%d,%d,%d ink %d %d\n", rect.x(), rect.y(), rect.width(), rect.height(), Span(rows),
                    WidestGap(columns));
    }
}

QImage DrawText(const QString& text, const QSize& size, const QColor& background, const QFont& font)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    TTextFont(font, 1.0).Draw(painter, QRect(QPoint(0, 0), size).adjusted(kTextIndent, 0, -kTextIndent, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    return image;
}

void PrintText(const QImage& picture, const TArguments& arguments)
{
    if (!arguments.TextRect)
        return;
    const QImage shown = picture.copy(*arguments.TextRect).convertToFormat(QImage::Format_RGB32);
    const QColor background = shown.pixelColor(0, 0);
    for (const QString& candidate : arguments.Candidates) {
        if (DrawText(candidate, shown.size(), background, arguments.TextFont) == shown) {
            std::printf("text: %s\n", candidate.toUtf8().constData());
            return;
        }
    }
    std::printf("text: ?\n");
}

void RegisterFonts()
{
    for (const char* file : kFontFiles)
        if (QFile::exists(QString::fromLatin1(file)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

} // namespace

int main(int argc, char** argv)
{
    // Only an X display has windows to take; the offscreen platform would give an empty picture.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    const auto arguments = ParseArguments(QGuiApplication::arguments());
    if (!arguments) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    RegisterFonts();
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(arguments->Window).toImage();
    const bool keep = arguments->File != QLatin1String("-");
    if (picture.isNull() || (keep && !picture.save(arguments->File, "PNG"))) {
        std::fprintf(stderr, "screenshot: cannot take or save the picture\n");
        return 1;
    }
    PrintPixels(picture, arguments->Pixels);
    PrintRegions(picture, arguments->Regions);
    PrintInks(picture, arguments->Inks);
    PrintText(picture, *arguments);
    return 0;
}

// screenshot: saves a picture of an X window (or of the whole screen) on $DISPLAY as a PNG file, and
// prints the colour of chosen points of the picture, one "X,Y #RRGGBB" line each, and a digest of the
// pixels of chosen rectangles, one "X,Y,W,H <hex>" line each, so that a script can tell when a part of
// the window changes its look.
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

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
    "  --region X,Y,W,H  print a digest of the pixels of that rectangle of the picture\n";

struct TArguments {
    QString File;
    WId Window = 0;
    std::vector<QPoint> Pixels;
    std::vector<QRect> Regions;
};

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
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(arguments->Window).toImage();
    const bool keep = arguments->File != QLatin1String("-");
    if (picture.isNull() || (keep && !picture.save(arguments->File, "PNG"))) {
        std::fprintf(stderr, "screenshot: cannot take or save the picture\n");
        return 1;
    }
    PrintPixels(picture, arguments->Pixels);
    PrintRegions(picture, arguments->Regions);
    return 0;
}

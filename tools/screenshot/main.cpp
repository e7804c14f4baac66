// screenshot: saves a picture of an X window (or of the whole screen) on $DISPLAY as a PNG file, and
// prints the colour of chosen points of the picture, one "X,Y #RRGGBB" line each.
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
    "  FILE          the PNG file to write\n"
    "  --window ID   the X window to take (decimal or 0x hexadecimal); default: the whole screen\n"
    "  --pixel X,Y   print the colour at X,Y of the picture\n";

struct TArguments {
    QString File;
    WId Window = 0;
    std::vector<QPoint> Pixels;
};

std::optional<QPoint> ParsePoint(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool xOk = false;
    bool yOk = false;
    if (parts.size() != 2)
        return std::nullopt;
    const QPoint point(parts[0].toInt(&xOk), parts[1].toInt(&yOk));
    return xOk && yOk ? std::optional<QPoint>(point) : std::nullopt;
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
    if (picture.isNull() || !picture.save(arguments->File, "PNG")) {
        std::fprintf(stderr, "screenshot: cannot take or save the picture\n");
        return 1;
    }
    PrintPixels(picture, arguments->Pixels);
    return 0;
}

// Draws every picture of the program into a folder as 32-bit PNG files with alpha. Given a sheet path,
// also writes a sheet that shows each picture enlarged (without smoothing) and at its own size on light,
// button-face and dark backgrounds, to look at while drawing; further arguments keep only the pictures
// whose file names start with one of them.
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kGap = 12;
constexpr int kSheetWidth = 1500;
const QColor kBackdrops[] = {QColor(255, 255, 255), QColor(212, 208, 200), QColor(40, 40, 40)};

bool WritePictures(const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "picturegen: cannot create %s\n", qPrintable(folder));
        return false;
    }
    for (const PictureSpec& spec : ProgramPictures()) {
        const QString path = QDir(folder).filePath(spec.fileName);
        if (!RenderPicture(spec).save(path, "PNG")) {
            std::fprintf(stderr, "picturegen: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

QImage Checkerboard(int size, int cell)
{
    QImage board(size, size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&board);
    for (int y = 0; y < size; y += cell)
        for (int x = 0; x < size; x += cell)
            p.fillRect(x, y, cell, cell, ((x + y) / cell) % 2 ? QColor(204, 204, 204) : QColor(250, 250, 250));
    return board;
}

// One cell of the sheet: the enlarged picture over a checkerboard, its own-size copies below it.
QImage SheetCell(const PictureSpec& spec, int scale)
{
    const QImage picture = RenderPicture(spec);
    const int big = spec.size * scale;
    QImage cell(big, big + kGap + spec.size + 4, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::white);
    QPainter p(&cell);
    p.drawImage(0, 0, Checkerboard(big, scale));
    p.drawImage(QRect(0, 0, big, big), picture.scaled(big, big, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    int x = 0;
    for (const QColor& backdrop : kBackdrops) {
        p.fillRect(x, big + kGap, spec.size + 4, spec.size + 4, backdrop);
        p.drawImage(x + 2, big + kGap + 2, picture);
        x += spec.size + 8;
    }
    return cell;
}

bool Chosen(const PictureSpec& spec, const QStringList& prefixes)
{
    if (prefixes.isEmpty())
        return true;
    for (const QString& prefix : prefixes)
        if (spec.fileName.startsWith(prefix))
            return true;
    return false;
}

bool WriteSheet(const QString& path, int scale, const QStringList& prefixes)
{
    std::vector<QImage> cells;
    for (const PictureSpec& spec : ProgramPictures())
        if (Chosen(spec, prefixes))
            cells.push_back(SheetCell(spec, scale));
    int x = kGap, y = kGap, rowHeight = 0, height = 0;
    std::vector<QPoint> places;
    for (const QImage& cell : cells) {
        if (x + cell.width() + kGap > kSheetWidth && x > kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        places.emplace_back(x, y);
        x += cell.width() + kGap;
        rowHeight = std::max(rowHeight, cell.height());
        height = y + rowHeight + kGap;
    }
    QImage sheet(kSheetWidth, height, QImage::Format_RGB32);
    sheet.fill(QColor(255, 255, 255));
    QPainter p(&sheet);
    for (size_t i = 0; i < cells.size(); ++i)
        p.drawImage(places[i], cells[i]);
    p.end();
    return sheet.save(path, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: picturegen <output folder> [<sheet.png> [<scale> [<name prefix> ...]]]\n");
        return 2;
    }
    if (!WritePictures(QString::fromLocal8Bit(argv[1])))
        return 1;
    const int scale = argc >= 4 ? std::max(1, std::atoi(argv[3])) : 8;
    QStringList prefixes;
    for (int i = 4; i < argc; ++i)
        prefixes << QString::fromLocal8Bit(argv[i]);
    if (argc >= 3 && !WriteSheet(QString::fromLocal8Bit(argv[2]), scale, prefixes)) {
        std::fprintf(stderr, "picturegen: cannot write the sheet %s\n", argv[2]);
        return 1;
    }
    return 0;
}

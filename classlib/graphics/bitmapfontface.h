// One size of a bitmap font: a font file that holds glyph bitmaps for a few pixel sizes (the wine fonts
// package's "MS Sans Serif" holds 13, 16 and 20 pixels, and outlines for no letter). Qt serves such a family at the first
// size it holds, whatever size is asked; a face drawn here keeps the size asked. Bold is made the way the
// original platform makes it from a bitmap font: each glyph is drawn twice, the second time one pixel to the
// right, and takes one pixel more.
#pragma once

#include <QPoint>
#include <QRawFont>
#include <QString>

#include <optional>

class QPainter;

class TBitmapFontFace {
public:
    // Serves the sizes that the bitmap font file at path holds for its family; fallbackFamily, a scalable
    // font of similar width, stands in for the others. False when the file holds no bitmap sizes.
    static bool Register(const QString& path, const QString& fallbackFamily);
    // Whether family is a registered bitmap family.
    static bool IsRegistered(const QString& family);
    // The scalable family that stands in for a registered bitmap family; family itself for any other.
    static QString Fallback(const QString& family);
    // The registered family at exactly pixelSize, when its file holds that size.
    static std::optional<TBitmapFontFace> Find(const QString& family, int pixelSize, bool bold);

    int Ascent() const;
    int Height() const;
    int Width(const QString& line) const;
    // One line whose baseline starts at origin, in the painter's pen colour.
    void Draw(QPainter& painter, QPoint origin, const QString& line) const;

private:
    TBitmapFontFace(const QRawFont& raw, bool bold) : raw_(raw), bold_(bold) {}

    QRawFont raw_;
    bool bold_;
};

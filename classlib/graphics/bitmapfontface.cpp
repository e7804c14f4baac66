#include "classlib/graphics/bitmapfontface.h"

#include <QGlyphRun>
#include <QPainter>
#include <QtEndian>

#include <map>
#include <utility>
#include <vector>

namespace {

// The bitmap location table: a version and the number of sizes, then one 48-byte record per size, whose
// byte 45 is the size's height in pixels per em.
constexpr qsizetype kLocationHeader = 8;
constexpr qsizetype kSizeRecord = 48;
constexpr qsizetype kPixelsPerEmY = 45;

struct TBitmapFamily {
    QString Fallback;
    std::map<int, QRawFont> Sizes;
};

std::map<QString, TBitmapFamily>& Families()
{
    static std::map<QString, TBitmapFamily> families;
    return families;
}

const TBitmapFamily* Registered(const QString& family)
{
    const auto found = Families().find(family.toLower());
    return found == Families().end() ? nullptr : &found->second;
}

std::vector<int> StrikeSizes(const QRawFont& font)
{
    const QByteArray table = font.fontTable("EBLC");
    if (table.size() < kLocationHeader)
        return {};
    const quint32 count = qFromBigEndian<quint32>(table.constData() + 4);
    std::vector<int> sizes;
    for (quint32 i = 0; i < count && kLocationHeader + (i + 1) * kSizeRecord <= table.size(); ++i)
        sizes.push_back(static_cast<unsigned char>(table[kLocationHeader + i * kSizeRecord + kPixelsPerEmY]));
    return sizes;
}

// Glyph indexes and left edges of a line; the last edge is the line's width.
struct TLineLayout {
    QList<quint32> Glyphs;
    QList<QPointF> Edges;
};

TLineLayout LayOut(const QRawFont& raw, const QString& line, int extraAdvance)
{
    TLineLayout layout;
    layout.Glyphs = raw.glyphIndexesForString(line);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(layout.Glyphs);
    int x = 0;
    for (const QPointF& advance : advances) {
        layout.Edges.append(QPointF(x, 0));
        x += qRound(advance.x()) + extraAdvance;
    }
    layout.Edges.append(QPointF(x, 0));
    return layout;
}

} // namespace

bool TBitmapFontFace::Register(const QString& path, const QString& fallbackFamily)
{
    const QRawFont font(path, 12.0);
    if (!font.isValid())
        return false;
    TBitmapFamily family{fallbackFamily, {}};
    for (const int size : StrikeSizes(font))
        family.Sizes.emplace(size, QRawFont(path, size));
    if (family.Sizes.empty())
        return false;
    Families()[font.familyName().toLower()] = std::move(family);
    return true;
}

bool TBitmapFontFace::IsRegistered(const QString& family)
{
    return Registered(family) != nullptr;
}

QString TBitmapFontFace::Fallback(const QString& family)
{
    const TBitmapFamily* registered = Registered(family);
    return registered ? registered->Fallback : family;
}

std::optional<TBitmapFontFace> TBitmapFontFace::Find(const QString& family, int pixelSize, bool bold)
{
    const TBitmapFamily* registered = Registered(family);
    if (!registered)
        return std::nullopt;
    const auto size = registered->Sizes.find(pixelSize);
    if (size == registered->Sizes.end())
        return std::nullopt;
    return TBitmapFontFace(size->second, bold);
}

int TBitmapFontFace::Ascent() const
{
    return qRound(raw_.ascent());
}

int TBitmapFontFace::Height() const
{
    return qRound(raw_.ascent()) + qRound(raw_.descent());
}

int TBitmapFontFace::Width(const QString& line) const
{
    return qRound(LayOut(raw_, line, bold_ ? 1 : 0).Edges.back().x());
}

void TBitmapFontFace::Draw(QPainter& painter, QPoint origin, const QString& line) const
{
    TLineLayout layout = LayOut(raw_, line, bold_ ? 1 : 0);
    layout.Edges.removeLast();
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(layout.Glyphs);
    run.setPositions(layout.Edges);
    painter.drawGlyphRun(origin, run);
    if (bold_)
        painter.drawGlyphRun(origin + QPoint(1, 0), run);
}

#include "controls/shadowlabel.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/controlproperties.h"
#include "controls/pngpicturedata.h"

#include <QMouseEvent>
#include <QPaintEvent>

#include <algorithm>

namespace {

// The disabled look: the shadow white and the text silver, whatever their own colours.
constexpr TColor kDisabledShadowColor = clWhite;
constexpr TColor kDisabledTextColor = clSilver;

QRect NaturalRect(int left, int top, const TPNGObject& picture)
{
    return QRect(left, top, picture.Width(), picture.Height());
}

// Text positions are kept within this distance of the label: further out nothing shows anyway, and sums
// with margins and shadow offsets from the whole integer range stay in range.
constexpr long long kReach = 1 << 22;

int WithinReach(long long position)
{
    return static_cast<int>(std::clamp(position, -kReach, kReach));
}

// Whole middle pieces needed to cover span, the last one possibly cut; none when there is no span.
int TileCount(int span, int tileWidth)
{
    return span > 0 ? (span + tileWidth - 1) / tileWidth : 0;
}

} // namespace

TShadowLabel::TShadowLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    TAccessibleControl::Register("TShadowLabel", QAccessible::StaticText);
}

TShadowLabel::~TShadowLabel() = default;

void TShadowLabel::fSetCaption(const AnsiString& caption)
{
    caption_ = caption;
    update();
    TAccessibleControl::Announce(this, QAccessible::NameChanged);
    if (focusControl_)
        TAccessibleControl::Announce(focusControl_, QAccessible::NameChanged);
}

void TShadowLabel::fSetFocusControl(QWidget* control)
{
    focusControl_ = control;
}

void TShadowLabel::fSetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    update();
}

void TShadowLabel::fSetFrame(int frame)
{
    frame_ = frame;
    update();
}

void TShadowLabel::fSetShadow(bool shadow)
{
    shadow_ = shadow;
    update();
}

void TShadowLabel::fSetShadowColor(TColor color)
{
    shadowColor_ = color;
    update();
}

void TShadowLabel::fSetDisplaceX(int displace)
{
    displaceX_ = displace;
    update();
}

void TShadowLabel::fSetDisplaceY(int displace)
{
    displaceY_ = displace;
    update();
}

void TShadowLabel::fSetPngPicture(const TPNGObject& picture)
{
    picture_.Assign(picture);
    update();
}

void TShadowLabel::fSetPngLeft(const TPNGObject& picture)
{
    left_.Assign(picture);
    update();
}

void TShadowLabel::fSetPngCenter(const TPNGObject& picture)
{
    center_.Assign(picture);
    update();
}

void TShadowLabel::fSetPngRight(const TPNGObject& picture)
{
    right_.Assign(picture);
    update();
}

void TShadowLabel::DefineProperties(TFiler& filer)
{
    DefinePngPictureData(filer, "PngPicture", picture_, [this](const TPNGObject& p) { fSetPngPicture(p); });
    DefinePngPictureData(filer, "PngLeft", left_, [this](const TPNGObject& p) { fSetPngLeft(p); });
    DefinePngPictureData(filer, "PngCenter", center_, [this](const TPNGObject& p) { fSetPngCenter(p); });
    DefinePngPictureData(filer, "PngRight", right_, [this](const TPNGObject& p) { fSetPngRight(p); });
}

void TShadowLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void TShadowLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void TShadowLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void TShadowLabel::paintEvent(QPaintEvent*)
{
    TCanvas canvas(this);
    Paint(canvas);
}

void TShadowLabel::Paint(TCanvas& canvas)
{
    DrawBackground(canvas);
    const QPoint at = TextPosition(canvas);
    if (shadow_)
        DrawShadow(canvas, at);
    DrawText(canvas, at);
    canvas.Brush.Style = bsSolid;
}

TPngOptions TShadowLabel::PictureOptions() const
{
    if (isEnabled())
        return {};
    return {pngBlendOnDisabled, pngGrayscaleOnDisabled};
}

bool TShadowLabel::Stretched() const
{
    return left_.Width() > 0 && right_.Width() > 0 && center_.Width() > 0;
}

// The middle piece takes the left cap's height; the right cap is drawn last, over a tile that runs past it.
void TShadowLabel::DrawStretchedBackground(TCanvas& canvas, TPngOptions options)
{
    DrawPNG(left_, canvas, NaturalRect(0, 0, left_), options);
    const int tileWidth = center_.Width();
    const int tiles = TileCount(width() - right_.Width() - left_.Width(), tileWidth);
    for (int i = 0; i < tiles; ++i)
        DrawPNG(center_, canvas, QRect(left_.Width() + i * tileWidth, 0, tileWidth, left_.Height()), options);
    DrawPNG(right_, canvas, NaturalRect(width() - right_.Width(), 0, right_), options);
}

void TShadowLabel::DrawBackground(TCanvas& canvas)
{
    const TPngOptions options = PictureOptions();
    if (Stretched())
        DrawStretchedBackground(canvas, options);
    else if (picture_.Width() > 0 && picture_.Height() > 0)
        DrawPNG(picture_, canvas, NaturalRect(0, 0, picture_), options);
}

TFont TShadowLabel::FontInColor(TColor color) const
{
    return TFont::FromQFont(font(), color);
}

// Divisions truncate toward zero, so a text wider than a centred label starts left of it.
QPoint TShadowLabel::TextPosition(TCanvas& canvas) const
{
    canvas.Font = FontInColor(clBlack);
    const long long textWidth = canvas.TextWidth(caption_);
    const int y = (height() - canvas.TextHeight(caption_)) / 2;
    switch (alignment_) {
    case taRightJustify:
        return QPoint(WithinReach(std::max(width() - textWidth - frame_, static_cast<long long>(frame_))), y);
    case taCenter:
        return QPoint(WithinReach((width() - textWidth) / 2), y);
    case taLeftJustify:
        break;
    }
    return QPoint(WithinReach(frame_), y);
}

void TShadowLabel::DrawShadow(TCanvas& canvas, QPoint at)
{
    canvas.Font = FontInColor(isEnabled() ? shadowColor_ : kDisabledShadowColor);
    canvas.Brush.Style = bsClear;
    canvas.TextOut(WithinReach(at.x() + static_cast<long long>(displaceX_)),
                   WithinReach(at.y() + static_cast<long long>(displaceY_)), caption_);
}

void TShadowLabel::DrawText(TCanvas& canvas, QPoint at)
{
    canvas.Font = FontInColor(isEnabled() ? TControlProperties::FontColor(this) : kDisabledTextColor);
    canvas.Brush.Style = bsClear;
    canvas.TextOut(at.x(), at.y(), caption_);
}

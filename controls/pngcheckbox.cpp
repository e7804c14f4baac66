#include "controls/pngcheckbox.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/controlproperties.h"
#include "controls/pngpicturedata.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr TColor kHighlightFill = 0x00F0FBFF; // cream
constexpr TColor kHighlightOutline = clSilver;
constexpr int kHighlightCorner = 6;
constexpr TColor kDisabledShadowColor = clWhite;
constexpr TColor kDisabledTextColor = clSilver;
constexpr int kPictureSideMargin = 1;

// Text positions are kept within this distance of the box: further out nothing shows anyway, and sums with
// margins and shadow offsets from the whole integer range stay in range.
constexpr long long kReach = 1 << 22;

int WithinReach(long long position)
{
    return static_cast<int>(std::clamp(position, -kReach, kReach));
}

} // namespace

TPngCheckBox::TPngCheckBox(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setMouseTracking(true); // OnMouseMove comes with no button held too
    TAccessibleControl::Register("TPngCheckBox", QAccessible::CheckBox);
}

TPngCheckBox::~TPngCheckBox() = default;

void TPngCheckBox::fSetCaption(const AnsiString& caption)
{
    caption_ = caption;
    update();
    TAccessibleControl::Announce(this, QAccessible::NameChanged);
}

void TPngCheckBox::fSetChecked(bool value)
{
    checked_ = value;
    update();
    TAccessibleControl::Announce(this, QAccessible::StateChanged);
}

void TPngCheckBox::fSetPngAlign(TPngAlignment value)
{
    pngAlign_ = value;
    update();
}

void TPngCheckBox::fSetFrame(int value)
{
    frame_ = value;
    update();
}

void TPngCheckBox::fSetShadow(bool value)
{
    shadow_ = value;
    update();
}

void TPngCheckBox::fSetShadowColor(TColor value)
{
    shadowColor_ = value;
    update();
}

void TPngCheckBox::fSetDisplaceX(int value)
{
    displaceX_ = value;
    update();
}

void TPngCheckBox::fSetDisplaceY(int value)
{
    displaceY_ = value;
    update();
}

void TPngCheckBox::SetPngCheck(const TPNGObject& picture)
{
    check_.Assign(picture);
    SetMaxHeight();
    update();
}

void TPngCheckBox::SetPngUncheck(const TPNGObject& picture)
{
    uncheck_.Assign(picture);
    SetMaxHeight();
    update();
}

void TPngCheckBox::SetMaxHeight()
{
    resize(width(), std::max(check_.Height(), uncheck_.Height()));
}

void TPngCheckBox::DefineProperties(TFiler& filer)
{
    DefinePngPictureData(filer, "PngCheck", check_, [this](const TPNGObject& p) { SetPngCheck(p); });
    DefinePngPictureData(filer, "PngUncheck", uncheck_, [this](const TPNGObject& p) { SetPngUncheck(p); });
}

void TPngCheckBox::paintEvent(QPaintEvent*)
{
    TCanvas canvas(this);
    Paint(canvas);
}

// Entry and exit count whether the box is enabled or not; only the paint asks for enabled.
void TPngCheckBox::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    CMMouseEnter();
}

void TPngCheckBox::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    CMMouseLeave();
}

void TPngCheckBox::mousePressEvent(QMouseEvent* event)
{
    MouseDown(*event);
    event->accept();
}

void TPngCheckBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit OnDblClick(this);
    MouseDown(*event);
    event->accept();
}

void TPngCheckBox::MouseDown(const QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton)
        pressed_ = true;
    const QPoint at = event.position().toPoint();
    if (const std::optional<TMouseButton> button = MouseButtonOf(event.button()))
        emit OnMouseDown(this, *button, ShiftStateOf(event), at.x(), at.y());
}

// A click is a left press and release both on the box.
void TPngCheckBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const bool click = pressed_ && rect().contains(at);
        pressed_ = false;
        if (click)
            Click();
    }
    if (const std::optional<TMouseButton> button = MouseButtonOf(event->button()))
        emit OnMouseUp(this, *button, ShiftStateOf(*event), at.x(), at.y());
}

void TPngCheckBox::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    const QPoint at = event->position().toPoint();
    emit OnMouseMove(this, ShiftStateOf(*event), at.x(), at.y());
}

void TPngCheckBox::contextMenuEvent(QContextMenuEvent* event)
{
    bool handled = false;
    emit OnContextPopup(this, event->pos(), handled);
    event->setAccepted(handled);
}

void TPngCheckBox::Click()
{
    checked_ = !checked_;
    repaint();
    emit OnClick(this);
}

void TPngCheckBox::CMMouseEnter()
{
    if (!designing_)
        hover_ = true;
    emit OnMouseEnter(this);
    update();
}

void TPngCheckBox::CMMouseLeave()
{
    if (!designing_)
        hover_ = false;
    emit OnMouseExit(this);
    update();
}

void TPngCheckBox::Paint(TCanvas& canvas)
{
    if (hover_ && isEnabled())
        DrawHighlight(canvas);
    DrawPicture(canvas, Picture());
    if (shadow_)
        DrawShadow(canvas);
    DrawText(canvas);
    canvas.Brush.Style = bsSolid;
}

// No fallback: a state without its picture shows none.
const TPNGObject& TPngCheckBox::Picture() const
{
    return checked_ ? check_ : uncheck_;
}

void TPngCheckBox::DrawHighlight(TCanvas& canvas)
{
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = kHighlightFill;
    canvas.Pen.Color = kHighlightOutline;
    canvas.RoundRect(QRect(0, 0, width(), height()), kHighlightCorner, kHighlightCorner);
}

void TPngCheckBox::DrawPicture(TCanvas& canvas, const TPNGObject& picture)
{
    if (picture.Width() == 0 || picture.Height() == 0)
        return;
    int left = kPictureSideMargin;
    if (pngAlign_ == paCenter)
        left = (width() - picture.Width()) / 2;
    else if (pngAlign_ == paRight)
        left = width() - picture.Width() - kPictureSideMargin;
    const int top = (height() - picture.Height()) / 2;
    TPngOptions options;
    if (!isEnabled())
        options = {pngBlendOnDisabled, pngGrayscaleOnDisabled};
    DrawPNG(picture, canvas, QRect(left, top, picture.Width(), picture.Height()), options);
}

// The caption takes the side away from the picture; over a centred picture it is centred too. Divisions
// truncate toward zero. Each pass measures with its own font.
QPoint TPngCheckBox::TextPosition(TCanvas& canvas) const
{
    const long long textWidth = canvas.TextWidth(caption_);
    const int y = (height() - canvas.TextHeight(caption_)) / 2;
    switch (pngAlign_) {
    case paLeft:
        return QPoint(WithinReach(std::max(width() - textWidth - frame_, static_cast<long long>(frame_))), y);
    case paCenter:
        return QPoint(WithinReach((width() - textWidth) / 2), y);
    case paRight:
        break;
    }
    return QPoint(WithinReach(frame_), y);
}

void TPngCheckBox::DrawShadow(TCanvas& canvas)
{
    canvas.Font = TFont::FromQFont(font(), isEnabled() ? shadowColor_ : kDisabledShadowColor);
    canvas.Brush.Style = bsClear;
    const QPoint at = TextPosition(canvas);
    canvas.TextOut(WithinReach(at.x() + static_cast<long long>(displaceX_)),
                   WithinReach(at.y() + static_cast<long long>(displaceY_)), caption_);
}

void TPngCheckBox::DrawText(TCanvas& canvas)
{
    canvas.Font = TFont::FromQFont(font(), isEnabled() ? TControlProperties::FontColor(this) : kDisabledTextColor);
    canvas.Brush.Style = bsClear;
    const QPoint at = TextPosition(canvas);
    canvas.TextOut(at.x(), at.y(), caption_);
}

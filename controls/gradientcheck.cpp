#include "controls/gradientcheck.h"

#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/graphics/canvas.h"
#include "classlib/widgets/controlproperties.h"
#include "controls/pngpicturedata.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr TColor kUncheckedStart = clSilver;
constexpr TColor kUncheckedEnd = clWhite;
constexpr TColor kDisabledStart = 0x00606060;
constexpr TColor kDisabledEnd = clWhite;
constexpr int kCornerEllipse = 9;
constexpr int kPictureLeft = 2;

// A channel of a hovered gradient: 30 lighter, at most 255.
int Lighten(int channel)
{
    return channel < 225 ? channel + 30 : 255;
}

TColor LightenColor(TColor color)
{
    return RGBColor(Lighten(GetRValue(color)), Lighten(GetGValue(color)), Lighten(GetBValue(color)));
}

} // namespace

TGradientCheck::TGradientCheck(QWidget* parent) : QWidget(parent)
{
    // Every pixel comes from the off-screen bitmap, so no background is erased before a paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    TAccessibleControl::Register("TGradientCheck", QAccessible::Grouping);
}

TGradientCheck::~TGradientCheck() = default;

void TGradientCheck::fgSetHorizontal(bool value)
{
    horizontal_ = value;
    update();
}

void TGradientCheck::fgSetFrame(bool value)
{
    frame_ = value;
    update();
}

void TGradientCheck::fgSetRotate(bool value)
{
    rotate_ = value;
    update();
}

void TGradientCheck::fgSetRound(bool value)
{
    round_ = value;
    update();
}

void TGradientCheck::fgSetCheckable(bool value)
{
    checkable_ = value;
    if (value) {
        setCursor(Qt::PointingHandCursor);
        HoverFromPointer();
        fSetChecked(true);
    } else {
        // A non-checkable panel gets no leave notice, so it must not keep a hover flag it could show later.
        hover_ = false;
        setCursor(Qt::ArrowCursor);
        update();
    }
}

void TGradientCheck::fgSetGradient(bool value)
{
    gradient_ = value;
    update();
}

void TGradientCheck::fgSetPngAlign(TPngAlignment value)
{
    pngAlign_ = value;
    update();
}

void TGradientCheck::fgSetPngPicture(const TPNGObject& picture)
{
    picture_.Assign(picture);
    update();
}

void TGradientCheck::DefineProperties(TFiler& filer)
{
    DefinePngPictureData(filer, "gPngPicture", picture_, [this](const TPNGObject& picture) { fgSetPngPicture(picture); });
}

void TGradientCheck::fgSetColorHTMLBegin(const AnsiString& text)
{
    begin_.SetText(text);
    update();
}

void TGradientCheck::fgSetColorHTMLEnd(const AnsiString& text)
{
    end_.SetText(text);
    update();
}

void TGradientCheck::fgSetColorBegin(TColor color)
{
    begin_.SetColor(color);
    update();
}

void TGradientCheck::fgSetColorEnd(TColor color)
{
    end_.SetColor(color);
    update();
}

void TGradientCheck::fSetChecked(bool value)
{
    checked_ = value;
    HandleChildren(value);
    update();
}

void TGradientCheck::fSetEnabled(bool value)
{
    enabled_ = value;
    if (value)
        HoverFromPointer();
    HandleChildren(value);
    setEnabled(value);
    update();
}

void TGradientCheck::fSetVisible(bool value)
{
    visible_ = value;
    for (QWidget* child : ChildControls())
        child->setVisible(value);
    setVisible(value);
    update();
}

// The child controls in creation order; windows that merely have the panel as owner are not among them.
QList<QWidget*> TGradientCheck::ChildControls() const
{
    QList<QWidget*> controls;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow())
            controls.append(widget);
    }
    return controls;
}

void TGradientCheck::HandleChildren(bool value)
{
    if (value)
        RestoreChildren();
    else
        SaveAndDisableChildren();
}

// A child's own enabled state is the one it would have with the panel enabled (isEnabledTo), so a panel that
// Qt already disabled as a whole still saves what each child itself holds.
void TGradientCheck::SaveAndDisableChildren()
{
    savedChildStates_.clear();
    for (QWidget* child : ChildControls()) {
        savedChildStates_.push_back(child->isEnabledTo(this));
        child->setEnabled(false);
    }
}

void TGradientCheck::RestoreChildren()
{
    const QList<QWidget*> controls = ChildControls();
    const bool savedFits = static_cast<std::size_t>(controls.size()) == savedChildStates_.size();
    for (qsizetype i = 0; i < controls.size(); ++i)
        controls[i]->setEnabled(gForceChildEnabled || !savedFits || savedChildStates_[i]);
}

bool TGradientCheck::HoverLook() const
{
    return hover_ && enabled_ && checkable_;
}

// The pointer may have crossed the edge while the panel ignored it.
void TGradientCheck::HoverFromPointer()
{
    hover_ = pointerInside_ && enabled_ && checkable_;
}

void TGradientCheck::paintEvent(QPaintEvent*)
{
    Paint();
}

void TGradientCheck::Paint()
{
    if (width() <= 0 || height() <= 0)
        return;
    if (bitmap_.Width() != width() || bitmap_.Height() != height())
        bitmap_.SetSize(width(), height());
    TCanvas& canvas = bitmap_.Canvas();
    canvas.Brush.Style = bsClear;
    DrawBackground(canvas, PaintColors());
    DrawPicture(canvas);
    QPainter(this).drawImage(0, 0, bitmap_.Image());
}

TGradientCheck::Colors TGradientCheck::PaintColors() const
{
    if (!enabled_)
        return {kDisabledStart, kDisabledEnd};
    if (!checked_)
        return {kUncheckedStart, kUncheckedEnd};
    return {begin_.Color, end_.Color};
}

// The bitmap is first cleared to the panel's Color (its own or its parent's), so nothing of an earlier paint shows: not where no background is drawn,
// nor in the corners outside a rounded outline.
void TGradientCheck::DrawBackground(TCanvas& canvas, const Colors& colors)
{
    const QRect client = rect();
    canvas.Brush.Color = TControlProperties::Color(this);
    canvas.FillRect(client);
    if (gradient_)
        GradientBox(canvas, client, colors.start, colors.end, horizontal_, frame_, rotate_, round_);
    else if (frame_)
        FrameBox(canvas, client, colors.end, colors.start, frame_, round_);
}

void TGradientCheck::DrawPicture(TCanvas& canvas)
{
    if (picture_.Width() == 0 || picture_.Height() == 0)
        return;
    const QRect place(kPictureLeft, PictureTop(), picture_.Width(), picture_.Height());
    DrawPNG(picture_, canvas, place, PictureOptions());
}

int TGradientCheck::PictureTop() const
{
    switch (pngAlign_) {
    case paCenter: return (height() - picture_.Height()) / 2;
    case paBottom: return height() - picture_.Height() - 1;
    default: return 1;
    }
}

TPngOptions TGradientCheck::PictureOptions() const
{
    if (!checked_ || !enabled_)
        return {pngBlendOnDisabled, pngGrayscaleOnDisabled};
    if (hover_ && checkable_)
        return {pngBrighter};
    return {};
}

void TGradientCheck::GradientBox(TCanvas& canvas, const QRect& rect, TColor start, TColor end, bool horizontal,
                                 bool frame, bool rotate, bool round)
{
    TColor first = ColorToRGB(rotate ? end : start);
    TColor second = ColorToRGB(rotate ? start : end);
    if (HoverLook()) {
        first = LightenColor(first);
        second = LightenColor(second);
    }
    canvas.GradientFill(rect, first, second, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
    canvas.Brush.Style = bsClear;
    canvas.Pen.Color = start;
    if (frame) {
        canvas.Pen.Width = 1;
        Outline(canvas, rect, round);
    }
    if (HoverLook()) {
        canvas.Pen.Width = 2;
        Outline(canvas, rect.adjusted(1, 1, 0, 0), round);
    }
}

// The outline is always one pixel wide, whatever pen an earlier hover frame left on the bitmap's canvas.
void TGradientCheck::FrameBox(TCanvas& canvas, const QRect& rect, TColor fill, TColor outline, bool frame, bool round)
{
    if (!frame)
        return;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = fill;
    canvas.Pen.Color = outline;
    canvas.Pen.Width = 1;
    Outline(canvas, rect, round);
}

void TGradientCheck::Outline(TCanvas& canvas, const QRect& rect, bool round)
{
    if (round)
        canvas.RoundRect(rect, kCornerEllipse, kCornerEllipse);
    else
        canvas.Rectangle(rect);
}

// Presses that reach the panel from a child that handles none of its own (a disabled one) count as the panel's.
void TGradientCheck::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        pressed_ = OwnSurfaceAt(event->position().toPoint());
}

void TGradientCheck::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const bool click = pressed_ && rect().contains(at) && OwnSurfaceAt(at);
    pressed_ = false;
    if (click)
        Click();
}

// Every child is watched for the mouse events a disabled one keeps to itself (below).
void TGradientCheck::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    if (event->added())
        event->child()->installEventFilter(this);
    else if (event->removed())
        event->child()->removeEventFilter(this);
}

// A disabled button takes the presses and releases it does not act on, so that they do not fall through to
// what lies behind it; on the panel they are the panel's, as on any other disabled child.
bool TGradientCheck::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    auto* child = qobject_cast<QWidget*>(watched);
    if (!(press || release) || !child || child->parentWidget() != this || child->isEnabled())
        return QWidget::eventFilter(watched, event);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    QMouseEvent own(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                    child->mapToParent(mouse->position()), mouse->scenePosition(), mouse->globalPosition(),
                    mouse->button(), mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
    if (press)
        mousePressEvent(&own);
    else
        mouseReleaseEvent(&own);
    return true;
}

bool TGradientCheck::OwnSurfaceAt(QPoint point) const
{
    const QWidget* child = childAt(point);
    return !child || !child->isEnabled();
}

void TGradientCheck::Click()
{
    if (checkable_)
        fSetChecked(!checked_);
    emit OnClick(this);
}

void TGradientCheck::enterEvent(QEnterEvent* event)
{
    pointerInside_ = true;
    if (!checkable_)
        return;
    QWidget::enterEvent(event);
    if (!enabled_)
        return;
    emit OnMouseEnter(this);
    hover_ = true;
    update();
}

// The hover flag is cleared even on a disabled panel, so enabling it later never shows a hover look without the
// pointer.
void TGradientCheck::leaveEvent(QEvent* event)
{
    pointerInside_ = false;
    if (!checkable_)
        return;
    QWidget::leaveEvent(event);
    hover_ = false;
    update();
    if (enabled_)
        emit OnMouseExit(this);
}

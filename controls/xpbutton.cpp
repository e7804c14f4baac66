#include "controls/xpbutton.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/button.h"
#include "controls/pngpicturedata.h"
#include "png/pngfunctions.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// The picture's top-left corner in the button, at its natural size.
constexpr int kPictureSpot = 4;

} // namespace

TXpButton::TXpButton(QWidget* parent) : QPushButton(parent)
{
    setEnabled(true);
    connect(this, &QAbstractButton::clicked, this, [this] { emit OnClick(this); });
}

TXpButton::~TXpButton() = default;

AnsiString TXpButton::Caption() const
{
    return AnsiString::FromUtf8(text().toStdString());
}

void TXpButton::SetCaption(const AnsiString& caption)
{
    TButton::ShowCaption(*this, caption);
}

void TXpButton::SetPngPicture(const TPNGObject& picture)
{
    picture_.Assign(picture);
    update();
}

void TXpButton::DefineProperties(TFiler& filer)
{
    DefinePngPictureData(filer, "PngPicture", picture_, [this](const TPNGObject& picture) { SetPngPicture(picture); });
}

void TXpButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        CMEnabledChanged();
}

void TXpButton::keyPressEvent(QKeyEvent* event)
{
    if (!TButton::ClickOnEnter(*this, event))
        QPushButton::keyPressEvent(event);
}

void TXpButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    PointerEntered();
}

void TXpButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    PointerLeft();
}

// The platform button still sees every press and release, so that it is pushed and clicked as usual.
void TXpButton::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    MouseDown(event->button());
}

// While a mouse button is held the toolkit holds back entry and exit until the release; the moves
// report the crossings in the meantime, so that a press dragged off the button shows the normal look.
void TXpButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    if (rect().contains(event->position().toPoint()))
        PointerEntered();
    else
        PointerLeft();
}

void TXpButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    MouseUp(event->button());
}

void TXpButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    DrawPicture();
}

void TXpButton::PointerEntered()
{
    if (pointerInside_)
        return;
    pointerInside_ = true;
    CMMouseEnter();
}

void TXpButton::PointerLeft()
{
    if (!pointerInside_)
        return;
    pointerInside_ = false;
    CMMouseLeave();
}

// The pointer may have crossed the edge while the button ignored it; once enabled, the look follows
// where the pointer is now.
void TXpButton::CMEnabledChanged()
{
    if (isEnabled())
        hover_ = pointerInside_;
    update();
}

void TXpButton::CMMouseEnter()
{
    if (!isEnabled())
        return;
    emit OnMouseEnter(this);
    hover_ = true;
    update();
}

void TXpButton::CMMouseLeave()
{
    if (!isEnabled())
        return;
    emit OnMouseExit(this);
    hover_ = false;
    update();
}

void TXpButton::MouseDown(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        pressed_ = true;
    update();
}

void TXpButton::MouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        pressed_ = false;
    update();
}

// Drawn over the face the platform has just painted; the first matching state decides the look.
void TXpButton::DrawPicture()
{
    QRect rect(kPictureSpot, kPictureSpot, picture_.Width(), picture_.Height());
    TPngOptions options;
    if (!isEnabled())
        options = {pngBlendOnDisabled, pngGrayscaleOnDisabled};
    else if (!hover_)
        options = {};
    else if (pressed_) {
        rect.translate(1, 1);
        options = {pngDarker};
    } else
        options = {pngBrighter};
    TCanvas canvas(this);
    DrawPNG(picture_, canvas, rect, options);
}

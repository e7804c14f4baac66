#include "classlib/widgets/label.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/graphics/textfont.h"

#include <QEvent>
#include <QPainter>

TLabel::TLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    TAccessibleControl::Install();
}

void TLabel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    update();
}

void TLabel::SetAutoSize(bool value)
{
    autoSize_ = value;
    AdjustSize();
}

void TLabel::SetCaption(const AnsiString& caption)
{
    caption_ = caption;
    AdjustSize();
    update();
    TAccessibleControl::Announce(this, QAccessible::NameChanged);
    if (focusControl_)
        TAccessibleControl::Announce(focusControl_, QAccessible::NameChanged);
}

void TLabel::SetFocusControl(QWidget* control)
{
    focusControl_ = control;
}

void TLabel::SetTransparent(bool value)
{
    transparent_ = value;
    update();
}

QString TLabel::Text() const
{
    return QString::fromStdString(caption_.ToUtf8());
}

// The text's advance and the font's line height, as the label's size; the left edge stays in place. A label
// without a caption keeps its size, so a description's font read before the caption does not collapse it.
void TLabel::AdjustSize()
{
    if (!autoSize_ || caption_.IsEmpty())
        return;
    const TTextFont text(font(), devicePixelRatioF());
    resize(text.Width(Text()), text.Height());
}

void TLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        AdjustSize();
    QWidget::changeEvent(event);
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!transparent_)
        painter.fillRect(rect(), ToQColor(TControlProperties::Color(this)));
    const Qt::Alignment horizontal = alignment_ == taCenter        ? Qt::AlignHCenter
                                     : alignment_ == taRightJustify ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
    const int flags = int(horizontal | Qt::AlignTop) | Qt::TextSingleLine;
    const TTextFont text(font(), TTextFont::DeviceScale(painter));
    if (isEnabled()) {
        painter.setPen(ToQColor(TControlProperties::FontColor(this)));
        text.Draw(painter, rect(), flags, Text());
        return;
    }
    painter.setPen(ToQColor(clBtnHighlight));
    text.Draw(painter, rect().translated(1, 1), flags, Text());
    painter.setPen(ToQColor(clBtnShadow));
    text.Draw(painter, rect(), flags, Text());
}

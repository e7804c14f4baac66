#include "classlib/widgets/statusbar.h"

#include "classlib/graphics/canvas.h"
#include "classlib/graphics/textfont.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/controlproperties.h"

#include <QEvent>
#include <QPainter>

namespace {

constexpr int kTextIndent = 3;

} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    TAccessibleControl::Install();
    if (parent)
        TControlAlign::Arrange(parent);
}

TColor TStatusBar::Color() const
{
    return TControlProperties::Color(this);
}

void TStatusBar::SetAlign(TControlAlign::TAlign align)
{
    align_ = align;
    if (parentWidget())
        TControlAlign::Arrange(parentWidget());
}

void TStatusBar::SetSimplePanel(bool value)
{
    simplePanel_ = value;
    update();
}

void TStatusBar::SetSimpleText(const AnsiString& text, bool error)
{
    simpleText_ = text;
    simpleTextIsError_ = error;
    update();
    TAccessibleControl::Announce(this, QAccessible::NameChanged);
}

void TStatusBar::SetUseSystemFont(bool value)
{
    useSystemFont_ = value;
    if (!value)
        return;
    applyingSystemFont_ = true;
    setFont(QFont());
    setAttribute(Qt::WA_SetFont, false);
    applyingSystemFont_ = false;
}

void TStatusBar::SetColor(TColor color)
{
    TControlProperties::SetColor(this, color);
    update();
}

void TStatusBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange && !applyingSystemFont_ && testAttribute(Qt::WA_SetFont))
        useSystemFont_ = false;
    QStatusBar::changeEvent(event);
}

void TStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(Color()));
    if (!simplePanel_)
        return;
    painter.setPen(ToQColor(TControlProperties::FontColor(this)));
    const TTextFont text(font(), TTextFont::DeviceScale(painter));
    text.Draw(painter, rect().adjusted(kTextIndent, 0, -kTextIndent, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
              QString::fromStdString(simpleText_.ToUtf8()));
}

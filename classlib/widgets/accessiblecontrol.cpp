#include "classlib/widgets/accessiblecontrol.h"

#include "classlib/base/ansistring.h"
#include "classlib/widgets/statusbar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QProgressBar>

#include <map>

namespace {

std::map<QString, QAccessible::Role>& Roles()
{
    static std::map<QString, QAccessible::Role> roles = {
        {QStringLiteral("TLabel"), QAccessible::StaticText},   {QStringLiteral("TImage"), QAccessible::Graphic},
        {QStringLiteral("TComboBox"), QAccessible::ComboBox},  {QStringLiteral("TProgressBar"), QAccessible::ProgressBar},
        {QStringLiteral("TStatusBar"), QAccessible::StatusBar}, {QStringLiteral("TPanel"), QAccessible::Pane},
        {QStringLiteral("TBevel"), QAccessible::Separator},     {QStringLiteral("TForm"), QAccessible::Window},
    };
    return roles;
}

QAccessibleInterface* Presentation(const QString& className, QObject* object)
{
    const auto found = Roles().find(className);
    if (found == Roles().end() || !object || !object->isWidgetType())
        return nullptr;
    return new TAccessibleControl(static_cast<QWidget*>(object), found->second);
}

QString Caption(const QObject* object)
{
    const QVariant caption = object->property("Caption");
    if (caption.metaType() == QMetaType::fromType<AnsiString>())
        return QString::fromStdString(caption.value<AnsiString>().ToUtf8()).simplified();
    return caption.toString().simplified();
}

QWidget* FocusControl(const QObject* label)
{
    return label->property("FocusControl").value<QWidget*>();
}

// The label whose FocusControl the widget is, in the widget's window.
QWidget* LabelOf(const QWidget* widget)
{
    for (QWidget* candidate : widget->window()->findChildren<QWidget*>())
        if (candidate != widget && FocusControl(candidate) == widget)
            return candidate;
    return nullptr;
}

QString StatusErrorPrefix() { return QStringLiteral("Ошибка: "); }
QString EmptyStatusName() { return QStringLiteral("Строка состояния"); }

} // namespace

TAccessibleControl::TAccessibleControl(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

void TAccessibleControl::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Presentation);
        return true;
    }();
    (void)installed;
}

void TAccessibleControl::Register(const char* className, QAccessible::Role role)
{
    Install();
    Roles()[QString::fromLatin1(className)] = role;
}

void TAccessibleControl::Announce(QWidget* widget, QAccessible::Event event)
{
    if (!QAccessible::isActive())
        return;
    if (event == QAccessible::StateChanged) {
        QAccessible::State checked;
        checked.checked = true;
        QAccessibleStateChangeEvent change(widget, checked);
        QAccessible::updateAccessibility(&change);
        return;
    }
    QAccessibleEvent change(widget, event);
    QAccessible::updateAccessibility(&change);
}

QString TAccessibleControl::text(QAccessible::Text kind) const
{
    switch (kind) {
    case QAccessible::Name: return Name();
    case QAccessible::Value: {
        if (const auto* combo = qobject_cast<const QComboBox*>(widget()))
            return combo->currentText();
        return currentValue().isValid() ? currentValue().toString() : QString();
    }
    default: return QAccessibleWidget::text(kind);
    }
}

QString TAccessibleControl::Name() const
{
    if (role() == QAccessible::StatusBar)
        return StatusName();
    if (!widget()->accessibleName().isEmpty())
        return widget()->accessibleName().simplified();
    if (const QWidget* label = LabelOf(widget()))
        return Caption(label);
    if (widget()->isWindow())
        return widget()->windowTitle().simplified();
    return Caption(widget());
}

QString TAccessibleControl::StatusName() const
{
    const auto* status = qobject_cast<const TStatusBar*>(widget());
    const QString message = status ? QString::fromStdString(status->SimpleText().ToUtf8()).simplified() : QString();
    if (message.isEmpty())
        return widget()->accessibleName().isEmpty() ? EmptyStatusName() : widget()->accessibleName();
    return status->SimpleTextIsError() ? StatusErrorPrefix() + message : message;
}

QAccessible::State TAccessibleControl::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget())) {
        const bool open = combo->view() && combo->view()->isVisible();
        state.expandable = true;
        state.hasPopup = true;
        state.expanded = open;
        state.collapsed = !open;
    }
    if (role() == QAccessible::CheckBox) {
        state.checkable = true;
        state.checked = widget()->property("Checked").toBool();
    }
    if (role() == QAccessible::StatusBar || role() == QAccessible::StaticText || role() == QAccessible::Graphic)
        state.readOnly = true;
    return state;
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
TAccessibleControl::relations(QAccessible::Relation match) const
{
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> found;
    if (match & QAccessible::Label)
        if (QWidget* label = LabelOf(widget()))
            found.append({QAccessible::queryAccessibleInterface(label), QAccessible::Label});
    if (match & QAccessible::Labelled)
        if (QWidget* named = FocusControl(widget()))
            found.append({QAccessible::queryAccessibleInterface(named), QAccessible::Labelled});
    return found;
}

void* TAccessibleControl::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface && qobject_cast<QProgressBar*>(widget()))
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList TAccessibleControl::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (qobject_cast<const QComboBox*>(widget()) && widget()->isEnabled())
        names.prepend(showMenuAction());
    return names;
}

void TAccessibleControl::doAction(const QString& action)
{
    auto* combo = qobject_cast<QComboBox*>(widget());
    if (combo && action == showMenuAction() && combo->isEnabled())
        combo->showPopup();
    else
        QAccessibleWidget::doAction(action);
}

QVariant TAccessibleControl::currentValue() const
{
    const auto* bar = qobject_cast<const QProgressBar*>(widget());
    return bar ? QVariant(bar->value()) : QVariant();
}

QVariant TAccessibleControl::maximumValue() const
{
    const auto* bar = qobject_cast<const QProgressBar*>(widget());
    return bar ? QVariant(bar->maximum()) : QVariant();
}

QVariant TAccessibleControl::minimumValue() const
{
    const auto* bar = qobject_cast<const QProgressBar*>(widget());
    return bar ? QVariant(bar->minimum()) : QVariant();
}

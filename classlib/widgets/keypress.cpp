#include "classlib/widgets/keypress.h"

#include "classlib/base/ansistring.h"

namespace {

constexpr char16_t kDelete = u'\x7f';

std::optional<char> AnsiCharacter(char16_t unit)
{
    const char byte = Cp1251FromUnicode(unit);
    if (byte == '?' && unit != u'?')
        return std::nullopt;
    return byte;
}

} // namespace

std::optional<char> TypedCharacter(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() != 1 || text.front().unicode() == kDelete)
        return std::nullopt;
    const char16_t unit = text.front().unicode();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool command = modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (command && unit >= u' ')
        return std::nullopt;
    return AnsiCharacter(unit);
}

void RouteKeyPress(QKeyEvent* event, const std::function<bool(char&)>& keyPress,
                   const std::function<void(QKeyEvent*)>& passOn)
{
    const std::optional<char> typed = TypedCharacter(event);
    if (!typed) {
        passOn(event);
        return;
    }
    char key = *typed;
    if (!keyPress(key)) {
        event->accept();
        return;
    }
    if (key == *typed) {
        passOn(event);
        return;
    }
    const QString text(QChar(static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(key)))));
    QKeyEvent changed(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), text, event->isAutoRepeat(),
                      event->count());
    passOn(&changed);
    event->setAccepted(changed.isAccepted());
}

void RouteCommittedText(QInputMethodEvent* event, const std::function<void(QKeyEvent*)>& typeKey,
                        const std::function<void(QInputMethodEvent*)>& passOn)
{
    const QString committed = event->commitString();
    if (committed.isEmpty()) {
        passOn(event);
        return;
    }
    QInputMethodEvent replacement;
    replacement.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    passOn(&replacement);
    for (const char32_t codePoint : committed.toUcs4()) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&codePoint, 1));
        typeKey(&key);
    }
    if (!event->preeditString().isEmpty() || !event->attributes().isEmpty()) {
        QInputMethodEvent preEdit(event->preeditString(), event->attributes());
        passOn(&preEdit);
    }
    event->accept();
}

bool MovesControlFocus(const QFocusEvent* event)
{
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

#include "controls/validateedit.h"

#include "classlib/widgets/controlproperties.h"
#include "classlib/widgets/keypress.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

namespace {

static_assert(static_cast<int>(ValidateKind::OnlyDigits) == TValidateEdit::vtOnlyDigits);

bool IsPasteKey(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Paste) ||
           (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier);
}

// Keys that type a character, as opposed to editing and command keys: those carry no text, a control code,
// the delete code, or Ctrl without AltGr.
bool TypesCharacter(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier))
        return false;
    const char16_t first = text.front().unicode();
    return text.size() > 1 || (first >= u' ' && first != u'\x7f');
}

// The text as Windows-1251 bytes, one per UTF-16 unit so that positions stay those of the box; characters
// the code page lacks read as "?".
std::string AnsiBytes(const QString& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes += AnsiCharOf(c.unicode()).value_or('?');
    return bytes;
}

// Pasted text as Windows-1251 bytes; characters the code page lacks are rejected by every filter, so they go.
std::string AnsiCharacters(const QString& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        if (const std::optional<char> byte = AnsiCharOf(c.unicode()))
            bytes += *byte;
    return bytes;
}

QString FromAnsi(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes)
        text += QChar(static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(byte))));
    return text;
}

} // namespace

TValidateEdit::TValidateEdit(QWidget* parent) : TEdit(parent)
{
    // Dropped text would pass no filter; the platform's edit box takes no drops either.
    setAcceptDrops(false);
}

TValidateEdit::~TValidateEdit() = default;

void TValidateEdit::FSetValidateType(TValidateType type)
{
    validateType_ = type;
    RangeMode = false;
    MaxValue = 1.0;
    MinValue = 0.0;
    Mantissa = 0;
    if (type == vtFloat || type == vtFloatPs)
        Mantissa = 2;
    if (type != vtCustom)
        validateString_ = AnsiString();
}

void TValidateEdit::FSetValidateString(const AnsiString& list)
{
    validateString_ = list;
    if (!list.IsEmpty())
        validateType_ = vtCustom;
}

void TValidateEdit::fSetColorHTML(const AnsiString& text)
{
    color_.SetText(text);
    if (!IsHtmlIgnore(text))
        TControlProperties::SetColor(this, color_.Color);
}

void TValidateEdit::fSetColor(TColor color)
{
    color_.SetColor(color);
    TControlProperties::SetColor(this, color);
}

char TValidateEdit::FProcessKey(char key) const
{
    return ProcessKey(Settings(), key, State());
}

bool TValidateEdit::KeyPress(char& key)
{
    key = FProcessKey(key);
    return key != 0 && TEdit::KeyPress(key);
}

void TValidateEdit::WMPaste(QClipboard::Mode mode)
{
    if (isReadOnly() || validateType_ == vtNone) {
        BasePaste(mode);
        return;
    }
    if (mode == QClipboard::Selection)
        deselect();
    const QString oldText = text();
    const QString pasted = QGuiApplication::clipboard()->text(mode);
    const TValidateSettings settings = Settings();
    const bool numeric = IsNumericKind(settings.kind);
    const QString inserted = numeric ? pasted : FromAnsi(FilterPaste(settings, AnsiCharacters(pasted), State()));
    if (!inserted.isEmpty())
        insert(inserted);
    if (numeric)
        NormaliseNumber(oldText);
}

void TValidateEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsPasteKey(event)) {
        WMPaste();
        event->accept();
        return;
    }
    const bool withoutAnsiForm = TypesCharacter(event) && !TypedCharacter(event);
    if (withoutAnsiForm && validateType_ != vtNone) {
        event->accept();
        return;
    }
    TEdit::keyPressEvent(event);
}

void TValidateEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = ContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

// A middle click pastes the primary selection where the platform has one.
void TValidateEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        WMPaste(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

TValidateSettings TValidateEdit::Settings() const
{
    return TValidateSettings{static_cast<ValidateKind>(validateType_), validateString_.Bytes(), Mantissa, RangeMode,
                             MaxValue, MinValue};
}

TEditState TValidateEdit::State() const
{
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    return TEditState{AnsiBytes(text()), start, static_cast<int>(selectedText().size())};
}

// The platform's menu with its paste item (found by its text, which may carry the shortcut behind a tab)
// replaced by one that runs the filtered paste.
QMenu* TValidateEdit::ContextMenu()
{
    QMenu* menu = createStandardContextMenu();
    const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* platformPaste : menu->actions()) {
        if (platformPaste->text().section(u'\t', 0, 0) != pasteText)
            continue;
        auto* paste = new QAction(platformPaste->icon(), platformPaste->text(), menu);
        paste->setObjectName(QStringLiteral("edit-paste"));
        paste->setEnabled(platformPaste->isEnabled());
        connect(paste, &QAction::triggered, this, [this] { WMPaste(); });
        menu->insertAction(platformPaste, paste);
        menu->removeAction(platformPaste);
    }
    return menu;
}

void TValidateEdit::BasePaste(QClipboard::Mode mode)
{
    if (isReadOnly())
        return;
    if (mode == QClipboard::Clipboard) {
        paste();
        return;
    }
    deselect();
    insert(QGuiApplication::clipboard()->text(QClipboard::Selection));
}

// A numeric box shows the pasted number written with its decimals, or its old text when that number does
// not fit. The box holds maxLength() characters (32767 unless set lower), so a Mantissa beyond that shows as
// many decimals as fit.
void TValidateEdit::NormaliseNumber(const QString& oldText)
{
    const std::optional<std::string> normalised =
        NormalisePastedNumber(Settings(), AnsiBytes(text()), maxLength());
    setText(normalised ? FromAnsi(*normalised) : oldText);
}

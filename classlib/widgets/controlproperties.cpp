#include "classlib/widgets/controlproperties.h"

#include "classlib/graphics/canvas.h"
#include "classlib/base/colorident.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/fonthinting.h"

#include <QPalette>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

using Kind = TFormValue::Kind;

// Values of the common properties that Qt does not keep itself live on the widget under these names.
constexpr const char* kColor = "zentor:Color";
constexpr const char* kFontColor = "zentor:FontColor";
constexpr const char* kCharset = "zentor:Charset";
constexpr const char* kCursor = "zentor:Cursor";
constexpr const char* kHint = "zentor:Hint";
constexpr const char* kShowHint = "zentor:ShowHint";
constexpr const char* kTabOrder = "zentor:TabOrder";

constexpr int kMaxCoordinate = QWIDGETSIZE_MAX;
constexpr int kDefaultCharset = 1;
// The largest character height in pixels. Text in such a font is already as tall as half a screen; a label
// that sizes itself to a caption in a font eight times that took seconds and gigabytes to paint.
constexpr int kMaxFontHeight = 512;

[[noreturn]] void Refuse(const std::string& why)
{
    throw Exception(AnsiString::FromUtf8(why));
}

struct TNamedValue {
    int value;
    const char* name;
    Qt::CursorShape shape;
};

constexpr TNamedValue kCursors[] = {
    {crDefault, "crDefault", Qt::ArrowCursor}, {crNone, "crNone", Qt::BlankCursor},
    {crArrow, "crArrow", Qt::ArrowCursor}, {crCross, "crCross", Qt::CrossCursor},
    {crIBeam, "crIBeam", Qt::IBeamCursor}, {crSizeNESW, "crSizeNESW", Qt::SizeBDiagCursor},
    {crSizeNS, "crSizeNS", Qt::SizeVerCursor}, {crSizeNWSE, "crSizeNWSE", Qt::SizeFDiagCursor},
    {crSizeWE, "crSizeWE", Qt::SizeHorCursor}, {crUpArrow, "crUpArrow", Qt::UpArrowCursor},
    {crHourGlass, "crHourGlass", Qt::WaitCursor}, {crDrag, "crDrag", Qt::DragMoveCursor},
    {crNoDrop, "crNoDrop", Qt::ForbiddenCursor}, {crHSplit, "crHSplit", Qt::SplitHCursor},
    {crVSplit, "crVSplit", Qt::SplitVCursor}, {crMultiDrag, "crMultiDrag", Qt::DragCopyCursor},
    {crSQLWait, "crSQLWait", Qt::WaitCursor}, {crNo, "crNo", Qt::ForbiddenCursor},
    {crAppStart, "crAppStart", Qt::BusyCursor}, {crHelp, "crHelp", Qt::WhatsThisCursor},
    {crHandPoint, "crHandPoint", Qt::PointingHandCursor}, {crSizeAll, "crSizeAll", Qt::SizeAllCursor},
};

constexpr TNamedValue kCharsets[] = {
    {0, "ANSI_CHARSET", {}}, {1, "DEFAULT_CHARSET", {}}, {2, "SYMBOL_CHARSET", {}}, {77, "MAC_CHARSET", {}},
    {128, "SHIFTJIS_CHARSET", {}}, {129, "HANGEUL_CHARSET", {}}, {134, "GB2312_CHARSET", {}},
    {136, "CHINESEBIG5_CHARSET", {}}, {161, "GREEK_CHARSET", {}}, {162, "TURKISH_CHARSET", {}},
    {177, "HEBREW_CHARSET", {}}, {178, "ARABIC_CHARSET", {}}, {186, "BALTIC_CHARSET", {}},
    {204, "RUSSIAN_CHARSET", {}}, {222, "THAI_CHARSET", {}}, {238, "EASTEUROPE_CHARSET", {}},
    {255, "OEM_CHARSET", {}},
};

template <std::size_t N>
const TNamedValue* ByValue(const TNamedValue (&table)[N], int value)
{
    const auto found = std::find_if(std::begin(table), std::end(table), [value](auto& e) { return e.value == value; });
    return found == std::end(table) ? nullptr : found;
}

template <std::size_t N>
TFormValue NamedOrNumber(const TNamedValue (&table)[N], int value)
{
    const TNamedValue* entry = ByValue(table, value);
    return entry ? TFormValue::OfIdentifier(entry->name) : TFormValue::OfInteger(value);
}

int ToInt(const TFormValue& value, int low, int high)
{
    if (value.kind != Kind::Integer)
        Refuse("expected a whole number");
    if (value.integer < low || value.integer > high)
        Refuse(std::to_string(value.integer) + " is out of range " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int>(value.integer);
}

template <std::size_t N>
int NamedToInt(const TNamedValue (&table)[N], const TFormValue& value, int low, int high, const char* what)
{
    if (value.kind != Kind::Identifier)
        return ToInt(value, low, high);
    for (const TNamedValue& entry : table)
        if (value.text == QLatin1String(entry.name))
            return entry.value;
    Refuse("'" + value.text.left(40).toStdString() + "' is not " + what);
}

QString ToText(const TFormValue& value)
{
    if (value.kind != Kind::String)
        Refuse("expected a string");
    return value.text;
}

int StoredInt(const QWidget* widget, const char* key, int fallback)
{
    const QVariant value = widget->property(key);
    return value.isValid() ? value.toInt() : fallback;
}

QWidget* Widget(QObject* object) { return static_cast<QWidget*>(object); }
const QWidget* Widget(const QObject* object) { return static_cast<const QWidget*>(object); }

bool ParentColor(const QWidget* widget) { return !widget->property(kColor).isValid(); }
bool ParentFont(const QWidget* widget) { return !widget->testAttribute(Qt::WA_SetFont); }

void ApplyHint(QWidget* widget)
{
    widget->setToolTip(widget->property(kShowHint).toBool() ? widget->property(kHint).toString() : QString());
}

void ApplyCursor(QWidget* widget, int cursor)
{
    widget->setProperty(kCursor, cursor);
    if (cursor == crDefault) {
        widget->unsetCursor();
        return;
    }
    const TNamedValue* entry = ByValue(kCursors, cursor);
    widget->setCursor(entry ? entry->shape : Qt::ArrowCursor);
}

void ChangeFont(QWidget* widget, const std::function<void(QFont&)>& change)
{
    QFont font = widget->font();
    change(font);
    font.setHintingPreference(WindowFontHinting(font));
    font.setResolveMask(QFont::AllPropertiesResolved);
    widget->setFont(font);
}

int FontHeight(const QWidget* widget)
{
    const QFont font = widget->font();
    return -(font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * 96 / 72));
}

struct TStyleBit {
    const char* name;
    bool (QFont::*get)() const;
    void (QFont::*set)(bool);
};

constexpr TStyleBit kStyles[] = {
    {"fsBold", &QFont::bold, &QFont::setBold},
    {"fsItalic", &QFont::italic, &QFont::setItalic},
    {"fsUnderline", &QFont::underline, &QFont::setUnderline},
    {"fsStrikeOut", &QFont::strikeOut, &QFont::setStrikeOut},
};

TFormValue FontStyle(const QWidget* widget)
{
    TFormValue set;
    set.kind = Kind::Set;
    const QFont font = widget->font();
    for (const TStyleBit& style : kStyles)
        if ((font.*style.get)())
            set.members.emplace_back(style.name);
    return set;
}

void SetFontStyle(QWidget* widget, const TFormValue& value)
{
    if (value.kind != Kind::Set)
        Refuse("expected a set in brackets");
    for (const std::string& member : value.members)
        if (std::none_of(std::begin(kStyles), std::end(kStyles), [&](auto& s) { return member == s.name; }))
            Refuse("'" + member.substr(0, 40) + "' is not a member of TFontStyles");
    ChangeFont(widget, [&value](QFont& font) {
        for (const TStyleBit& style : kStyles)
            (font.*style.set)(std::find(value.members.begin(), value.members.end(), style.name) != value.members.end());
    });
}

void ApplyPalette(QWidget* widget)
{
    QPalette palette = widget->palette();
    const QWidget* parent = widget->parentWidget();
    const QPalette inherited = parent ? parent->palette() : QPalette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
        palette.setColor(role, ParentColor(widget) ? inherited.color(role) : ToQColor(TControlProperties::Color(widget)));
    // A disabled control draws its text in the grey text colour, whatever its font colour.
    if (widget->property(kFontColor).isValid())
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
            palette.setColor(QPalette::Active, role, ToQColor(TControlProperties::FontColor(widget)));
            palette.setColor(QPalette::Inactive, role, ToQColor(TControlProperties::FontColor(widget)));
            palette.setColor(QPalette::Disabled, role, ToQColor(clGrayText));
        }
    widget->setPalette(palette);
    widget->setAutoFillBackground(!ParentColor(widget));
}

using Getter = std::function<TFormValue(const QObject*)>;
using Setter = std::function<void(QObject*, const TFormValue&)>;

TPublishedProperty Entry(const char* name, Getter get, Setter set)
{
    TPublishedProperty entry;
    entry.name = name;
    entry.get = std::move(get);
    entry.set = std::move(set);
    entry.stored = [](const QObject*) { return true; };
    return entry;
}

TPublishedProperty Geometry(const char* name, int (QWidget::*get)() const, bool position, bool xAxis)
{
    return Entry(
        name, [get](const QObject* o) { return TFormValue::OfInteger((Widget(o)->*get)()); },
        [position, xAxis](QObject* o, const TFormValue& v) {
            QWidget* w = Widget(o);
            const int value = ToInt(v, position ? -kMaxCoordinate : 0, kMaxCoordinate);
            if (position)
                w->move(xAxis ? value : w->x(), xAxis ? w->y() : value);
            else
                w->resize(xAxis ? value : w->width(), xAxis ? w->height() : value);
        });
}

TPublishedProperty NotStored(TPublishedProperty entry)
{
    entry.stored = [](const QObject*) { return false; };
    return entry;
}

TPublishedProperty WhileNot(TPublishedProperty entry, bool (*inherits)(const QWidget*))
{
    entry.stored = [inherits](const QObject* o) { return !inherits(Widget(o)); };
    entry.compareWithDefault = false;
    return entry;
}

std::vector<TPublishedProperty> PlacementProperties()
{
    return {
        Geometry("Left", &QWidget::x, true, true),
        Geometry("Top", &QWidget::y, true, false),
        Geometry("Width", &QWidget::width, false, true),
        Geometry("Height", &QWidget::height, false, false),
        NotStored(Geometry("ClientWidth", &QWidget::width, false, true)),
        NotStored(Geometry("ClientHeight", &QWidget::height, false, false)),
    };
}

TPublishedProperty Caption()
{
    return Entry(
        "Caption", [](const QObject* o) { return TFormValue::OfString(Widget(o)->windowTitle()); },
        [](QObject* o, const TFormValue& v) { Widget(o)->setWindowTitle(ToText(v)); });
}

std::vector<TPublishedProperty> StateProperties()
{
    return {
        Entry(
            "Cursor", [](const QObject* o) { return NamedOrNumber(kCursors, StoredInt(Widget(o), kCursor, crDefault)); },
            [](QObject* o, const TFormValue& v) {
                ApplyCursor(Widget(o), NamedToInt(kCursors, v, crSizeAll, 0, "a cursor name"));
            }),
        Entry(
            "Enabled",
            [](const QObject* o) {
                return TFormValue::OfIdentifier(Widget(o)->testAttribute(Qt::WA_ForceDisabled) ? "False" : "True");
            },
            [](QObject* o, const TFormValue& v) { Widget(o)->setEnabled(TControlProperties::ToBool(v)); }),
        Entry(
            "Visible",
            [](const QObject* o) {
                const QWidget* w = Widget(o);
                const bool hidden = w->isHidden() && (w->isWindow() || w->testAttribute(Qt::WA_WState_ExplicitShowHide));
                return TFormValue::OfIdentifier(hidden ? "False" : "True");
            },
            [](QObject* o, const TFormValue& v) { Widget(o)->setVisible(TControlProperties::ToBool(v)); }),
        Entry(
            "Hint", [](const QObject* o) { return TFormValue::OfString(Widget(o)->property(kHint).toString()); },
            [](QObject* o, const TFormValue& v) {
                Widget(o)->setProperty(kHint, ToText(v));
                ApplyHint(Widget(o));
            }),
        Entry(
            "ShowHint",
            [](const QObject* o) {
                return TFormValue::OfIdentifier(Widget(o)->property(kShowHint).toBool() ? "True" : "False");
            },
            [](QObject* o, const TFormValue& v) {
                Widget(o)->setProperty(kShowHint, TControlProperties::ToBool(v));
                ApplyHint(Widget(o));
            }),
    };
}

std::vector<TPublishedProperty> ColourProperties()
{
    return {
        Entry(
            "ParentColor", [](const QObject* o) { return TFormValue::OfIdentifier(ParentColor(Widget(o)) ? "True" : "False"); },
            [](QObject* o, const TFormValue& v) {
                QWidget* w = Widget(o);
                if (TControlProperties::ToBool(v))
                    w->setProperty(kColor, QVariant());
                else
                    w->setProperty(kColor, TControlProperties::Color(w));
                ApplyPalette(w);
            }),
        WhileNot(Entry(
                     "Color", [](const QObject* o) { return TControlProperties::FromColor(TControlProperties::Color(Widget(o))); },
                     [](QObject* o, const TFormValue& v) {
                         TControlProperties::SetColor(Widget(o), TControlProperties::ToColor(v));
                     }),
                 ParentColor),
    };
}

std::vector<TPublishedProperty> FontProperties()
{
    return {
        Entry(
            "ParentFont", [](const QObject* o) { return TFormValue::OfIdentifier(ParentFont(Widget(o)) ? "True" : "False"); },
            [](QObject* o, const TFormValue& v) {
                QWidget* w = Widget(o);
                if (TControlProperties::ToBool(v))
                    w->setFont(QFont());
                else
                    ChangeFont(w, [](QFont&) {});
            }),
        WhileNot(Entry(
                     "Font.Charset",
                     [](const QObject* o) { return NamedOrNumber(kCharsets, StoredInt(Widget(o), kCharset, kDefaultCharset)); },
                     [](QObject* o, const TFormValue& v) {
                         Widget(o)->setProperty(kCharset, NamedToInt(kCharsets, v, 0, 255, "a character set name"));
                         ChangeFont(Widget(o), [](QFont&) {});
                     }),
                 ParentFont),
        WhileNot(Entry(
                     "Font.Color",
                     [](const QObject* o) { return TControlProperties::FromColor(TControlProperties::FontColor(Widget(o))); },
                     [](QObject* o, const TFormValue& v) {
                         TControlProperties::SetFontColor(Widget(o), TControlProperties::ToColor(v));
                         ChangeFont(Widget(o), [](QFont&) {});
                     }),
                 ParentFont),
        WhileNot(Entry(
                     "Font.Height",
                     [](const QObject* o) {
                         const int height = FontHeight(Widget(o));
                         if (height == 0 || height < -kMaxFontHeight || height > kMaxFontHeight)
                             Refuse("a font height of " + std::to_string(height) + " is outside -" +
                                    std::to_string(kMaxFontHeight) + "..-1");
                         return TFormValue::OfInteger(height);
                     },
                     [](QObject* o, const TFormValue& v) {
                         const int height = ToInt(v, -kMaxFontHeight, kMaxFontHeight);
                         if (height == 0)
                             Refuse("a font height of 0 has no size");
                         ChangeFont(Widget(o), [height](QFont& font) { font.setPixelSize(std::abs(height)); });
                     }),
                 ParentFont),
        WhileNot(Entry(
                     "Font.Name", [](const QObject* o) { return TFormValue::OfString(Widget(o)->font().family()); },
                     [](QObject* o, const TFormValue& v) {
                         const QString name = ToText(v);
                         ChangeFont(Widget(o), [&name](QFont& font) { font.setFamily(name); });
                     }),
                 ParentFont),
        WhileNot(Entry(
                     "Font.Style", [](const QObject* o) { return FontStyle(Widget(o)); },
                     [](QObject* o, const TFormValue& v) { SetFontStyle(Widget(o), v); }),
                 ParentFont),
    };
}

std::vector<TPublishedProperty> FocusProperties()
{
    return {
        Entry(
            "TabOrder", [](const QObject* o) { return TFormValue::OfInteger(StoredInt(Widget(o), kTabOrder, -1)); },
            [](QObject* o, const TFormValue& v) { Widget(o)->setProperty(kTabOrder, ToInt(v, -1, 32767)); }),
        Entry(
            "TabStop",
            [](const QObject* o) {
                return TFormValue::OfIdentifier((Widget(o)->focusPolicy() & Qt::TabFocus) ? "True" : "False");
            },
            [](QObject* o, const TFormValue& v) {
                QWidget* w = Widget(o);
                const int policy = w->focusPolicy();
                if (!TControlProperties::ToBool(v))
                    w->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy & ~Qt::TabFocus));
                else if (policy == Qt::NoFocus)
                    w->setFocusPolicy(Qt::StrongFocus);
                else
                    w->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy | Qt::TabFocus));
            }),
    };
}

template <class T>
void Append(std::vector<T>& to, std::vector<T> more)
{
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

const std::vector<TPublishedProperty>& ControlTable(bool window)
{
    static const auto build = [](bool withCaption) {
        std::vector<TPublishedProperty> table = PlacementProperties();
        if (withCaption)
            table.push_back(Caption());
        Append(table, StateProperties());
        Append(table, ColourProperties());
        Append(table, FontProperties());
        Append(table, FocusProperties());
        return table;
    };
    static const std::vector<TPublishedProperty> windowTable = build(true);
    static const std::vector<TPublishedProperty> controlTable = build(false);
    return window ? windowTable : controlTable;
}

// The children of parent by TabOrder, each followed by its own descendants in their order, then the
// descendants of the children without a TabOrder: a container's controls come right after it, as Tab visits
// them, and not wherever they were made.
std::vector<QWidget*> TabChain(QWidget* parent)
{
    std::multimap<int, QWidget*> ordered;
    std::vector<QWidget*> unordered;
    for (QObject* child : parent->children())
        if (child->isWidgetType()) {
            QWidget* widget = Widget(child);
            const int order = StoredInt(widget, kTabOrder, -1);
            if (order >= 0)
                ordered.emplace(order, widget);
            else
                unordered.push_back(widget);
        }
    std::vector<QWidget*> chain;
    for (const auto& [order, widget] : ordered) {
        chain.push_back(widget);
        Append(chain, TabChain(widget));
    }
    for (QWidget* widget : unordered)
        Append(chain, TabChain(widget));
    return chain;
}

} // namespace

std::vector<TPublishedProperty> TControlProperties::Table(const QWidget* widget)
{
    return ControlTable(widget->isWindow());
}

TColor TControlProperties::Color(const QWidget* widget)
{
    const QVariant own = widget->property(kColor);
    if (own.isValid())
        return own.toInt();
    return widget->parentWidget() ? Color(widget->parentWidget()) : clBtnFace;
}

TColor TControlProperties::FontColor(const QWidget* widget)
{
    const QVariant own = widget->property(kFontColor);
    if (own.isValid())
        return own.toInt();
    return widget->parentWidget() && ParentFont(widget) ? FontColor(widget->parentWidget()) : clWindowText;
}

void TControlProperties::SetColor(QWidget* widget, TColor color)
{
    widget->setProperty(kColor, color);
    ApplyPalette(widget);
}

void TControlProperties::SetFontColor(QWidget* widget, TColor color)
{
    widget->setProperty(kFontColor, color);
    ApplyPalette(widget);
}

void TControlProperties::ApplyTabOrder(QWidget* parent)
{
    const std::vector<QWidget*> order = TabChain(parent);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool TControlProperties::ToBool(const TFormValue& value)
{
    if (value.kind == Kind::Identifier && value.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.kind == Kind::Identifier && value.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    Refuse("expected True or False");
}

TColor TControlProperties::ToColor(const TFormValue& value)
{
    if (value.kind == Kind::Identifier) {
        const std::optional<TColor> color = IdentToColor(value.text.toStdString());
        if (!color)
            Refuse("'" + value.text.left(40).toStdString() + "' is not a colour name");
        return *color;
    }
    if (value.kind != Kind::Integer)
        Refuse("expected a colour name or number");
    if (value.integer < std::numeric_limits<std::int32_t>::min() || value.integer > 0xFFFFFFFFll)
        Refuse(std::to_string(value.integer) + " is out of range for a colour");
    return static_cast<TColor>(static_cast<std::uint32_t>(value.integer));
}

TFormValue TControlProperties::FromColor(TColor color)
{
    const std::optional<std::string> name = ColorToIdent(color);
    return name ? TFormValue::OfIdentifier(QString::fromStdString(*name)) : TFormValue::OfInteger(color);
}

AnsiString TControlProperties::ToAnsiString(const QString& text)
{
    const std::string utf8 = text.toStdString();
    AnsiString result = AnsiString::FromUtf8(utf8);
    if (result.ToUtf8() != utf8)
        Refuse("the text has characters that Windows-1251 cannot hold");
    return result;
}

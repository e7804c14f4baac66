#include "classlib/forms/formparser.h"

#include "classlib/base/exception.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(int line, const std::string& what)
{
    throw EReadError(AnsiString::FromUtf8("Line " + std::to_string(line) + ": " + what));
}

// A name or piece of text from the description, shortened for an error message.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "'" + shown + (text.size() > kShown ? "...'" : "'");
}

bool SameWord(std::string_view a, std::string_view b);

void CheckTextSize(std::string_view text)
{
    if (text.size() <= TFormParser::MaxTextSize)
        return;
    const auto limit = text.begin() + static_cast<std::ptrdiff_t>(TFormParser::MaxTextSize);
    const auto line = static_cast<int>(std::count(text.begin(), limit, '\n')) + 1;
    Fail(line, "the description is longer than " + std::to_string(TFormParser::MaxTextSize) + " bytes");
}

std::string_view WithoutByteOrderMark(std::string_view text)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

// How a message names an object: "Name (TClass)", or "(TClass)" when it has no name.
std::string OwnerName(const TFormObject& object)
{
    return (object.name.empty() ? "" : object.name.substr(0, 40) + " ") + "(" + object.className.substr(0, 40) + ")";
}

bool IsReservedWord(std::string_view word)
{
    return SameWord(word, "end") || SameWord(word, "object");
}

void CheckLineLengths(std::string_view text)
{
    int line = 1;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end - start > TFormParser::MaxLineLength)
            Fail(line, "line longer than " + std::to_string(TFormParser::MaxLineLength) + " characters");
        start = end + 1;
        ++line;
    }
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c) || c == '.'; }

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool SameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

// Reads the description character by character; keeps the current line for messages.
class TScanner {
public:
    explicit TScanner(std::string_view text) : text_(text) {}

    int Line() const { return line_; }
    bool AtEnd() { SkipBlanks(); return pos_ >= text_.size(); }
    char Peek() { SkipBlanks(); return pos_ < text_.size() ? text_[pos_] : '\0'; }

    [[noreturn]] void Fail(const std::string& what) const { ::Fail(line_, what); }

    void Expect(char symbol, const char* context)
    {
        if (Peek() != symbol)
            Fail(std::string("expected '") + symbol + "' " + context + ", found " + Describe());
        ++pos_;
    }

    bool Take(char symbol)
    {
        if (Peek() != symbol)
            return false;
        ++pos_;
        return true;
    }

    std::string_view Identifier(const char* what)
    {
        if (!IsIdentStart(Peek()))
            Fail(std::string("expected ") + what + ", found " + Describe());
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_]))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // The next word without consuming it; empty when no identifier follows.
    std::string_view PeekWord()
    {
        if (!IsIdentStart(Peek()))
            return {};
        std::size_t end = pos_;
        while (end < text_.size() && IsIdentChar(text_[end]))
            ++end;
        return text_.substr(pos_, end - pos_);
    }

    TFormValue Number()
    {
        const std::size_t start = pos_;
        if (text_[pos_] == '-' || text_[pos_] == '+')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '$')
            return HexNumber(start);
        if (pos_ >= text_.size() || !IsDigit(text_[pos_]))
            Fail("expected a number after the sign");
        while (pos_ < text_.size() && IsDigit(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'E' || text_[pos_] == 'e'))
            return FloatNumber(start);
        return IntegerNumber(text_.substr(start, pos_ - start));
    }

    QString String()
    {
        QString result;
        do {
            if (Peek() == '\'')
                result += QuotedPiece();
            else
                result += CharacterCode();
        } while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#'));
        return result;
    }

    // Hexadecimal digits by table, two to a byte, blanks and line breaks between them skipped.
    QByteArray Binary()
    {
        static constexpr auto kDigits = [] {
            std::array<std::int8_t, 256> digits{};
            digits.fill(-1);
            for (int c = 0; c < 10; ++c)
                digits['0' + c] = static_cast<std::int8_t>(c);
            for (int c = 0; c < 6; ++c)
                digits['A' + c] = digits['a' + c] = static_cast<std::int8_t>(10 + c);
            return digits;
        }();
        const int startLine = line_;
        // Every pair of digits up to the closing brace makes one byte, so that many bytes is the most.
        const std::size_t close = std::min(text_.find('}', pos_), text_.size());
        QByteArray bytes(static_cast<qsizetype>((close - pos_) / 2), Qt::Uninitialized);
        char* out = bytes.data();
        const auto digitAt = [this](std::size_t at) { return kDigits[static_cast<unsigned char>(text_[at])]; };
        int high = -1;
        while (pos_ < text_.size()) {
            // The bulk of a value: whole pairs of digits, a byte at a time.
            while (high < 0 && pos_ + 1 < text_.size() && (digitAt(pos_) | digitAt(pos_ + 1)) >= 0) {
                *out++ = static_cast<char>(digitAt(pos_) << 4 | digitAt(pos_ + 1));
                pos_ += 2;
            }
            if (pos_ >= text_.size())
                break;
            const char c = text_[pos_++];
            const int digit = kDigits[static_cast<unsigned char>(c)];
            if (digit >= 0 && high < 0) {
                high = digit;
            } else if (digit >= 0) {
                *out++ = static_cast<char>(high << 4 | digit);
                high = -1;
            } else if (c == '}') {
                if (high >= 0)
                    Fail("binary value with an odd number of hexadecimal digits");
                bytes.truncate(out - bytes.constData());
                return bytes;
            } else if (c == '\n') {
                ++line_;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                Fail("bad hexadecimal digit " + Quoted(std::string_view(&c, 1)) + " in a binary value");
            }
        }
        ::Fail(startLine, "binary value not closed with '}'");
    }

    std::string Describe()
    {
        if (AtEnd())
            return "the end of the text";
        if (text_.substr(pos_, 3) == "\xEF\xBB\xBF")
            return "a UTF-8 byte-order mark";
        const std::string_view word = PeekWord();
        return Quoted(word.empty() ? text_.substr(pos_, 1) : word);
    }

private:
    void SkipBlanks()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++pos_;
        }
    }

    TFormValue IntegerNumber(std::string_view digits)
    {
        std::int64_t value = 0;
        const char* first = digits.data() + (digits.front() == '+' ? 1 : 0);
        const auto [end, error] = std::from_chars(first, digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size())
            Fail("number " + Quoted(digits) + " out of range");
        return TFormValue::OfInteger(value);
    }

    TFormValue HexNumber(std::size_t start)
    {
        const bool negative = text_[start] == '-';
        ++pos_; // '$'
        const std::size_t digitsStart = pos_;
        std::uint64_t value = 0;
        while (pos_ < text_.size() && HexDigit(text_[pos_]) >= 0) {
            if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
                Fail("number " + Quoted(text_.substr(start, pos_ - start + 1)) + " out of range");
            value = value << 4 | static_cast<std::uint64_t>(HexDigit(text_[pos_++]));
        }
        if (pos_ == digitsStart)
            Fail("expected hexadecimal digits after '$'");
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            Fail("number " + Quoted(text_.substr(start, pos_ - start)) + " out of range");
        const auto magnitude = static_cast<std::int64_t>(value);
        return TFormValue::OfInteger(negative ? -magnitude : magnitude);
    }

    TFormValue FloatNumber(std::size_t start)
    {
        if (text_[pos_] == '.') {
            ++pos_;
            while (pos_ < text_.size() && IsDigit(text_[pos_]))
                ++pos_;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'E' || text_[pos_] == 'e')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+'))
                ++pos_;
            if (pos_ >= text_.size() || !IsDigit(text_[pos_]))
                Fail("expected digits of the exponent");
            while (pos_ < text_.size() && IsDigit(text_[pos_]))
                ++pos_;
        }
        const std::string digits(text_.substr(start, pos_ - start));
        char* end = nullptr;
        const double value = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || value == HUGE_VAL || value == -HUGE_VAL)
            Fail("number " + Quoted(digits) + " out of range");
        TFormValue result;
        result.kind = TFormValue::Kind::Float;
        result.number = value;
        return result;
    }

    QString QuotedPiece()
    {
        ++pos_; // opening quote
        std::string bytes;
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == '\n')
                Fail("string not closed with a quote");
            const char c = text_[pos_++];
            if (c == '\'') {
                if (pos_ < text_.size() && text_[pos_] == '\'') {
                    bytes += '\'';
                    ++pos_;
                    continue;
                }
                break;
            }
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                Fail("control character in a string (write it as #<code> outside the quotes)");
            bytes += c;
        }
        return DecodeUtf8(bytes);
    }

    QString DecodeUtf8(const std::string& bytes) const
    {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (decoder.hasError())
            Fail("string is not valid UTF-8");
        return text;
    }

    QString CharacterCode()
    {
        ++pos_; // '#'
        const std::size_t start = pos_;
        std::uint32_t code = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            code = code * 10 + static_cast<std::uint32_t>(text_[pos_++] - '0');
            if (code > 0x10FFFF)
                Fail("character code out of range");
        }
        if (pos_ == start)
            Fail("expected a decimal character code after '#'");
        if (code >= 0xD800 && code <= 0xDFFF)
            Fail("character code " + std::to_string(code) + " is not a character");
        const char32_t character = code;
        return QString::fromUcs4(&character, 1);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// Recursive descent over the scanner; depth counts nested objects and collections.
class TParser {
public:
    explicit TParser(std::string_view text) : scan_(text) {}

    TFormObject Root()
    {
        if (scan_.AtEnd())
            scan_.Fail("the description is empty");
        TFormObject root = Object(0);
        if (!scan_.AtEnd())
            scan_.Fail("unexpected " + scan_.Describe() + " after the end of the root object");
        return root;
    }

private:
    // Refuses a property name given twice among properties (one object's or one item's); the message names
    // the first line that repeats a name. Sorting positions costs less than a set of names while parsing.
    static void CheckGivenOnce(const std::vector<TFormProperty>& properties, const std::string& owner)
    {
        std::vector<std::uint32_t> order(properties.size());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&properties](std::uint32_t a, std::uint32_t b) {
            return properties[a].name < properties[b].name;
        });
        const TFormProperty* repeated = nullptr;
        for (std::size_t i = 1; i < order.size(); ++i) {
            const TFormProperty& later = properties[order[i]];
            if (later.name == properties[order[i - 1]].name && (!repeated || later.line < repeated->line))
                repeated = &later;
        }
        if (repeated)
            Fail(repeated->line, owner + ": property " + Shown(repeated->name) + " is given twice");
    }

    TFormObject Object(int depth)
    {
        if (depth >= TFormParser::MaxDepth)
            scan_.Fail("objects nested deeper than " + std::to_string(TFormParser::MaxDepth) + " levels");
        if (!SameWord(scan_.PeekWord(), "object"))
            scan_.Fail("expected 'object', found " + scan_.Describe());
        scan_.Identifier("'object'");
        TFormObject object;
        object.line = scan_.Line();
        Header(object);
        const std::string owner = OwnerName(object);
        while (true) {
            if (scan_.AtEnd())
                Fail(object.line, "object " + Quoted(object.name) + " not closed with 'end'");
            const std::string_view word = scan_.PeekWord();
            if (SameWord(word, "end")) {
                scan_.Identifier("'end'");
                CheckGivenOnce(object.properties, owner);
                return object;
            }
            if (SameWord(word, "object"))
                object.children.push_back(Object(depth + 1));
            else
                object.properties.push_back(Property(depth, owner));
        }
    }

    void Header(TFormObject& object)
    {
        const std::string_view first = Name("the object's name");
        if (scan_.Take(':')) {
            object.name = first;
            object.className = Name("the object's class after ':'");
        } else {
            object.className = first;
        }
    }

    // A component or class name: an identifier without dots.
    std::string_view Name(const char* what)
    {
        const int line = scan_.Line();
        const std::string_view name = scan_.Identifier(what);
        if (name.find('.') != std::string_view::npos)
            Fail(line, std::string("expected ") + what + " without dots, found " + Quoted(name));
        return name;
    }

    TFormProperty Property(int depth, const std::string& owner)
    {
        TFormProperty property;
        property.line = scan_.Line();
        const std::string_view name = scan_.Identifier("a property name, 'object' or 'end'");
        property.name = name;
        scan_.Expect('=', ("after " + Quoted(property.name)).c_str());
        if (IsReservedWord(scan_.PeekWord()))
            Fail(property.line, "property " + Quoted(property.name) + " has no value before " + scan_.Describe());
        property.value = Value(depth, owner + "." + Shown(name));
        return property;
    }

    TFormValue Value(int depth, const std::string& path)
    {
        const char c = scan_.Peek();
        if (c == '<')
            return Collection(depth + 1, path);
        if (c == '[')
            return Set();
        if (c == '(')
            return List();
        return Scalar();
    }

    TFormValue Scalar()
    {
        const char c = scan_.Peek();
        if (c == '\'' || c == '#')
            return Text();
        if (c == '-' || c == '+' || c == '$' || IsDigit(c))
            return scan_.Number();
        if (c == '{') {
            scan_.Take('{');
            return TFormValue::OfBinary(scan_.Binary());
        }
        if (IsIdentStart(c))
            return TFormValue::OfIdentifier(QString::fromLatin1(scan_.Identifier("a value")));
        scan_.Fail("expected a value, found " + scan_.Describe());
    }

    TFormValue Text()
    {
        QString text = scan_.String();
        while (scan_.Take('+')) {
            const char c = scan_.Peek();
            if (c != '\'' && c != '#')
                scan_.Fail("expected a string after '+', found " + scan_.Describe());
            text += scan_.String();
        }
        return TFormValue::OfString(text);
    }

    TFormValue Set()
    {
        scan_.Take('[');
        TFormValue set;
        set.kind = TFormValue::Kind::Set;
        if (scan_.Take(']'))
            return set;
        do {
            if (set.members.size() == TFormParser::MaxSetSize)
                scan_.Fail("a set holds at most " + std::to_string(TFormParser::MaxSetSize) + " members");
            set.members.emplace_back(scan_.Identifier("a set member"));
        } while (scan_.Take(','));
        scan_.Expect(']', "to close the set");
        return set;
    }

    TFormValue List()
    {
        const int startLine = scan_.Line();
        scan_.Take('(');
        TFormValue list;
        list.kind = TFormValue::Kind::List;
        while (!scan_.Take(')')) {
            if (scan_.AtEnd())
                Fail(startLine, "list not closed with ')'");
            const char c = scan_.Peek();
            if (c != '\'' && c != '#')
                scan_.Fail("expected a string in a list, found " + scan_.Describe());
            list.list.push_back(Text().text);
        }
        return list;
    }

    TFormValue Collection(int depth, const std::string& path)
    {
        if (depth >= TFormParser::MaxDepth)
            scan_.Fail("collections nested deeper than " + std::to_string(TFormParser::MaxDepth) + " levels");
        const int startLine = scan_.Line();
        scan_.Take('<');
        std::vector<TFormItem> items;
        while (!scan_.Take('>')) {
            if (scan_.AtEnd())
                Fail(startLine, "collection not closed with '>'");
            if (!SameWord(scan_.PeekWord(), "item"))
                scan_.Fail("expected 'item' or '>' in a collection, found " + scan_.Describe());
            items.push_back(Item(depth, path + "[" + std::to_string(items.size()) + "]"));
        }
        return TFormValue::OfCollection(std::move(items));
    }

    TFormItem Item(int depth, const std::string& owner)
    {
        const int startLine = scan_.Line();
        scan_.Identifier("'item'");
        TFormItem item;
        while (!SameWord(scan_.PeekWord(), "end")) {
            if (scan_.AtEnd())
                Fail(startLine, "item not closed with 'end'");
            item.properties.push_back(Property(depth, owner));
        }
        scan_.Identifier("'end'");
        CheckGivenOnce(item.properties, owner);
        return item;
    }

    static std::string Shown(std::string_view name) { return std::string(name.substr(0, 40)); }

    TScanner scan_;
};

} // namespace

TFormObject TFormParser::Parse(std::string_view text)
{
    CheckTextSize(text);
    text = WithoutByteOrderMark(text);
    CheckLineLengths(text);
    return TParser(text).Root();
}

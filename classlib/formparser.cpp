#include "classlib/formparser.h"

#include "classlib/exception.h"

#include <QStringDecoder>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

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
        while (true) {
            if (scan_.AtEnd())
                Fail(object.line, "object " + Quoted(object.name) + " not closed with 'end'");
            const std::string_view word = scan_.PeekWord();
            if (SameWord(word, "end")) {
                scan_.Identifier("'end'");
                return object;
            }
            if (SameWord(word, "object"))
                object.children.push_back(Object(depth + 1));
            else
                object.properties.push_back(Property(depth));
        }
    }

    void Header(TFormObject& object)
    {
        const std::string_view first = scan_.Identifier("the object's name");
        if (scan_.Take(':')) {
            object.name = first;
            object.className = scan_.Identifier("the object's class after ':'");
        } else {
            object.className = first;
        }
    }

    TFormProperty Property(int depth)
    {
        TFormProperty property;
        property.line = scan_.Line();
        property.name = scan_.Identifier("a property name, 'object' or 'end'");
        scan_.Expect('=', ("after " + Quoted(property.name)).c_str());
        property.value = Value(depth);
        return property;
    }

    TFormValue Value(int depth)
    {
        const char c = scan_.Peek();
        if (c == '<')
            return Collection(depth + 1);
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
        do
            set.members.emplace_back(scan_.Identifier("a set member"));
        while (scan_.Take(','));
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
            list.list.push_back(Scalar());
        }
        return list;
    }

    TFormValue Collection(int depth)
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
            items.push_back(Item(depth));
        }
        return TFormValue::OfCollection(std::move(items));
    }

    TFormItem Item(int depth)
    {
        const int startLine = scan_.Line();
        scan_.Identifier("'item'");
        TFormItem item;
        while (!SameWord(scan_.PeekWord(), "end")) {
            if (scan_.AtEnd())
                Fail(startLine, "item not closed with 'end'");
            item.properties.push_back(Property(depth));
        }
        scan_.Identifier("'end'");
        return item;
    }

    TScanner scan_;
};

} // namespace

TFormObject TFormParser::Parse(std::string_view text)
{
    CheckLineLengths(text);
    return TParser(text).Root();
}

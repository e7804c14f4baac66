// Text as the system stores it: a byte string in the Windows-1251 code page.
// Source literals are UTF-8 and are converted once with FromUtf8.
#pragma once

// Hidden from moc: Qt 6.4's moc cannot parse <concepts>, which <compare> pulls in.
#ifndef Q_MOC_RUN
#include <compare>
#endif
#include <string>
#include <string_view>

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* bytes) : bytes_(bytes ? bytes : "") {}
    AnsiString(std::string bytes) : bytes_(std::move(bytes)) {}
    AnsiString(const char* bytes, std::size_t length) : bytes_(bytes, length) {}

    // Characters without a Windows-1251 form become "?".
    static AnsiString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;

    const std::string& Bytes() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    int Length() const { return static_cast<int>(bytes_.size()); }
    bool IsEmpty() const { return bytes_.empty(); }

    AnsiString& operator+=(const AnsiString& other)
    {
        bytes_ += other.bytes_;
        return *this;
    }
    friend AnsiString operator+(AnsiString left, const AnsiString& right) { return left += right; }
    friend bool operator==(const AnsiString&, const AnsiString&) = default;
    friend std::strong_ordering operator<=>(const AnsiString&, const AnsiString&) = default;

private:
    std::string bytes_;
};

// The Unicode code point of one Windows-1251 byte, and the byte of a code point ('?' when it has none).
char32_t Cp1251ToUnicode(unsigned char byte);
char Cp1251FromUnicode(char32_t codePoint);

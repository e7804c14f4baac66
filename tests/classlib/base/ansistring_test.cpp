#include "classlib/base/ansistring.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <QTemporaryFile>

#include <cstdio>
#include <string>

namespace {

std::string AllBytesExcept(int skipped)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != skipped)
            bytes += static_cast<char>(b);
    }
    return bytes;
}

// The system's own Windows-1251 conversion through iconv; empty when iconv is missing or refuses.
std::string IconvToUtf8(const std::string& bytes)
{
    QTemporaryFile file;
    if (!file.open() || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        return {};
    file.flush();
    const std::string command = "iconv -f CP1251 -t UTF-8 '" + file.fileName().toStdString() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    char buffer[512];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    return pclose(pipe) == 0 ? out : std::string();
}

} // namespace

TEST(AnsiString, EveryByteSurvivesTheTripToUnicodeAndBack)
{
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(static_cast<unsigned char>(Cp1251FromUnicode(Cp1251ToUnicode(byte))), byte) << "byte " << b;
    }
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    const AnsiString all(bytes);
    EXPECT_EQ(AnsiString::FromUtf8(all.ToUtf8()), all);
}

TEST(AnsiString, AgreesWithTheSystemConversion)
{
    // iconv has no character for 0x98, which stays apart.
    const std::string bytes = AllBytesExcept(0x98);
    const std::string utf8 = IconvToUtf8(bytes);
    if (utf8.empty())
        GTEST_SKIP() << "iconv with Windows-1251 is not available";
    const QList<uint> expected = QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toUcs4();
    ASSERT_EQ(expected.size(), qsizetype(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(Cp1251ToUnicode(static_cast<unsigned char>(bytes[i])), expected[qsizetype(i)])
            << "byte " << int(static_cast<unsigned char>(bytes[i]));
    EXPECT_EQ(AnsiString(bytes).ToUtf8(), utf8);
}

TEST(AnsiString, RussianTextHasItsWindows1251Bytes)
{
    EXPECT_EQ(AnsiString::FromUtf8("Не стираем").Bytes(), "\xCD\xE5 \xF1\xF2\xE8\xF0\xE0\xE5\xEC");
    EXPECT_EQ(AnsiString::FromUtf8("АяЁё№€").Bytes(), "\xC0\xFF\xA8\xB8\xB9\x88");
    EXPECT_EQ(AnsiString("\xC0\xFF\xA8\xB8\xB9\x88").ToUtf8(), "АяЁё№€");
    EXPECT_EQ(Cp1251ToUnicode(0x98), U'\u0098');
}

TEST(AnsiString, CharactersWithoutAWindows1251FormBecomeQuestionMarks)
{
    EXPECT_EQ(AnsiString::FromUtf8("é日😀x").Bytes(), "???x");
    // A broken sequence counts as one character without a form; what follows it survives.
    EXPECT_EQ(AnsiString::FromUtf8("a\xD0" "b").Bytes(), "a?b");
    EXPECT_EQ(AnsiString::FromUtf8("\xFF").Bytes(), "?");
}

TEST(AnsiString, MalformedUtf8BecomesQuestionMarksNeverAnotherCharacter)
{
    // Each byte that cannot start or continue a well-formed sequence stands for one character without a form.
    const struct {
        const char* utf8;
        const char* bytes;
    } cases[] = {
        {"\xC0\x80", "??"},                 // overlong NUL
        {"\xC1\xBF", "??"},                 // overlong DEL
        {"\xE0\x80\xAF", "???"},            // overlong "/"
        {"\xE0\x9F\xBF", "???"},            // overlong U+07FF
        {"\xF0\x80\x80\xAF", "????"},       // overlong "/" in four bytes
        {"\xF0\x8F\xBF\xBF", "????"},       // overlong U+FFFF
        {"\xED\xA0\x80", "???"},            // surrogate U+D800
        {"\xED\xBF\xBF", "???"},            // surrogate U+DFFF
        {"\xF4\x90\x80\x80", "????"},       // U+110000
        {"\xF5\x80\x80\x80", "????"},       // beyond any code point
        {"\xE2\x82" "A", "?A"},             // cut short, then a letter
        {"\xD0\x90\xC0\x80\xD0\x90", "\xC0??\xC0"},
        // Well-formed sequences at the edges of those ranges still decode.
        {"\xC2\xA0", "\xA0"},               // U+00A0
        {"\xE0\xA0\x80", "?"},              // U+0800
        {"\xED\x9F\xBF", "?"},              // U+D7FF
        {"\xEE\x80\x80", "?"},              // U+E000
        {"\xF4\x8F\xBF\xBF", "?"},          // U+10FFFF
        {"\xE2\x84\x96", "\xB9"},           // U+2116 numero sign
    };
    for (const auto& [utf8, bytes] : cases)
        EXPECT_EQ(AnsiString::FromUtf8(utf8).Bytes(), std::string(bytes)) << testing::PrintToString(std::string(utf8));
}

// The text of a FormatDateTime format, built from a locale's own format language. The first of the given
// separator characters met as a literal becomes the settings' separator and is written as marker; other
// literals are quoted, blanks stay as they are.
#pragma once

#include "classlib/base/ansistring.h"

#include <string>

class TFormatBuilder {
public:
    TFormatBuilder(const char* separators, char marker) : separators_(separators), marker_(marker) {}

    void Append(const std::string& format) { result_ += format; }
    void AppendLiteral(char c);
    void AppendQuoted(char c);

    AnsiString Text() const { return AnsiString(result_); }
    char Separator(char fallback) const { return separator_ ? separator_ : fallback; }

private:
    const char* separators_;
    char marker_;
    char separator_ = '\0';
    std::string result_;
};

#include "classlib/base/formatbuilder.h"

#include <cstring>

void TFormatBuilder::AppendLiteral(char c)
{
    if (c != '\0' && std::strchr(separators_, c) && (!separator_ || separator_ == c)) {
        separator_ = c;
        result_ += marker_;
    } else if (c == ' ') {
        result_ += c;
    } else {
        AppendQuoted(c);
    }
}

void TFormatBuilder::AppendQuoted(char c) { result_ += c == '"' ? "'\"'" : std::string{'"', c, '"'}; }

// The arguments from the wide command line: the ANSI argv of main() has every character outside the code page
// replaced by a look-alike ("２１" becomes "21", "ｋｅｅｐ" becomes "keep"), which would open a port or set a
// mode the user never typed.
#include "tools/zentorctl/commandline.h"

#include <windows.h>

#include <shellapi.h>

namespace zentorctl {

namespace {

std::string Utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size - 1));
    return utf8;
}

} // namespace

std::vector<std::string> CommandLineArguments(int, char**)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(Utf8(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

} // namespace zentorctl

// Path text on Windows: the platform layer's strings are UTF-8, the system's calls take UTF-16.
#pragma once

#include <string>

namespace platform {

// UTF-8 to UTF-16; bytes that are no UTF-8 become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

} // namespace platform

// File attributes as decimal text in the extended attribute user.dos.attributes.
#include "platform/fileattributes.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <charconv>
#include <string>

namespace platform {

namespace {

constexpr const char* kAttributeName = "user.dos.attributes";

std::uint32_t ParseAttributes(const char* text, std::size_t length)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text, text + length, value);
    return error == std::errc() && end == text + length ? value : 0;
}

} // namespace

bool WriteFileAttributes(const std::string& path, std::uint32_t attributes)
{
    const std::string text = std::to_string(attributes);
    return ::setxattr(path.c_str(), kAttributeName, text.data(), text.size(), 0) == 0;
}

std::optional<std::uint32_t> ReadFileAttributes(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    char text[16];
    const ssize_t length = ::getxattr(path.c_str(), kAttributeName, text, sizeof text);
    return length > 0 ? ParseAttributes(text, static_cast<std::size_t>(length)) : 0;
}

} // namespace platform

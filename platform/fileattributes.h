// The hidden, system and other attribute bits of a file. Where the operating system has no such bits,
// they are kept beside the file so that they can be read back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;

// Sets the attribute bits to exactly attributes; false when they could not be stored (a missing file, or a
// file system that refuses them).
bool WriteFileAttributes(const std::string& path, std::uint32_t attributes);

// The attribute bits; 0 when none are stored; nothing when the file does not exist.
std::optional<std::uint32_t> ReadFileAttributes(const std::string& path);

} // namespace platform

#include "platform/fileattributes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

// Hidden and system are the file system's own attributes on Windows; what is written reads back.
TEST(Win32FileAttributes, WrittenBitsReadBackAndAMissingFileHasNone)
{
    const auto path = std::filesystem::temp_directory_path() / "zentor-attributes.cfg";
    std::ofstream(path) << "[COM]\n";
    for (const std::uint32_t bits : {6u, 2u, 0u, 1u, 0u}) {
        ASSERT_TRUE(platform::WriteFileAttributes(path.string(), bits)) << bits;
        EXPECT_EQ(platform::ReadFileAttributes(path.string()), bits);
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(platform::ReadFileAttributes(path.string()));
    EXPECT_FALSE(platform::WriteFileAttributes(path.string(), 6));
}

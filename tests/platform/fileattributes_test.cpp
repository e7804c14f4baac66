#include "platform/fileattributes.h"

#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>

using namespace platform;

namespace {

class FileAttributes : public ::testing::Test {
protected:
    TTempFolder folder;
    std::string file = folder.File("file");
    void SetUp() override { WriteTextFile(file, "x"); }
};

} // namespace

TEST_F(FileAttributes, StoredAsDecimalTextAndReadBack)
{
    EXPECT_EQ(ReadFileAttributes(file), 0u);
    ASSERT_TRUE(WriteFileAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(ReadFileAttributes(file), 6u);
    char text[8] = {};
    ASSERT_EQ(::getxattr(file.c_str(), "user.dos.attributes", text, sizeof text), 1);
    EXPECT_STREQ(text, "6");
    ASSERT_TRUE(WriteFileAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ReadFileAttributes(file), 2u);
}

TEST_F(FileAttributes, LinkPassesThemToItsTarget)
{
    const std::string link = folder.File("link");
    std::filesystem::create_symlink(file, link);
    ASSERT_TRUE(WriteFileAttributes(link, 6));
    EXPECT_EQ(ReadFileAttributes(file), 6u);
}

TEST_F(FileAttributes, MissingFileOrRefusingFileHasNone)
{
    EXPECT_FALSE(WriteFileAttributes(folder.File("missing"), 6));
    EXPECT_EQ(ReadFileAttributes(folder.File("missing")), std::nullopt);
    const std::string fifo = folder.File("fifo");
    ::mkfifo(fifo.c_str(), 0600);
    EXPECT_FALSE(WriteFileAttributes(fifo, 6)); // user attributes exist only on files and folders
    EXPECT_EQ(ReadFileAttributes(fifo), 0u);
}

TEST_F(FileAttributes, GarbageInTheAttributeReadsAsNone)
{
    ::setxattr(file.c_str(), "user.dos.attributes", "x6", 2, 0);
    EXPECT_EQ(ReadFileAttributes(file), 0u);
}

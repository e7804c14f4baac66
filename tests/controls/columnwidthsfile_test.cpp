#include "controls/columnwidthsfile.h"

#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

class ColumnWidthsFileTest : public ::testing::Test {
protected:
    // The widths of every column, the columns after a short file's end given the last width read, as the
    // grid gives them.
    std::vector<int> Load(const std::string& contents, std::size_t columns)
    {
        WriteTextFile(path, contents);
        std::optional<std::vector<int>> widths = LoadColumnWidths(AnsiString(path), static_cast<int>(columns));
        EXPECT_TRUE(widths);
        if (!widths)
            return {};
        EXPECT_LE(widths->size(), columns);
        widths->resize(columns, widths->empty() ? 0 : widths->back());
        return *widths;
    }

    TTempFolder folder;
    std::string path = folder.File("widths.txt");
};

struct LoadCase {
    const char* name;
    std::string contents;
    std::vector<int> widths;
};

TEST_F(ColumnWidthsFileTest, ReadsTheNextIntegerForEachColumnAndRepeatsTheLastOneRead)
{
    const std::vector<LoadCase> cases = {
        {"whole file", "10\n20\n30\n", {10, 20, 30}},
        {"short file repeats its last width", "10\n25\n", {10, 25, 25, 25}},
        {"empty file gives 0", "", {0, 0, 0}},
        {"extra lines are not read", "1\n2\n3\n4\n", {1, 2}},
        {"last line without line feed", "40\n50", {40, 50, 50}},
        {"garbage keeps the width before it", "40\nabc\n60\n", {40, 40, 60}},
        {"garbage first gives 0", "x\n5\n", {0, 5}},
        {"blank lines are skipped", "\n\n10\n20", {10, 20, 20, 20}},
        {"two numbers on one line", "10 20\n30\n", {10, 20, 30}},
        {"number then text: the number counts", "12abc\n20\n", {12, 12, 20}},
        {"text glued to a number", "40\n12px\n", {40, 12, 12}},
        {"CR-only line ends", "10\r20\r30\r", {10, 20, 30}},
        {"blanks, sign and CR around a number", "  +15 \r\n\t-0\n", {15, 0}},
        {"a sign without digits is garbage", "7\n- 5\n", {7, 7, 5}},
        {"negative widths become 0", "-5\n7\n", {0, 7}},
        {"huge widths are held at the limit", "99999999999999999999999\n2147483648\n", {kMaxColumnWidth, kMaxColumnWidth}},
        {"long white space before a number", "8\n" + std::string(100, ' ') + "9\n", {8, 9}},
        {"binary bytes", std::string("3\n\0\xff\x80\n", 6), {3, 3}},
    };
    for (const LoadCase& c : cases)
        EXPECT_EQ(Load(c.contents, c.widths.size()), c.widths) << c.name;
}

TEST_F(ColumnWidthsFileTest, SavesPercentDLinesThatLoadBack)
{
    WriteTextFile(path, "old contents that are longer than the new ones\n");
    ASSERT_TRUE(SaveColumnWidths(AnsiString(path), {64, 0, 120}));
    EXPECT_EQ(ReadTextFile(path), "64\n0\n120\n");
    EXPECT_EQ(LoadColumnWidths(AnsiString(path), 3), (std::vector<int>{64, 0, 120}));
}

TEST_F(ColumnWidthsFileTest, LimitHoldsWidthsTheGridCanDraw)
{
    EXPECT_EQ(LimitColumnWidth(-1), 0);
    EXPECT_EQ(LimitColumnWidth(64), 64);
    EXPECT_EQ(LimitColumnWidth(kMaxColumnWidth + 1), kMaxColumnWidth);
}

TEST_F(ColumnWidthsFileTest, WhatIsNoRegularFileIsNeitherReadNorWritten)
{
    const std::string dir = folder.File("dir");
    const std::string fifo = folder.File("fifo");
    const std::string loop = folder.File("loop");
    std::filesystem::create_directory(dir);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(loop, loop);
    for (const std::string& name : {dir, fifo, loop, folder.File("missing"), std::string()}) {
        EXPECT_FALSE(LoadColumnWidths(AnsiString(name), 2)) << name;
    }
    for (const std::string& name : {dir, fifo, loop, std::string()})
        EXPECT_FALSE(SaveColumnWidths(AnsiString(name), {1})) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST_F(ColumnWidthsFileTest, HundredMegabyteNumberIsHeldAtTheLimit)
{
    {
        std::ofstream out(path, std::ios::binary);
        out << "11\n";
        const std::string block(1 << 20, '7');
        for (int i = 0; i < 100; ++i)
            out << block;
    }
    EXPECT_EQ(LoadColumnWidths(AnsiString(path), 3), (std::vector<int>{11, kMaxColumnWidth}));
}

TEST_F(ColumnWidthsFileTest, DeleteRemovesTheFileButNoFolder)
{
    WriteTextFile(path, "1\n");
    DeleteColumnWidthsFile(AnsiString(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    DeleteColumnWidthsFile(AnsiString(path));
    const std::string dir = folder.File("dir");
    std::filesystem::create_directory(dir);
    DeleteColumnWidthsFile(AnsiString(dir));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

} // namespace

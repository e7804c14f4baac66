#include "platform/files.h"

#include "platform/fileattributes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

using namespace platform;

namespace {

class Files : public ::testing::Test {
protected:
    TTempFolder folder;

    std::string Make(const std::string& name, const std::string& contents = "x")
    {
        WriteTextFile(folder.File(name), contents);
        return folder.File(name);
    }
    std::string Link(const std::string& name, const std::string& target)
    {
        std::filesystem::create_symlink(target, folder.File(name));
        return folder.File(name);
    }
    std::string Fifo(const std::string& name)
    {
        ::mkfifo(folder.File(name).c_str(), 0600);
        return folder.File(name);
    }
};

// Runs check as a user without privileges (in a child process when this one is root, the folder and its
// files handed to that user); the result of check.
bool AsUnprivilegedUser(const std::string& folder, const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check();
    constexpr uid_t kNobody = 65534;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        ::lchown(entry.path().c_str(), kNobody, kNobody);
    ::chown(folder.c_str(), kNobody, kNobody);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && check() ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(FilePaths, CurrentDirectoryAndJoin)
{
    EXPECT_EQ(CurrentDirectory(), std::filesystem::current_path().string());
    EXPECT_EQ(JoinPath("/work", "zentor.cfg"), "/work/zentor.cfg");
    EXPECT_EQ(JoinPath("/work/", "zentor.cfg"), "/work/zentor.cfg");
    EXPECT_EQ(JoinPath("/", "zentor.cfg"), "/zentor.cfg");
}

TEST_F(Files, ExistsForFilesAndTheirLinksOnly)
{
    const std::string file = Make("file");
    std::filesystem::create_directory(folder.File("dir"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(Link("link", file)));
    EXPECT_TRUE(FileExists(Fifo("fifo")));
    EXPECT_FALSE(FileExists(folder.File("dir")));
    EXPECT_FALSE(FileExists(folder.File("missing")));
    EXPECT_FALSE(FileExists(Link("dangling", folder.File("missing"))));
}

TEST_F(Files, RemoveDeletesALinkNotItsTarget)
{
    const std::string file = Make("file");
    const std::string link = Link("link", file);
    EXPECT_TRUE(RemoveFile(link));
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(RemoveFile(file));
}

TEST_F(Files, ReadGivesEveryByte)
{
    const std::string contents("a\0b\r\n\xff", 6);
    const TFileRead read = ReadWholeFile(Make("file", contents), 100);
    EXPECT_EQ(read.Cause, FileCause::None);
    EXPECT_EQ(read.Contents, contents);
}

TEST_F(Files, ReadRefusesWhatIsNoRegularFileOrTooLarge)
{
    std::filesystem::create_directory(folder.File("dir"));
    const struct {
        std::string path;
        FileCause cause;
    } cases[] = {
        {folder.File("missing"), FileCause::NotFound},
        {folder.File("dir"), FileCause::NotAFile},
        {Fifo("fifo"), FileCause::NotAFile},
        {Link("zero", "/dev/zero"), FileCause::NotAFile},
        {Link("dangling", folder.File("missing")), FileCause::NotFound},
        {Make("big", std::string(101, 'x')), FileCause::TooLarge},
    };
    for (const auto& c : cases) {
        const TFileRead read = ReadWholeFile(c.path, 100);
        EXPECT_EQ(read.Cause, c.cause) << c.path;
        EXPECT_EQ(read.Contents, "");
    }
    EXPECT_EQ(ReadWholeFile(Make("limit", std::string(100, 'x')), 100).Cause, FileCause::None);
}

TEST_F(Files, ReplaceCreatesOrReplacesAndLeavesNoTemporaryFile)
{
    const std::string path = folder.File("cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "one"), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), "one");
    ASSERT_EQ(ReplaceWholeFile(path, std::string("two\0", 4)), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), std::string("two\0", 4));
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST_F(Files, ReplaceKeepsModeAndAttributes)
{
    const std::string path = Make("cfg");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(ReplaceWholeFile(path, "new"), FileCause::None);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ReadFileAttributes(path), 6u);
}

TEST_F(Files, ReplaceThroughALinkKeepsTheLink)
{
    std::filesystem::create_directory(folder.File("real"));
    const std::string target = Make("real/cfg", "old");
    const std::string link = Link("cfg", "real/cfg");
    ASSERT_EQ(ReplaceWholeFile(link, "new"), FileCause::None);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadTextFile(target), "new");
    EXPECT_EQ(EntryCount(folder.File("real")), 1u);
}

TEST_F(Files, ReplaceRefusesFoldersDevicesAndDanglingLinks)
{
    std::filesystem::create_directory(folder.File("dir"));
    const std::string paths[] = {folder.File("dir"), Link("zero", "/dev/zero"), Fifo("fifo"),
                                 Link("dangling", folder.File("nowhere"))};
    for (const std::string& path : paths)
        EXPECT_EQ(ReplaceWholeFile(path, "data"), FileCause::NotAFile) << path;
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("dir")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("nowhere")));
    EXPECT_EQ(EntryCount(folder.Path()), 4u);
}

TEST_F(Files, ReplaceInAFolderThatTakesNoNewFilesKeepsTheOldFile)
{
    const std::string path = Make("cfg", "old");
    if (!MakeFolderReadOnly(folder.Path()))
        GTEST_SKIP() << "running as root without the right to make a folder immutable";
    const FileCause cause = ReplaceWholeFile(path, "new");
    MakeFolderWritable(folder.Path());
    EXPECT_EQ(cause, FileCause::NoPermission);
    EXPECT_EQ(ReadTextFile(path), "old");
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST_F(Files, ReplaceLeavesAWriteProtectedFileAlone)
{
    const std::string path = Make("cfg", "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(AsUnprivilegedUser(folder.Path(), [&] { return ReplaceWholeFile(path, "new") == FileCause::NoPermission; }),
              true);
    EXPECT_EQ(ReadTextFile(path), "old");
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST_F(Files, ReplaceInAMissingFolderFails)
{
    EXPECT_EQ(ReplaceWholeFile(folder.File("none/cfg"), "data"), FileCause::NotFound);
}

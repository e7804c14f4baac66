// COM links in the dosdevices folder; the shared test main gives every test program its own XDG_RUNTIME_DIR.
#include "platform/portmap.h"

#include "support/ptypair.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace platform;
namespace fs = std::filesystem;

namespace {

const TPortMapEntry* FindPort(const std::vector<TPortMapEntry>& ports, const std::string& portName)
{
    const auto it = std::find_if(ports.begin(), ports.end(), [&](const TPortMapEntry& e) { return e.PortName == portName; });
    return it == ports.end() ? nullptr : &*it;
}

class PortMapLinks : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int number : {3, 7, 9})
            UnregisterComLink(number);
    }
};

} // namespace

TEST_F(PortMapLinks, FolderLivesInTheRuntimeDirAndOnlyItsOwnerMayEnter)
{
    const std::string folder = DosDevicesDir();
    EXPECT_EQ(folder, std::string(std::getenv("XDG_RUNTIME_DIR")) + "/zentor/dosdevices");
    struct stat st{};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(fs::path(folder).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(PortMapLinks, LinkedPortIsListedResolvedAndRemoved)
{
    PtyPair pty;
    ASSERT_TRUE(RegisterComLink(7, pty.SlavePath()));
    const auto ports = ReadPortMap();
    const TPortMapEntry* port = FindPort(ports, "COM7");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->DeviceName, "\\Device\\VCP7");
    EXPECT_EQ(port->Path, pty.SlavePath());
    EXPECT_EQ(ResolveComPort(7), pty.SlavePath());

    PtyPair other;
    ASSERT_TRUE(RegisterComLink(7, other.SlavePath())); // replaces the earlier link
    EXPECT_EQ(ResolveComPort(7), other.SlavePath());

    UnregisterComLink(7);
    EXPECT_FALSE(FindPort(ReadPortMap(), "COM7"));
    EXPECT_FALSE(ResolveComPort(7));
}

TEST_F(PortMapLinks, LinksWhoseTargetIsGoneAndOtherNamesAreIgnored)
{
    const std::string folder = DosDevicesDir();
    ASSERT_EQ(::symlink("/dev/no-such-node", (folder + "/COM3").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", (folder + "/COM07").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", (folder + "/LPT1").c_str()), 0);
    const auto ports = ReadPortMap();
    EXPECT_FALSE(FindPort(ports, "COM3"));
    EXPECT_FALSE(FindPort(ports, "COM7"));
    EXPECT_FALSE(ResolveComPort(3));
    ::unlink((folder + "/COM07").c_str());
    ::unlink((folder + "/LPT1").c_str());
}

TEST_F(PortMapLinks, FreeNumberSkipsTakenOnesAndReplacesDeadLinks)
{
    PtyPair a, b, c;
    const std::vector<TPortMapEntry> before = ReadPortMap();
    const int first = RegisterFreeComLink(a.SlavePath());
    ASSERT_GT(first, 0);
    EXPECT_FALSE(FindPort(before, "COM" + std::to_string(first)));
    const int second = RegisterFreeComLink(b.SlavePath());
    ASSERT_GT(second, first);
    EXPECT_EQ(ResolveComPort(first), a.SlavePath());
    EXPECT_EQ(ResolveComPort(second), b.SlavePath());

    // A link left behind by a program that died points nowhere; its number is free again.
    const std::string folder = DosDevicesDir();
    ::unlink((folder + "/COM" + std::to_string(first)).c_str());
    ASSERT_EQ(::symlink("/dev/no-such-node", (folder + "/COM" + std::to_string(first)).c_str()), 0);
    EXPECT_EQ(RegisterFreeComLink(c.SlavePath()), first);
    EXPECT_EQ(ResolveComPort(first), c.SlavePath());
    UnregisterComLink(first);
    UnregisterComLink(second);
}

TEST_F(PortMapLinks, FolderOfAnotherUserIsNotRead)
{
    PtyPair pty;
    ASSERT_TRUE(RegisterComLink(9, pty.SlavePath()));
    const std::string folder = DosDevicesDir();
    ASSERT_EQ(::chown(folder.c_str(), 4242, 4242), 0);
    EXPECT_FALSE(FindPort(ReadPortMap(), "COM9"));
    EXPECT_FALSE(ResolveComPort(9));
    EXPECT_FALSE(RegisterComLink(3, pty.SlavePath()));
    ASSERT_EQ(::chown(folder.c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_TRUE(ResolveComPort(9));
}

TEST(PortMapHardware, ListedBuiltInPortsAreRealNodes)
{
    for (const TPortMapEntry& port : ReadPortMap()) {
        if (port.DeviceName.rfind("\\Device\\Serial", 0) != 0)
            continue;
        EXPECT_EQ(port.Path.rfind("/dev/ttyS", 0), 0u) << port.Path;
        EXPECT_EQ(port.DeviceName.substr(14), port.Path.substr(9)) << port.DeviceName;
    }
}

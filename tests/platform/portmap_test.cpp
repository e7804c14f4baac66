// COM links in the dosdevices folder; the shared test main gives every test program its own XDG_RUNTIME_DIR.
#include "platform/portmap.h"
#include "platform/posix/portnumbering.h"

#include "support/ptypair.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>

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

namespace {

// Counts the opens of device nodes while it exists (inotify).
class TOpenWatch {
public:
    TOpenWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~TOpenWatch() { ::close(fd_); }
    void Watch(const std::string& path) { watches_[::inotify_add_watch(fd_, path.c_str(), IN_OPEN)] = path; }
    // The watched paths opened since the last call.
    std::set<std::string> Opened()
    {
        std::set<std::string> opened;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                opened.insert(watches_[event->wd]);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opened;
    }

private:
    int fd_;
    std::map<int, std::string> watches_;
};

// A made-up /dev and /sys with built-in ports ttyS0... whose nodes are pseudo-terminals; `types` gives each
// port's type attribute ("" for none).
class TFakeSerialTree {
public:
    explicit TFakeSerialTree(const std::vector<std::string>& types)
        : root_(fs::temp_directory_path() / ("zentor-sys-" + std::to_string(::getpid())))
    {
        const fs::path drivers = root_ / "sys/bus/platform/drivers/serial8250";
        const fs::path device = root_ / "sys/devices/platform/serial8250";
        fs::create_directories(drivers);
        fs::create_directories(device);
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "dev");
        fs::create_directory_symlink(drivers, device.string() + "/driver");
        for (std::size_t k = 0; k < types.size(); k++) {
            const std::string name = "ttyS" + std::to_string(k);
            const fs::path entry = device / "tty" / name;
            fs::create_directories(entry);
            fs::create_directory_symlink(device, entry / "device");
            fs::create_directory_symlink(entry, root_ / "sys/class/tty" / name);
            if (!types[k].empty())
                std::ofstream(entry / "type") << types[k] << "\n";
            ptys_.push_back(std::make_unique<PtyPair>());
            fs::create_symlink(ptys_.back()->SlavePath(), root_ / "dev" / name);
        }
    }
    ~TFakeSerialTree() { fs::remove_all(root_); }
    std::string Dev() const { return (root_ / "dev").string(); }
    std::string Sys() const { return (root_ / "sys").string(); }
    const std::string& Node(std::size_t k) const { return ptys_[k]->SlavePath(); }

private:
    fs::path root_;
    std::vector<std::unique_ptr<PtyPair>> ptys_;
};

} // namespace

// Opening a built-in port raises DTR and RTS: a device that resets on DTR would be reset by every scan.
TEST(PortMapHardware, ScanningDoesNotOpenBuiltInPortsThatHaveATypeAttribute)
{
    TOpenWatch watch;
    int watched = 0;
    for (int k = 0; k < 64 && fs::exists("/dev/ttyS" + std::to_string(k)); k++) {
        if (fs::exists("/sys/class/tty/ttyS" + std::to_string(k) + "/type")) {
            watch.Watch("/dev/ttyS" + std::to_string(k));
            watched++;
        }
    }
    if (watched == 0)
        GTEST_SKIP() << "this machine has no built-in serial ports";
    ReadPortMap();
    ResolveComPort(1);
    EXPECT_EQ(watch.Opened(), std::set<std::string>{});
}

TEST(PortMapScan, BuiltInPortsAreJudgedByTheirTypeAttributeAndOnlyOpenedWithoutOne)
{
    struct TCase {
        std::string type;
        bool usable, opened;
    };
    const std::vector<TCase> cases = {{"4", true, false}, {"0", false, false}, {"", false, true}};
    std::vector<std::string> types;
    for (const TCase& c : cases)
        types.push_back(c.type);
    TFakeSerialTree tree(types);
    TOpenWatch watch;
    for (std::size_t k = 0; k < cases.size(); k++)
        watch.Watch(tree.Node(k));
    const std::vector<TNodeFacts> nodes = ScanSerialNodes(tree.Dev(), tree.Sys());
    const std::set<std::string> opened = watch.Opened();
    for (std::size_t k = 0; k < cases.size(); k++) {
        SCOPED_TRACE("type \"" + cases[k].type + "\"");
        ASSERT_GT(nodes.size(), k);
        EXPECT_EQ(nodes[k].Series, "ttyS");
        EXPECT_TRUE(nodes[k].Present);
        EXPECT_EQ(nodes[k].Usable, cases[k].usable);
        EXPECT_EQ(opened.count(tree.Node(k)) == 1, cases[k].opened);
    }
}

// Only character devices that may be serial ports become ports; the others take no number either.
TEST_F(PortMapLinks, LinksToWhatIsNotASerialDeviceAreNotPorts)
{
    const fs::path folder = DosDevicesDir();
    const fs::path file = folder.parent_path() / "plain-file";
    std::ofstream(file) << "not a port";
    PtyPair pty;
    const std::vector<std::pair<std::string, bool>> targets = {
        {file.string(), false}, {folder.parent_path().string(), false}, {"/dev/null", false},
        {"/dev/zero", false},   {"/dev/tty", false},                    {"/dev/urandom", false},
        {pty.SlavePath(), true},
    };
    for (const auto& [target, listed] : targets) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(RegisterComLink(9, target));
        EXPECT_EQ(FindPort(ReadPortMap(), "COM9") != nullptr, listed);
        EXPECT_EQ(ResolveComPort(9).has_value(), listed);
    }
    fs::remove(file);
}

// Only the user may write to the folder: readable by others is fine (mkdir -p gives 0755), writable is not.
TEST_F(PortMapLinks, FolderIsTrustedExactlyWhenOnlyItsOwnerMayWriteToIt)
{
    PtyPair pty;
    ASSERT_TRUE(RegisterComLink(9, pty.SlavePath()));
    const std::string folder = DosDevicesDir();
    const std::string base = fs::path(folder).parent_path().string();
    const struct {
        std::string level;
        mode_t mode;
        bool trusted;
    } cases[] = {
        {folder, 0700, true},  {folder, 0750, true},  {folder, 0755, true},  {base, 0755, true},
        {folder, 0770, false}, {folder, 0707, false}, {folder, 0775, false}, {base, 0777, false},
        {base, 0720, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level + " " + std::to_string(c.mode));
        ASSERT_EQ(::chmod(c.level.c_str(), c.mode), 0);
        EXPECT_EQ(ResolveComPort(9).has_value(), c.trusted);
        EXPECT_EQ(FindPort(ReadPortMap(), "COM9") != nullptr, c.trusted);
        EXPECT_EQ(RegisterComLink(3, pty.SlavePath()), c.trusted);
        const std::string problem = LinkFolderProblem();
        EXPECT_EQ(problem.empty(), c.trusted) << problem;
        EXPECT_EQ(problem.find("chmod 700 " + c.level) != std::string::npos, !c.trusted) << problem;
        ASSERT_EQ(::chmod(c.level.c_str(), 0700), 0);
        UnregisterComLink(3);
    }
    EXPECT_TRUE(ResolveComPort(9));
}

TEST_F(PortMapLinks, FolderOfAnotherUserIsNamedWithItsFix)
{
    const std::string folder = DosDevicesDir();
    ASSERT_EQ(::chown(folder.c_str(), 4242, 4242), 0);
    const std::string problem = LinkFolderProblem();
    ASSERT_EQ(::chown(folder.c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_NE(problem.find(folder + " belongs to another user"), std::string::npos) << problem;
    EXPECT_TRUE(LinkFolderProblem().empty());
}

// A link made by hand to a pseudo-terminal has no program behind it; the terminal may be anybody's.
TEST_F(PortMapLinks, LinkToAPseudoTerminalCountsOnlyWhileItsMakerHoldsIt)
{
    PtyPair pty;
    const std::string link = DosDevicesDir() + "/COM9";
    ASSERT_EQ(::symlink(pty.SlavePath().c_str(), link.c_str()), 0);
    EXPECT_FALSE(FindPort(ReadPortMap(), "COM9"));
    EXPECT_FALSE(ResolveComPort(9));

    std::string holder;
    PtyPair other;
    ASSERT_TRUE(ClaimComLink(9, other.SlavePath(), holder)) << "the stale link is replaced";
    EXPECT_EQ(ResolveComPort(9), other.SlavePath());
    EXPECT_TRUE(fs::exists(DosDevicesDir() + "/COM9.lock"));
    UnregisterComLink(9, other.SlavePath());
    EXPECT_FALSE(fs::exists(link));
    EXPECT_FALSE(fs::exists(DosDevicesDir() + "/COM9.lock"));
}

// What another program put in the lock's place after it was taken is not this program's to remove.
TEST_F(PortMapLinks, ReleasingALockLeavesAFilePlantedOverIt)
{
    PtyPair pty;
    std::string holder;
    ASSERT_TRUE(ClaimComLink(9, pty.SlavePath(), holder));
    const std::string lock = DosDevicesDir() + "/COM9.lock";
    const std::string planted = lock + ".planted";
    ASSERT_EQ(::mkfifo(planted.c_str(), 0600), 0);
    ASSERT_EQ(::rename(planted.c_str(), lock.c_str()), 0);
    UnregisterComLink(9, pty.SlavePath());
    EXPECT_TRUE(fs::is_fifo(lock));
    ::unlink(lock.c_str());
}

TEST_F(PortMapLinks, NumbersOutsideOneTo255AreNeitherLinkedNorListed)
{
    PtyPair pty;
    for (int number : {0, 256, 300}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(RegisterComLink(number, pty.SlavePath()));
        std::string holder;
        EXPECT_FALSE(ClaimComLink(number, pty.SlavePath(), holder));
        EXPECT_FALSE(FindPort(ReadPortMap(), "COM" + std::to_string(number)));
    }
    ASSERT_TRUE(RegisterComLink(255, pty.SlavePath()));
    EXPECT_TRUE(FindPort(ReadPortMap(), "COM255"));
    UnregisterComLink(255);
}

// Threads racing for one number over a stale link: exactly one of them gets it, every time.
TEST_F(PortMapLinks, RacingClaimsOverAStaleLinkGiveTheNumberToOneClaimant)
{
    constexpr int kRounds = 500;
    constexpr int kClaimants = 4;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    for (int i = 0; i < kClaimants; ++i)
        ptys.push_back(std::make_unique<PtyPair>());
    const std::string link = DosDevicesDir() + "/COM9";
    int badRounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(::symlink("/dev/no-such-node", link.c_str()), 0);
        std::atomic<int> ready{0};
        std::atomic<int> won{0};
        std::vector<std::thread> claimants;
        for (int i = 0; i < kClaimants; ++i) {
            claimants.emplace_back([&, i] {
                ready.fetch_add(1);
                while (ready.load() < kClaimants)
                    std::this_thread::yield();
                std::string holder;
                if (ClaimComLink(9, ptys[i]->SlavePath(), holder))
                    won.fetch_add(1);
            });
        }
        for (std::thread& claimant : claimants)
            claimant.join();
        badRounds += won.load() != 1;
        UnregisterComLink(9);
        ::unlink(link.c_str());
    }
    EXPECT_EQ(badRounds, 0);
}

// The fix for a port the user may not open names its node and the group that may open it; a node whose group
// may not read and write it (a pseudo-terminal's "tty", mode 620) names no group to join.
TEST_F(PortMapLinks, PermissionFixNamesTheNodeAndTheGroupThatMayOpenIt)
{
    PtyPair pty;
    ASSERT_TRUE(RegisterComLink(7, pty.SlavePath()));
    const TPermissionFix plain = PermissionFix(7);
    EXPECT_EQ(plain.Node, pty.SlavePath());
    EXPECT_EQ(plain.Group, "");
    EXPECT_EQ(plain.Command, "");
    EXPECT_EQ(PermissionFix(8).Node, "") << "no port, no fix";

    const ::group* dialout = ::getgrnam("dialout");
    if (!dialout || ::chown(pty.SlavePath().c_str(), static_cast<uid_t>(-1), dialout->gr_gid) != 0)
        GTEST_SKIP() << "cannot give the node to the group dialout";
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0660), 0);
    const TPermissionFix fix = PermissionFix(7);
    EXPECT_EQ(fix.Group, "dialout");
    EXPECT_EQ(fix.Command, "sudo usermod -aG dialout $USER");
}

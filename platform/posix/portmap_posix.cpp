// The port map from the device nodes of the machine and the links of the dosdevices folder.
#include "platform/portmap.h"

#include "platform/posix/linklocks.h"
#include "platform/posix/portnumbering.h"
#include "platform/posix/sysfsports.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

namespace {

namespace fs = std::filesystem;

struct TSeriesKind {
    const char* Name;
    bool Usb;
};
constexpr TSeriesKind kSeries[] = {{"ttyS", false}, {"ttyUSB", true}, {"ttyACM", true}};
constexpr int kMaxIndex = 256;
constexpr unsigned kMemoryDevicesMajor = 1;  // /dev/null, /dev/zero, /dev/random, /dev/mem ...
constexpr unsigned kConsolesMajor = 4;       // minors below 64: the virtual consoles /dev/tty0 ... /dev/tty63
constexpr unsigned kFirstUartMinor = 64;
constexpr unsigned kTerminalAliasesMajor = 5; // minors 0-2: /dev/tty, /dev/console, /dev/ptmx
constexpr unsigned kLastTerminalAliasMinor = 2;

std::string RealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsCharDevice(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A character device that may be a serial port: none of the memory devices, virtual consoles or aliases of
// the controlling terminal.
bool MayBeSerialDevice(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned major = ::major(st.st_rdev);
    const unsigned minor = ::minor(st.st_rdev);
    return major != kMemoryDevicesMajor && !(major == kConsolesMajor && minor < kFirstUartMinor)
        && !(major == kTerminalAliasesMajor && minor <= kLastTerminalAliasMinor);
}

constexpr unsigned kFirstPtySlaveMajor = 136; // /dev/pts/<n>: majors 136 to 143
constexpr unsigned kLastPtySlaveMajor = 143;

bool IsPseudoTerminal(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && ::major(st.st_rdev) >= kFirstPtySlaveMajor
        && ::major(st.st_rdev) <= kLastPtySlaveMajor;
}

// Why a level of the links folder cannot be trusted: it must be a real directory (not a link to one) that
// belongs to this user and that group and others cannot write to. Empty when it can be trusted.
std::string FolderProblem(const std::string& path)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0)
        return path + " cannot be made; fix: mkdir -m 700 -p " + path;
    if (!S_ISDIR(st.st_mode))
        return path + " is not a folder; fix: rm " + path;
    if (st.st_uid != ::geteuid())
        return path + " belongs to another user; fix: remove it (sudo rm -r " + path + ")";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "group or others may write to " + path + "; fix: chmod 700 " + path;
    return {};
}

std::string BaseFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/zentor";
    return "/tmp/zentor-" + std::to_string(::geteuid());
}

// The folder is usable only when both levels are this user's own and nobody else may write to them.
bool LinkFolderReady()
{
    return LinkFolderProblem().empty();
}

std::string LinkPath(int number)
{
    return DosDevicesDir() + "/COM" + std::to_string(number);
}

// What a link's target is: one of the scanned nodes, a pseudo-terminal, or another tty sysfs knows.
void DescribeTarget(TComLink& link, const std::vector<TNodeFacts>& nodes, const std::string& devRoot,
                    const std::string& sysRoot)
{
    for (const TNodeFacts& node : nodes) {
        if (node.Present && RealPath(node.Path) == link.Target) {
            link.Target = node.Path;
            link.Details = node.Details;
            link.Index = node.Usb ? -1 : node.Index;
            return;
        }
    }
    if (IsPseudoTerminal(link.Target)) {
        link.Details.Kind = TPortKind::PseudoTerminal;
        return;
    }
    const std::string name = fs::path(link.Target).filename().string();
    if (::access((sysRoot + "/class/tty/" + name).c_str(), F_OK) == 0)
        link.Details = ReadTtyDetails(name, link.Target, devRoot, sysRoot, false);
}

// The names in a folder, each read once (none when the folder cannot be read).
std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    const auto closeDir = [](DIR* d) { ::closedir(d); };
    std::unique_ptr<DIR, decltype(closeDir)> dir(::opendir(folder.c_str()), closeDir);
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        names.emplace_back(entry->d_name);
    }
    return names;
}

std::vector<TComLink> ReadLinks(const std::vector<TNodeFacts>& nodes, const std::string& devRoot,
                                const std::string& sysRoot)
{
    std::vector<TComLink> links;
    if (!LinkFolderReady())
        return links;
    const std::string folder = DosDevicesDir();
    for (const std::string& name : FolderNames(folder)) {
        const std::optional<int> number = ComNumberOf(name);
        const std::string path = folder + "/" + name;
        struct stat st{};
        if (!number || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            continue;
        const std::string target = RealPath(path);
        if (target.empty() || !MayBeSerialDevice(target))
            continue;
        TComLink link{*number, target, {}, -1};
        DescribeTarget(link, nodes, devRoot, sysRoot);
        // A link to a pseudo-terminal counts only while the program that made it holds its lock: once that
        // program is gone, the terminal's number may belong to somebody else's terminal.
        if (link.Details.Kind != TPortKind::PseudoTerminal || LinkLockHeld(folder, *number))
            links.push_back(std::move(link));
    }
    return links;
}

// Not a virtual device, and bound to a driver.
bool IsHardware(const std::string& entry)
{
    const std::string device = RealPath(entry);
    return !device.empty() && device.find("/devices/virtual/") == std::string::npos
        && !RealPath(entry + "/device/driver").empty();
}

// The UART type the serial driver gives in sysfs (0: no UART), if it gives one.
std::optional<int> UartType(const std::string& entry)
{
    std::ifstream attribute(entry + "/type");
    int type = 0;
    if (attribute >> type)
        return type;
    return std::nullopt;
}

// Asks the driver through the node. Opening a port raises its modem lines, so this is only the fallback for
// drivers without the type attribute. A port held exclusively by someone else is real.
bool ProbeUart(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

// Built-in port nodes exist whether or not a UART stands behind them; the driver knows which ones are real.
bool IsRealUart(const std::string& entry, const std::string& path)
{
    const std::optional<int> type = UartType(entry);
    return type ? *type != PORT_UNKNOWN : ProbeUart(path);
}

TNodeFacts ScanNode(const TSeriesKind& series, int index, const std::string& devRoot, const std::string& sysRoot)
{
    const std::string name = series.Name + std::to_string(index);
    const std::string entry = sysRoot + "/class/tty/" + name;
    TNodeFacts node{series.Name, index, false, false, series.Usb, devRoot + "/" + name};
    node.Present = IsCharDevice(node.Path);
    node.Usable = node.Present && IsHardware(entry) && (series.Usb || IsRealUart(entry, node.Path));
    if (node.Usable)
        node.Details = ReadTtyDetails(name, node.Path, devRoot, sysRoot, series.Usb);
    else
        node.Details.Kind = series.Usb ? TPortKind::Usb : TPortKind::BuiltIn;
    return node;
}

// k of a name "<series><k>" (k written in decimal digits without leading zeros, below kMaxIndex), or nothing.
std::optional<int> SeriesIndex(const std::string& name, const std::string& series)
{
    if (!name.starts_with(series) || name.size() == series.size() || !std::isdigit(static_cast<unsigned char>(name[series.size()])))
        return std::nullopt;
    const std::string digits = name.substr(series.size());
    int index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || (digits[0] == '0' && digits.size() > 1) ||
        index >= kMaxIndex)
        return std::nullopt;
    return index;
}

// One more than the highest index of the series' names; 0 when it has none.
int SeriesCount(const std::vector<std::string>& names, const std::string& series)
{
    int count = 0;
    for (const std::string& name : names)
        if (const std::optional<int> index = SeriesIndex(name, series))
            count = std::max(count, *index + 1);
    return count;
}

// The group whose members may read and write the node (on Debian "dialout" for serial ports); empty when the
// node gives its group no such right or the group is root's.
std::string OpeningGroup(const std::string& node)
{
    struct stat st{};
    if (::stat(node.c_str(), &st) != 0 || st.st_gid == 0 || (st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->gr_name;
}

bool MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// Places a link under a temporary name and renames it over the final one, so readers never see a half-made link.
bool PlaceLink(const std::string& target, const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".new." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    if (::symlink(target.c_str(), temporary.c_str()) != 0)
        return false;
    if (::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

bool IsLink(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A link that names no port: its target is gone or is no serial device.
bool Stale(const std::string& path)
{
    return IsLink(path) && !MayBeSerialDevice(path);
}

// A link whose number was free to lock: a link to a pseudo-terminal is then left over from a program that
// ended, and one whose target is gone or is no serial device names nothing either. A user's link to a device
// counts without a lock.
bool StaleWithoutHolder(const std::string& path)
{
    return IsLink(path) && (!MayBeSerialDevice(path) || IsPseudoTerminal(path));
}

std::string LinkTarget(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// Claims and registrations of this process run one at a time; other processes are kept apart by the locks.
std::mutex claimLock;

// Creates the link where no live one stands, holding the number's lock first, so two programs never take the
// same number: only the holder of the lock may create or replace the link, and symlink() fails where a link
// stands. A link this process holds already is live unless its target is gone.
bool ClaimLink(int number, const std::string& target)
{
    const std::string folder = DosDevicesDir();
    const std::string path = LinkPath(number);
    const std::lock_guard guard(claimLock);
    const bool heldBefore = HoldsLinkLock(folder, number);
    if (!heldBefore && !HoldLinkLock(folder, number))
        return false;
    if (::symlink(target.c_str(), path.c_str()) == 0)
        return true;
    const bool stale = errno == EEXIST && (heldBefore ? Stale(path) : StaleWithoutHolder(path));
    if (stale && PlaceLink(target, path))
        return true;
    if (!heldBefore)
        ReleaseLinkLock(folder, number);
    return false;
}

bool ValidNumber(int number)
{
    return number >= kMinComNumber && number <= kMaxComNumber;
}

std::vector<TComLink> ReadLinks()
{
    return ReadLinks(ScanSerialNodes("/dev", "/sys"), "/dev", "/sys");
}

} // namespace

std::vector<TNodeFacts> ScanSerialNodes(const std::string& devRoot, const std::string& sysRoot)
{
    // Read once per scan: a node may be missing below present ones.
    const std::vector<std::string> names = FolderNames(devRoot);
    std::vector<TNodeFacts> nodes;
    for (const TSeriesKind& series : kSeries) {
        const int count = SeriesCount(names, series.Name);
        for (int index = 0; index < count; ++index)
            nodes.push_back(ScanNode(series, index, devRoot, sysRoot));
    }
    return nodes;
}

std::string DosDevicesDir()
{
    const std::string base = BaseFolder();
    const std::string folder = base + "/dosdevices";
    if (MakeFolder(base))
        MakeFolder(folder);
    return folder;
}

std::string LinkFolderProblem()
{
    const std::string folder = DosDevicesDir();
    for (const std::string& level : {BaseFolder(), folder})
        if (std::string problem = FolderProblem(level); !problem.empty())
            return "ignoring the COM links in " + folder + ": " + problem;
    return {};
}

std::vector<TPortMapEntry> ReadPortMapAt(const std::string& devRoot, const std::string& sysRoot)
{
    const std::vector<TNodeFacts> nodes = ScanSerialNodes(devRoot, sysRoot);
    return NumberPorts(nodes, ReadLinks(nodes, devRoot, sysRoot)).Ports;
}

std::vector<TPortMapEntry> ReadPortMap()
{
    return ReadPortMapAt("/dev", "/sys");
}

std::optional<std::string> ResolveComPort(int number)
{
    const std::vector<TNodeFacts> nodes = ScanSerialNodes("/dev", "/sys");
    const std::vector<TComLink> links = ReadLinks(nodes, "/dev", "/sys");
    for (const TComLink& link : links)
        if (link.Number == number)
            return link.Target;
    const std::string name = "COM" + std::to_string(number);
    for (const TPortMapEntry& entry : NumberPorts(nodes, links).Ports)
        if (entry.PortName == name)
            return entry.Path;
    return std::nullopt;
}

TPermissionFix PermissionFix(int number)
{
    const std::optional<std::string> node = ResolveComPort(number);
    if (!node)
        return {};
    const std::string group = OpeningGroup(*node);
    return {*node, group, group.empty() ? std::string() : "sudo usermod -aG " + group + " $USER"};
}

bool RegisterComLink(int number, const std::string& target)
{
    if (!ValidNumber(number) || !LinkFolderReady())
        return false;
    const std::string folder = DosDevicesDir();
    const std::lock_guard guard(claimLock);
    const bool heldBefore = HoldsLinkLock(folder, number);
    if (!heldBefore && !HoldLinkLock(folder, number))
        return false;
    if (PlaceLink(target, LinkPath(number)))
        return true;
    if (!heldBefore)
        ReleaseLinkLock(folder, number);
    return false;
}

int RegisterFreeComLink(const std::string& target)
{
    if (!LinkFolderReady())
        return 0;
    const std::vector<int> taken = NumberPorts(ScanSerialNodes("/dev", "/sys"), ReadLinks()).Taken;
    for (int number = kMinComNumber; number <= kMaxComNumber; ++number)
        if (std::find(taken.begin(), taken.end(), number) == taken.end() && ClaimLink(number, target))
            return number;
    return 0;
}

bool ClaimComLink(int number, const std::string& target, std::string& holder)
{
    holder.clear();
    if (!ValidNumber(number) || !LinkFolderReady())
        return false;
    if (ClaimLink(number, target))
        return true;
    holder = LinkTarget(LinkPath(number));
    return false;
}

void UnregisterComLink(int number)
{
    const std::string folder = DosDevicesDir();
    const std::string path = LinkPath(number);
    const std::lock_guard guard(claimLock);
    if (ValidNumber(number) && LinkFolderReady() && IsLink(path))
        ::unlink(path.c_str());
    ReleaseLinkLock(folder, number);
}

void UnregisterComLink(int number, const std::string& target)
{
    const std::string folder = DosDevicesDir();
    const std::string path = LinkPath(number);
    const std::lock_guard guard(claimLock);
    if (!ValidNumber(number) || !LinkFolderReady() || !IsLink(path) || LinkTarget(path) != target)
        return;
    ::unlink(path.c_str());
    ReleaseLinkLock(folder, number);
}

} // namespace platform

// The port map from the device nodes of the machine and the links of the dosdevices folder.
#include "platform/portmap.h"

#include "platform/posix/portnumbering.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace platform {

namespace {

struct TSeriesKind {
    const char* Name;
    bool Usb;
};
constexpr TSeriesKind kSeries[] = {{"ttyS", false}, {"ttyUSB", true}, {"ttyACM", true}};
constexpr int kMaxIndex = 256;
constexpr int kMaxComNumber = 256;
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

// A real directory (not a link to one) that belongs to this user and that only this user may enter.
bool OwnedFolder(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 0777) == 0700;
}

std::string BaseFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/zentor";
    return "/tmp/zentor-" + std::to_string(::geteuid());
}

// The folder is usable only when both levels are this user's own.
bool LinkFolderReady()
{
    const std::string folder = DosDevicesDir();
    return OwnedFolder(BaseFolder()) && OwnedFolder(folder);
}

std::string LinkPath(int number)
{
    return DosDevicesDir() + "/COM" + std::to_string(number);
}

// "COM<n>" with n written without leading zeros, or 0.
int LinkNumber(std::string_view name)
{
    if (!name.starts_with("COM") || name.size() < 4 || name[3] == '0')
        return 0;
    int number = 0;
    const auto [end, error] = std::from_chars(name.data() + 3, name.data() + name.size(), number);
    return error == std::errc() && end == name.data() + name.size() ? number : 0;
}

std::vector<TComLink> ReadLinks()
{
    std::vector<TComLink> links;
    if (!LinkFolderReady())
        return links;
    const std::string folder = DosDevicesDir();
    const auto closeDir = [](DIR* d) { ::closedir(d); };
    std::unique_ptr<DIR, decltype(closeDir)> dir(::opendir(folder.c_str()), closeDir);
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const int number = LinkNumber(entry->d_name);
        const std::string path = folder + "/" + entry->d_name;
        struct stat st{};
        if (number < 1 || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            continue;
        if (std::string target = RealPath(path); !target.empty() && MayBeSerialDevice(target))
            links.push_back({number, std::move(target)});
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
    return node;
}

std::vector<TNodeFacts> ScanNodes()
{
    return ScanSerialNodes("/dev", "/sys");
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

std::string LinkTarget(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// Creates the link only where no live one stands, so two programs never take the same number.
bool ClaimLink(int number, const std::string& target)
{
    const std::string path = LinkPath(number);
    if (::symlink(target.c_str(), path.c_str()) == 0)
        return true;
    return errno == EEXIST && Stale(path) && PlaceLink(target, path);
}

} // namespace

std::vector<TNodeFacts> ScanSerialNodes(const std::string& devRoot, const std::string& sysRoot)
{
    std::vector<TNodeFacts> nodes;
    for (const TSeriesKind& series : kSeries) {
        for (int index = 0; index < kMaxIndex; ++index) {
            nodes.push_back(ScanNode(series, index, devRoot, sysRoot));
            if (!nodes.back().Present)
                break;
        }
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

std::vector<TPortMapEntry> ReadPortMap()
{
    return NumberPorts(ScanNodes(), ReadLinks()).Ports;
}

std::optional<std::string> ResolveComPort(int number)
{
    for (const TComLink& link : ReadLinks())
        if (link.Number == number)
            return link.Target;
    const std::string name = "COM" + std::to_string(number);
    for (const TPortMapEntry& entry : ReadPortMap())
        if (entry.PortName == name)
            return entry.Path;
    return std::nullopt;
}

bool RegisterComLink(int number, const std::string& target)
{
    return number >= 1 && LinkFolderReady() && PlaceLink(target, LinkPath(number));
}

int RegisterFreeComLink(const std::string& target)
{
    if (!LinkFolderReady())
        return 0;
    const std::vector<int> taken = NumberPorts(ScanNodes(), ReadLinks()).Taken;
    for (int number = 1; number <= kMaxComNumber; ++number)
        if (std::find(taken.begin(), taken.end(), number) == taken.end() && ClaimLink(number, target))
            return number;
    return 0;
}

bool ClaimComLink(int number, const std::string& target, std::string& holder)
{
    holder.clear();
    if (number < 1 || !LinkFolderReady())
        return false;
    if (ClaimLink(number, target))
        return true;
    holder = LinkTarget(LinkPath(number));
    return false;
}

void UnregisterComLink(int number)
{
    const std::string path = LinkPath(number);
    if (number >= 1 && LinkFolderReady() && IsLink(path))
        ::unlink(path.c_str());
}

void UnregisterComLink(int number, const std::string& target)
{
    const std::string path = LinkPath(number);
    if (number >= 1 && LinkFolderReady() && IsLink(path) && LinkTarget(path) == target)
        ::unlink(path.c_str());
}

} // namespace platform

// zentorctl ports: what it prints for each port (text and JSON), which numbers it lists, the links of
// simulators that ended, and the warning about a links folder that is not read.
#include "platform/portmap.h"
#include "platform/posix/portnumbering.h"
#include "tools/zentorctl/portsreport.h"

#include "support/childprocess.h"
#include "support/fakesysfs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

using namespace zentorctl;
using namespace std::chrono_literals;
using platform::TPortMapEntry;

namespace {

QJsonArray JsonPorts(const std::string& text)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    EXPECT_EQ(object["command"].toString(), "ports");
    EXPECT_EQ(object["exit"].toInt(), 0);
    return object["ports"].toArray();
}

QJsonObject JsonObject(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

QJsonValue Text(const std::string& text)
{
    return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(text));
}

} // namespace

TEST(ZentorctlPorts, FakeMachineGivesEachPortsLineAndJsonFields)
{
    TFakeSysfs tree;
    const std::vector<TPortMapEntry> ports = platform::ReadPortMapAt(tree.Dev(), tree.Sys());
    EXPECT_EQ(ReportPorts(ports, false).Out,
              "1\tserial\t" + tree.Node("ttyS0") + "\t\\Device\\Serial0, driver serial8250\n"
              "2\tusb\t" + tree.Node("ttyUSB0") + "\tFTDI FT232R USB UART, 0403:6001, serial A12345, driver ftdi_sio, USB port 1-1, " +
                  tree.ById(kFakeFtdi) + "\n"
              "3\tusb\t" + tree.Node("ttyUSB1") + "\tSilicon Labs CP2102 USB to UART Bridge Controller, 10c4:ea60, "
                  "driver cp210x, USB port 1-2, " + tree.ById(kFakeCp210x) + "\n");

    const QJsonArray list = JsonPorts(ReportPorts(ports, true).Out);
    ASSERT_EQ(list.size(), 3);
    const struct {
        int number;
        std::string kind, node, device;
        TFakeUsbAdapter usb;
        std::string usbPort;
    } cases[] = {
        {1, "serial", "ttyS0", "\\Device\\Serial0", {"", "", "", "", "", "serial8250", ""}, ""},
        {2, "usb", "ttyUSB0", "\\Device\\VCP2", kFakeFtdi, "1-1"},
        {3, "usb", "ttyUSB1", "\\Device\\VCP3", kFakeCp210x, "1-2"},
    };
    for (int i = 0; i < 3; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.number);
        const QJsonObject port = list[i].toObject();
        EXPECT_EQ(port["number"].toInt(), c.number);
        EXPECT_EQ(port["kind"].toString().toStdString(), c.kind);
        EXPECT_EQ(port["usb"].toBool(), c.kind == "usb");
        EXPECT_EQ(port["path"].toString().toStdString(), tree.Node(c.node));
        EXPECT_EQ(port["device"].toString().toStdString(), c.device);
        EXPECT_EQ(port["description"].toString().toStdString(), platform::DescribePort(ports[i]));
        EXPECT_EQ(port["vendor_id"], Text(c.usb.VendorId));
        EXPECT_EQ(port["product_id"], Text(c.usb.ProductId));
        EXPECT_EQ(port["manufacturer"], Text(c.usb.Manufacturer));
        EXPECT_EQ(port["product"], Text(c.usb.Product));
        EXPECT_EQ(port["serial_number"], Text(c.usb.SerialNumber));
        EXPECT_EQ(port["driver"], Text(c.usb.Driver));
        EXPECT_EQ(port["by_id"], Text(c.usb.ById.empty() ? "" : tree.ById(c.usb)));
        EXPECT_EQ(port["usb_port"], Text(c.usbPort));
        EXPECT_EQ(port["by_path"], Text(c.usbPort.empty() ? "" : tree.ByPath(c.usbPort)));
    }
}

// --port takes 1 to 255: a registry's COM0 or COM300 (Windows) is not offered either.
TEST(ZentorctlPorts, ListsOnlyNumbersThatPortAccepts)
{
    const std::vector<TPortMapEntry> ports = {
        {"\\Device\\Serial0", "COM0", "\\\\.\\COM0", {}},     {"\\Device\\VCP0", "COM300", "\\\\.\\COM300", {}},
        {"\\Device\\VCP1", "COM255", "\\\\.\\COM255", {}},    {"\\Device\\VCP2", "COM256", "\\\\.\\COM256", {}},
        {"\\Device\\Serial1", "COM07", "\\\\.\\COM07", {}},   {"\\Device\\Serial2", "COM1", "\\\\.\\COM1", {}},
    };
    const std::string text = ReportPorts(ports, false).Out;
    EXPECT_EQ(text, "1\t-\t\\\\.\\COM1\t\\Device\\Serial2\n255\t-\t\\\\.\\COM255\t\\Device\\VCP1\n");
    const QJsonArray list = JsonPorts(ReportPorts(ports, true).Out);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].toObject()["number"].toInt(), 1);
    EXPECT_EQ(list[1].toObject()["number"].toInt(), 255);
}

TEST(ZentorctlPorts, FieldsWithTabsOrLineEndsKeepTheLineWhole)
{
    TPortMapEntry odd{"\\Device\\VCP3", "COM3", "/tmp/a\tb\nc", {}};
    odd.Details.Kind = platform::TPortKind::Usb;
    odd.Details.Product = "x\ty";
    EXPECT_EQ(ReportPorts({odd}, false).Out, "3\tusb\t/tmp/a b c\tx y\n");
    EXPECT_EQ(JsonPorts(ReportPorts({odd}, true).Out)[0].toObject()["path"].toString(), "/tmp/a\tb\nc");
}

namespace {

class ZentorctlPortsProcess : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::chmod(platform::DosDevicesDir().c_str(), 0700);
        platform::UnregisterComLink(9);
    }

    // A simulated device as a process of its own with a fixed number; its first line names its port.
    static std::unique_ptr<TChildProcess> StartSimulator(int number)
    {
        return std::make_unique<TChildProcess>(
            std::vector<std::string>{ZENTOR_SIM_PATH, "--com", std::to_string(number)});
    }

    static bool Listed(int number)
    {
        const TChildRun run = RunChild({ZENTORCTL_PATH, "ports", "--json"});
        for (const auto port : JsonPorts(run.out))
            if (port.toObject()["number"].toInt() == number)
                return true;
        return false;
    }
};

} // namespace

// A simulator killed without cleaning up leaves its link, and its terminal number soon is somebody else's.
TEST_F(ZentorctlPortsProcess, LinkOfAKilledSimulatorIsNoLongerAPort)
{
    const std::string link = platform::DosDevicesDir() + "/COM9";
    auto sim = StartSimulator(9);
    const std::string said = sim->FirstLine(10s);
    ASSERT_EQ(said.rfind("COM9 /dev/pts/", 0), 0u) << said;
    EXPECT_TRUE(Listed(9));
    sim->Signal(SIGKILL);
    sim->Finish(10s);
    ASSERT_TRUE(std::filesystem::is_symlink(link)) << "a killed simulator cannot remove its link";
    // Somebody else's terminal now gets the number of the simulator's pseudo-terminal.
    const std::string terminal = said.substr(5);
    std::vector<std::unique_ptr<PtyPair>> others;
    while (others.size() < 64 && (others.empty() || others.back()->SlavePath() != terminal))
        others.push_back(std::make_unique<PtyPair>());
    ASSERT_EQ(others.back()->SlavePath(), terminal) << "the terminal number was not reused";
    EXPECT_FALSE(Listed(9));
    EXPECT_FALSE(platform::ResolveComPort(9));
    const TChildRun read = RunChild({ZENTORCTL_PATH, "read", "--port", "9"});
    EXPECT_EQ(read.exitCode, ecNoSuchPort) << read.err;

    auto next = StartSimulator(9);
    EXPECT_EQ(next->FirstLine(10s).rfind("COM9 /dev/pts/", 0), 0u) << "the stale link is replaced";
}

// Simulators started together for one number over a stale link: one of them gets it, the others are refused.
TEST_F(ZentorctlPortsProcess, SimulatorsRacingForANumberOverAStaleLinkGetItOnce)
{
    const std::string link = platform::DosDevicesDir() + "/COM9";
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        std::filesystem::remove(link);
        ASSERT_EQ(::symlink("/dev/no-such-node", link.c_str()), 0);
        std::vector<std::unique_ptr<TChildProcess>> sims;
        for (int i = 0; i < 4; ++i)
            sims.push_back(StartSimulator(9));
        int won = 0;
        int refused = 0;
        for (auto& sim : sims) {
            if (sim->FirstLine(10s).rfind("COM9 ", 0) == 0) {
                ++won;
                continue;
            }
            const TChildRun& run = sim->Finish(10s);
            refused += run.exitCode == 1 && run.err.find("COM9 is in use") != std::string::npos;
        }
        EXPECT_EQ(won, 1);
        EXPECT_EQ(refused, 3);
        for (auto& sim : sims)
            sim->Signal(SIGTERM);
        sims.clear();
    }
}

TEST_F(ZentorctlPortsProcess, IgnoredLinksFolderIsNamedOnStandardErrorWithItsFix)
{
    const std::string folder = platform::DosDevicesDir();
    ASSERT_EQ(::chmod(folder.c_str(), 0775), 0);
    const std::string fix = "chmod 700 " + folder;
    const TChildRun ports = RunChild({ZENTORCTL_PATH, "ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_NE(ports.err.find("zentorctl: ignoring the COM links in " + folder), std::string::npos) << ports.err;
    EXPECT_NE(ports.err.find(fix), std::string::npos) << ports.err;
    const TChildRun read = RunChild({ZENTORCTL_PATH, "read", "--port", "9"});
    EXPECT_EQ(read.exitCode, ecNoSuchPort);
    EXPECT_NE(read.err.find(fix), std::string::npos) << read.err;
    EXPECT_NE(read.err.find("no such port"), std::string::npos) << read.err;

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{ZENTORCTL_PATH, "ports", "--json"}, {ZENTORCTL_PATH, "read", "--port", "9", "--json"}}) {
        SCOPED_TRACE(command[1]);
        const TChildRun json = RunChild(command);
        EXPECT_EQ(json.err, "") << "with --json nothing goes to standard error";
        EXPECT_NE(JsonObject(json.out)["warning"].toString().toStdString().find(fix), std::string::npos) << json.out;
    }

    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(RunChild({ZENTORCTL_PATH, "ports"}).err, "") << "a folder only its owner may write to is read";
    EXPECT_FALSE(JsonObject(RunChild({ZENTORCTL_PATH, "ports", "--json"}).out).contains("warning"));
}

// Something other than a lock file of this user stands where a simulator's lock goes (a FIFO would block a
// plain open until a writer came). It is no lock: the link beside it does not count, nothing waits on it,
// and a simulator asked for that number names it as the cause.
TEST_F(ZentorctlPortsProcess, APlantedLockThatIsNoLockFileIsIgnoredAndNamed)
{
    const std::string folder = platform::DosDevicesDir();
    const std::string lock = folder + "/COM9.lock";
    PtyPair terminal;
    struct TPlant {
        const char* kind;
        std::function<bool()> plant;
    };
    const TPlant plants[] = {
        {"a FIFO", [&] { return ::mkfifo(lock.c_str(), 0600) == 0; }},
        {"a folder", [&] { return ::mkdir(lock.c_str(), 0700) == 0; }},
        {"another user's file", [&] {
             const int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
             return fd >= 0 && ::fchown(fd, 65534, 65534) == 0 && ::close(fd) == 0;
         }},
    };
    for (const TPlant& p : plants) {
        SCOPED_TRACE(p.kind);
        std::filesystem::remove_all(lock);
        std::filesystem::remove(folder + "/COM9");
        ASSERT_TRUE(p.plant());
        std::filesystem::create_symlink(terminal.SlavePath(), folder + "/COM9");
        const TChildRun ports = RunChild({ZENTORCTL_PATH, "ports", "--json"}, 10s);
        EXPECT_EQ(ports.exitCode, 0) << ports.err;
        for (const auto port : JsonPorts(ports.out))
            EXPECT_NE(port.toObject()["number"].toInt(), 9);
        EXPECT_EQ(RunChild({ZENTORCTL_PATH, "read", "--port", "9"}, 10s).exitCode, ecNoSuchPort);
        const TChildRun sim = RunChild({ZENTOR_SIM_PATH, "--com", "9"}, 10s);
        EXPECT_EQ(sim.exitCode, 1);
        const std::string named = p.kind == std::string("another user's file") ? "belongs to another user"
                                                                                  : std::string("is ") + p.kind;
        EXPECT_NE(sim.err.find(lock + " " + named), std::string::npos) << sim.err;
    }
    std::filesystem::remove_all(lock);
    std::filesystem::remove(folder + "/COM9");
}

// The serial device over the Windows calls and the port on top of it, under Wine, against line partners on
// pseudo-terminals: an echo (every byte comes back) and the simulated device set to vanish at its first frame.
#include "comm/commport.h"

#include "winepeers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace std::chrono_literals;

namespace {

std::string Pattern(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; i++)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

std::chrono::milliseconds TimedClose(TCommPort& port)
{
    const auto start = std::chrono::steady_clock::now();
    port.SetOpen(false);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

class WinePort : public testing::Test {
protected:
    void TearDown() override
    {
        port.OnDataReceived = nullptr;
        port.SetOpen(false);
    }
    void Open(const char* peer)
    {
        port.SetComNumber(PeerComNumber(peer));
        port.SetDTR(true);
        port.SetRTS(true);
        port.SetOpen(true);
        ASSERT_TRUE(port.Open()) << platform::SerialCauseText(port.OpenFailure());
    }
    // Everything waiting in the receive ring.
    std::string Take()
    {
        std::string bytes(port.InBuffUsed(), '\0');
        bytes.resize(port.GetBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return bytes;
    }

    TCommPort port;
};

} // namespace

// 20000 bytes through 64-byte rings both ways: every byte goes out and comes back, in order.
TEST_F(WinePort, BytesGoBothWaysInOrderThroughWrappingRings)
{
    port.SetIBuffSize(64);
    port.SetOBuffSize(64);
    std::string received;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { received += Take(); };
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM"));
    const std::string data = Pattern(20000);
    std::size_t sent = 0;
    while (sent < data.size()) {
        const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(37, data.size() - sent));
        sent += port.PutBlock(data.data() + sent, length);
        ASSERT_TRUE(PumpUntil([&] { return port.OutBuffFree() > 0; }, 10s)) << "the transmit ring stays full";
    }
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= data.size(); }, 30s)) << received.size();
    EXPECT_EQ(received, data);
}

// A pseudo-terminal has no modem lines: the calls report "not supported", the lines keep their stored state,
// and the line itself goes on working.
TEST_F(WinePort, ModemCallsAreNotSupportedAndThePortKeepsGoing)
{
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM"));
    platform::ISerialDevice& device = *port.DeviceHandle();
    std::uint32_t status = 0;
    EXPECT_FALSE(device.GetCommModemStatus(status));
    EXPECT_EQ(device.LastCause(), platform::SerialCause::NotSupported);
    EXPECT_FALSE(device.EscapeCommFunction(CLRDTR));
    EXPECT_EQ(device.LastCause(), platform::SerialCause::NotSupported);
    port.SetDTR(false);
    EXPECT_TRUE(port.DTR()) << "the line did not change, so neither does the property";
    EXPECT_FALSE(port.GetModemState(1));

    std::string received;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { received += Take(); };
    port.PutString("still here");
    EXPECT_TRUE(PumpUntil([&] { return received == "still here"; }, 10s)) << received;
}

// Wine ends the driver's line-event wait with an empty event set while nothing happens; an open, quiet port
// must not turn that into deliveries on the main thread or into signal events.
TEST_F(WinePort, AQuietPortHandsNothingToTheMainThread)
{
    int signals = 0;
    port.OnRxDSignal = port.OnTxDSignal = port.OnCTSSignal = port.OnDSRSignal = [&](TCommPort*) { ++signals; };
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM"));
    PumpFor(300ms); // the deliveries of the open itself
    int handOffs = 0;
    PumpFor(1500ms, &handOffs);
    EXPECT_EQ(handOffs, 0);
    EXPECT_EQ(signals, 0);
    port.OnRxDSignal = port.OnTxDSignal = port.OnCTSSignal = port.OnDSRSignal = nullptr;
}

// The status thread sits in a pending line-event wait and the reader waits for work: CancelIoEx ends both.
TEST_F(WinePort, ClosingWhileAWaitIsPendingEndsWithin500ms)
{
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM"));
    PumpFor(200ms);
    EXPECT_LT(TimedClose(port).count(), 500);
    EXPECT_FALSE(port.Open());
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM")); // the port was released
}

// Wine lets two programs open the same device; the port still refuses a second holder, as Windows does.
TEST_F(WinePort, APortHeldByAnotherPortIsInUseUntilItCloses)
{
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_ECHO_COM"));
    TCommPort second;
    second.SetComNumber(port.ComNumber());
    second.SetOpen(true);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.OpenFailure(), platform::SerialCause::InUse);
    port.SetOpen(false);
    second.SetOpen(true);
    EXPECT_TRUE(second.Open()) << platform::SerialCauseText(second.OpenFailure());
}

// The simulated device closes its end at the first frame. The device reports itself unplugged; the port stays
// open, costs next to no CPU while the program keeps writing, and closes at once.
TEST_F(WinePort, AVanishedDeviceCostsNoCpuAndTheCloseIsPrompt)
{
    ASSERT_NO_FATAL_FAILURE(Open("ZENTOR_VANISH_COM"));
    const char frame[] = {'\xA5', '\x96', '\x00', '\xD5', '\x00', '\x6B'};
    port.PutBlock(frame, sizeof frame);
    PumpFor(500ms);
    const double cpuBefore = ProcessCpuSeconds();
    const auto end = std::chrono::steady_clock::now() + 1s;
    while (std::chrono::steady_clock::now() < end) {
        port.PutString("x");
        PumpFor(100ms);
    }
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.05) << "share of one core over one second";
    std::uint32_t errors = 0;
    platform::TComStat status;
    EXPECT_FALSE(port.DeviceHandle()->ClearCommError(errors, status));
    EXPECT_EQ(port.DeviceHandle()->LastCause(), platform::SerialCause::Unplugged) << "the device is gone";
    EXPECT_TRUE(port.Open());
    EXPECT_LT(TimedClose(port).count(), 500);
}

// Windows opens a port under other spellings of its name too (the device prefix written either way, blanks and
// dots at the end); every spelling is the same port, held by one holder at a time. A name too long to be a
// port is no such port, not a port in use.
TEST(WinePortNames, EverySpellingOfAHeldPortIsInUseAndAnOverlongNameIsNoSuchPort)
{
    const std::string number = std::to_string(PeerComNumber("ZENTOR_ECHO_COM"));
    platform::SerialCause cause = platform::SerialCause::None;
    const auto held = platform::OpenSerialDevice("\\\\.\\COM" + number, cause);
    ASSERT_TRUE(held) << platform::SerialCauseText(cause);
    const struct {
        std::string name;
        platform::SerialCause cause;
    } cases[] = {
        {"COM" + number, platform::SerialCause::InUse},
        {"\\\\.\\com" + number + " ", platform::SerialCause::InUse},
        {"\\\\.\\COM" + number + ". ", platform::SerialCause::InUse},
        {"//./COM" + number, platform::SerialCause::InUse},
        {"\\\\?\\COM" + number, platform::SerialCause::InUse},
        {std::string(300, 'C'), platform::SerialCause::NoSuchPort},
        {"\\\\.\\COM" + std::string(300, '9'), platform::SerialCause::NoSuchPort},
    };
    for (const auto& c : cases) {
        const auto second = platform::OpenSerialDevice(c.name, cause);
        EXPECT_FALSE(second) << c.name;
        EXPECT_EQ(cause, c.cause) << c.name;
    }
}

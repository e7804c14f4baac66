// The port on a real pseudo-terminal, registered as a COM link.
#include "comm/commport.h"

#include "classlib/base/lasterror.h"
#include "classlib/base/synchronizequeue.h"
#include "commtestsupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace {

class CommPortPty : public testing::Test {
protected:
    CommPortPty() { port.SetComNumber(link.Number()); }

    // Handlers capture the test's locals, which are gone before the fixture closes the port.
    void TearDown() override
    {
        DropHandlers(port);
        port.SetOpen(false);
    }
    void OpenPort()
    {
        port.SetOpen(true);
        ASSERT_TRUE(port.Open()) << platform::SerialCauseText(port.OpenFailure());
    }
    std::string Take()
    {
        std::string bytes(port.InBuffUsed(), '\0');
        bytes.resize(port.GetBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return bytes;
    }

    TPtyLink link;
    PtyPair& pty = link.pty;
    TCommPort port;
};

std::string Pattern(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; i++)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace

TEST_F(CommPortPty, PutBlockBytesReachTheOtherEndInOrderThroughAWrappingRing)
{
    port.SetOBuffSize(64);
    OpenPort();
    const std::string data = Pattern(20000);
    std::size_t accepted = 0, chunk = 1;
    while (accepted < data.size()) {
        const auto length = static_cast<std::uint32_t>(std::min(chunk, data.size() - accepted));
        accepted += port.PutBlock(data.data() + accepted, length);
        chunk = chunk % 97 + 13;
        if (port.OutBuffFree() == 0)
            PumpUntil([&] { return port.OutBuffFree() > 0; });
    }
    const auto got = pty.Read(data.size());
    EXPECT_EQ(std::string(got.begin(), got.end()), data);
}

TEST_F(CommPortPty, BytesFromTheOtherEndReachOnDataReceivedOnTheGuiThreadInOrder)
{
    port.SetIBuffSize(64);
    std::string received;
    bool offGuiThread = false;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t count) {
        offGuiThread |= !TSynchronizeQueue::Instance().OnMainThread();
        EXPECT_EQ(sender, &port);
        EXPECT_LE(count, 64u);
        received += Take();
    };
    OpenPort();
    const std::string data = Pattern(20000);
    for (std::size_t sent = 0, chunk = 1; sent < data.size(); chunk = chunk % 300 + 1) {
        const std::size_t n = std::min(chunk, data.size() - sent);
        pty.Write(data.data() + sent, n);
        sent += n;
        if (chunk % 5 == 0)
            PumpUntil([&] { return received.size() == sent; });
    }
    ASSERT_TRUE(PumpUntil([&] { return received.size() == data.size(); }));
    EXPECT_EQ(received, data);
    EXPECT_FALSE(offGuiThread);
}

TEST_F(CommPortPty, ABurstLargerThanTheFreeRingStaysInTheDriverUntilGetBlockMakesRoom)
{
    port.SetIBuffSize(64);
    int deliveries = 0;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { deliveries++; };
    OpenPort();
    const std::string data = Pattern(1000);
    pty.Write(data.data(), data.size());
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 64; }));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(port.InBuffUsed(), 64u);
    std::string got = Take();
    while (got.size() < data.size()) {
        const int before = deliveries;
        ASSERT_TRUE(PumpUntil([&] { return deliveries > before && port.InBuffUsed() > 0; })) << got.size();
        got += Take();
    }
    EXPECT_EQ(got, data);
}

TEST_F(CommPortPty, ClosingDeliversOnDataReceivedOnceMore)
{
    std::vector<std::uint32_t> counts;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t count) { counts.push_back(count); };
    OpenPort();
    pty.Write("abc", 3);
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 3 && !counts.empty(); }));
    EXPECT_EQ(Take(), "abc");
    counts.clear();
    port.SetOpen(false);
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{0}));
}

TEST_F(CommPortPty, AMissingPortStaysClosedWithoutOnOpen)
{
    bool opened = false;
    port.OnOpen = [&](TCommPort*, std::int32_t) { opened = true; };
    port.SetComNumber(250);
    port.SetOpen(true);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(opened);
    EXPECT_EQ(port.OpenFailure(), platform::SerialCause::NoSuchPort);
    EXPECT_EQ(GetLastError(), 2);
}

// A pseudo-terminal has no DTR or RTS line: applying them at the open fails, and that code reaches OnOpen.
TEST_F(CommPortPty, OnOpenReportsTheLastErrorOfTheOpen)
{
    std::vector<std::int32_t> errors;
    port.OnOpen = [&](TCommPort*, std::int32_t error) { errors.push_back(error); };
    OpenPort();
    EXPECT_EQ(errors, (std::vector<std::int32_t>{platform::SerialCauseCode(platform::SerialCause::NotSupported)}));
    port.SetDTR(true);
    EXPECT_FALSE(port.DTR()) << "a refused line change keeps the property";
}

// Another process holds the port (through the same exclusive open): opening fails with "in use", as root too.
TEST_F(CommPortPty, APortHeldByAnotherProcessIsInUse)
{
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::SerialCause cause;
        auto device = platform::OpenSerialDevice("\\\\.\\COM" + std::to_string(link.Number()), cause);
        const char state = device ? 'y' : 'n';
        (void)!::write(ready[1], &state, 1);
        char done;
        (void)!::read(release[0], &done, 1);
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'y');
    port.SetOpen(true);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.OpenFailure(), platform::SerialCause::InUse);
    EXPECT_STREQ(platform::SerialCauseText(port.OpenFailure()), "in use");
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open()) << "free again once the other process has ended";
}

// The program is busy while the other end keeps sending: the ring and the driver's buffer fill up and more
// waits in the terminal. A flush then drops all of it, and what is sent afterwards, and only that, arrives.
TEST_F(CommPortPty, AfterAFlushOfAFullRingOnlyNewBytesArriveAndReceptionGoesOn)
{
    port.SetIBuffSize(100);
    OpenPort();
    const std::string old(3000, 'o');
    const std::string fresh(300, 'n');
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE(round);
        pty.Write(old.data(), old.size());
        ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 100; }));
        port.FlushInBuffer();
        pty.Write(fresh.data(), fresh.size());
        std::string received;
        PumpUntil([&] {
            received += Take();
            return received.size() >= fresh.size();
        });
        EXPECT_EQ(received, fresh);
        if (received != fresh)
            return;
    }
}

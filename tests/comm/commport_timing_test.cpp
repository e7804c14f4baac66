// The port where its threads meet: flushes and puts racing the writer, signals at open, threads that cannot
// start, and closes made from inside the port's own handlers. Each window is forced through the simulated line
// (fakeserialdevice.h) or the thread starts of the test program (threadstarts.h).
#include "comm/commport.h"

#include "classlib/lasterror.h"
#include "commtestsupport.h"
#include "fakeserialdevice.h"
#include "threadstarts.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <string>

#include <unistd.h>

namespace {

class CommPortTimingTest : public testing::Test {
protected:
    CommPortTimingTest() { port.SetComNumber(7); }
    void TearDown() override
    {
        DropHandlers(port);
        port.SetOpen(false);
    }
    void OpenPort()
    {
        port.SetOpen(true);
        ASSERT_TRUE(port.Open());
    }
    // Puts every byte, waiting for the writer to make room.
    void PutAll(const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            sent += port.PutBlock(bytes.data() + sent, static_cast<std::uint32_t>(bytes.size() - sent));
            if (sent < bytes.size()) {
                ASSERT_TRUE(PumpUntil([&] { return port.OutBuffFree() > 0; }));
            }
        }
    }
    // Runs a nested event loop, as a modal dialog does, in which a timer closes the port.
    void CloseFromNestedLoop()
    {
        QEventLoop dialog;
        QTimer::singleShot(1, &dialog, [&] {
            port.SetOpen(false);
            dialog.quit();
        });
        dialog.exec();
    }

    TFakeOpener opener;
    TFakeLine& line = *opener.line;
    TCommPort port;
};

struct TFlushCase {
    const char* name;
    bool deviceAborts; // whether the purge reaches the blocked write
    std::uint32_t ringSize;
    std::string before, after;
    std::string line; // what reaches the line
};

} // namespace

// The writer is blocked in the device with `before` when the flush comes; `after` is put at once.
// Whether or not the purge ends that write, every byte put after the flush goes out, once and in order.
TEST_F(CommPortTimingTest, BytesPutAfterAFlushDuringAWriteGoOutOnceAndInOrder)
{
    const TFlushCase cases[] = {
        {"aborted write", true, 16, "old", "new", "new"},
        {"write that missed the purge, ring reused", false, 4, "abc", "defg", "abcdefg"},
        {"write that missed the purge, ring wrapped twice", false, 5, "abcd", "efghijklm", "abcdefghijklm"},
    };
    for (const TFlushCase& c : cases) {
        SCOPED_TRACE(c.name);
        line.Set(&TFakeLine::abortsWrites, c.deviceAborts);
        line.Set(&TFakeLine::output, {});
        port.SetOBuffSize(c.ringSize);
        OpenPort();
        line.SetAcceptsWrites(false);
        const int writes = line.writeCalls.load();
        ASSERT_EQ(port.PutString(c.before.c_str()), static_cast<int>(c.before.size()));
        ASSERT_TRUE(PumpUntil([&] { return line.writeCalls.load() > writes; }));
        port.FlushOutBuffer();
        const std::uint32_t first = port.PutBlock(c.after.data(), static_cast<std::uint32_t>(c.after.size()));
        line.SetAcceptsWrites(true);
        PutAll(c.after.substr(first));
        EXPECT_TRUE(PumpUntil([&] { return line.Output().size() >= c.line.size() && port.OutBuffUsed() == 0; }));
        EXPECT_EQ(line.Output(), c.line);
        port.SetOpen(false);
    }
}

TEST_F(CommPortTimingTest, HardFlowControlSendsWhenCtsIsAlreadyOnAtOpen)
{
    line.Raise(0, platform::MS_CTS_ON);
    line.Set(&TFakeLine::holdModemStatus, true); // the first reading comes late, as on a USB adapter
    port.SetComControl(ccHard);
    OpenPort();
    port.PutString("go");
    PumpFor(std::chrono::milliseconds(50)); // the writer finds CTS off and goes to sleep
    EXPECT_EQ(line.Output(), "");
    line.Set(&TFakeLine::holdModemStatus, false);
    EXPECT_TRUE(PumpUntil([&] { return line.Output() == "go"; }));
}

TEST_F(CommPortTimingTest, BytesWaitingAtOpenAreReadAndDelivered)
{
    line.Receive("waiting");
    std::uint32_t delivered = 0;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t count) { delivered = count; };
    {
        TThreadStarts starts;
        // The status thread takes the waiting bytes' event before the open goes on to start the others.
        bool first = true;
        starts.AfterEachStart([&] {
            if (std::exchange(first, false))
                PumpUntil([&] { return line.waitCalls.load() >= 2; });
        });
        OpenPort();
    }
    EXPECT_TRUE(PumpUntil([&] { return delivered == 7; }));
    EXPECT_EQ(port.InBuffUsed(), 7u);
}

TEST_F(CommPortTimingTest, AThreadThatCannotStartFailsTheOpenAndStopsTheOthers)
{
    const int threadsBefore = CountEntries("/proc/self/task");
    bool opened = false;
    port.OnOpen = [&](TCommPort*, std::int32_t) { opened = true; };
    for (int started = 0; started < 5; started++) {
        SCOPED_TRACE(started);
        {
            TThreadStarts starts;
            starts.FailAfter(started);
            port.SetOpen(true);
        }
        EXPECT_FALSE(port.Open());
        EXPECT_FALSE(opened);
        EXPECT_FALSE(port.IsEnabled());
        EXPECT_EQ(port.OpenFailure(), platform::SerialCause::NoResources);
        EXPECT_EQ(GetLastError(), platform::SerialCauseCode(platform::SerialCause::NoResources));
        EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
        EXPECT_EQ(port.PutBlock("x", 1), 0u);
        EXPECT_EQ(CountEntries("/proc/self/task"), threadsBefore);
    }
    OpenPort();
    EXPECT_TRUE(opened);
    port.PutString("works");
    EXPECT_TRUE(PumpUntil([&] { return line.Output() == "works"; }));
}

// A handler opens a modal dialog whose event loop closes the port (as the port monitor does), or closes it
// from inside a close. Neither may hang, and the port must work again afterwards.
TEST_F(CommPortTimingTest, CloseFromInsideTheHandlersEndsAndThePortReopens)
{
    enum TWhere { DataHandlerDialog, StatusHandlerDialog, DataHandlerDuringClose };
    for (TWhere where : {DataHandlerDialog, StatusHandlerDialog, DataHandlerDuringClose}) {
        SCOPED_TRACE(where);
        int closes = 0;
        bool handled = false;
        bool closing = false;
        port.OnClose = [&](TCommPort*) { closes++; };
        port.OnDataReceived = [&](TCommPort*, std::uint32_t) {
            handled = true;
            if (where == DataHandlerDialog && port.Open())
                CloseFromNestedLoop();
            if (where == DataHandlerDuringClose && closing)
                port.SetOpen(false);
        };
        port.OnCTSSignal = [&](TCommPort*) {
            if (where == StatusHandlerDialog && port.Open())
                CloseFromNestedLoop();
        };
        OpenPort();
        if (where == StatusHandlerDialog)
            line.Raise(platform::EV_CTS, platform::MS_CTS_ON);
        else
            line.Receive("x");
        if (where == DataHandlerDuringClose) {
            ASSERT_TRUE(PumpUntil([&] { return handled; }));
            closing = true;
            port.SetOpen(false); // its last delivery closes again
        }
        EXPECT_TRUE(PumpUntil([&] { return !port.Open(); }));
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
        DropHandlers(port);
        OpenPort();
        port.PutString("again");
        EXPECT_TRUE(PumpUntil([&] { return line.Output().ends_with("again"); }));
        port.SetOpen(false);
    }
}

// Large rings are set aside, not filled: opening them neither stalls nor takes the memory at once.
TEST_F(CommPortTimingTest, LargeRingsCostNoMemoryUntilTheyFill)
{
    const auto residentBytes = [] {
        long pages = 0, resident = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = -1;
        if (statm)
            std::fclose(statm);
        return resident * ::sysconf(_SC_PAGESIZE);
    };
    constexpr std::uint32_t ringSize = 256u << 20;
    port.SetIBuffSize(ringSize);
    port.SetOBuffSize(ringSize);
    const long before = residentBytes();
    OpenPort();
    EXPECT_LT(residentBytes() - before, long(ringSize / 4));
    EXPECT_EQ(port.OutBuffFree(), ringSize);
    port.PutString("fits");
    EXPECT_TRUE(PumpUntil([&] { return line.Output() == "fits"; }));
}

// The port where its threads meet: flushes and puts racing the writer, signals at open, threads that cannot
// start, and closes made from inside the port's own handlers. Each window is forced through the simulated line
// (fakeserialdevice.h) or the thread starts of the test program (threadstarts.h).
#include "comm/commport.h"

#include "classlib/base/lasterror.h"
#include "commtestsupport.h"
#include "fakeserialdevice.h"
#include "threadstarts.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// Only the port's own threads are counted: a sanitizer runs threads of its own in the process.
TEST_F(CommPortTimingTest, AThreadThatCannotStartFailsTheOpenAndStopsTheOthers)
{
    bool opened = false;
    int events = 0;
    port.OnOpen = [&](TCommPort*, std::int32_t) { opened = true; };
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { events++; };
    port.OnClose = port.OnTxDSignal = port.OnRxDSignal = port.OnCTSSignal = [&](TCommPort*) { events++; };
    for (int started = 0; started < 5; started++) {
        SCOPED_TRACE(started);
        {
            TThreadStarts starts;
            starts.FailAfter(started);
            // Each thread gets to its first wait, where a stop request is also a delivery request.
            starts.AfterEachStart([] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
            port.SetOpen(true);
        }
        EXPECT_FALSE(port.Open());
        EXPECT_FALSE(opened);
        EXPECT_EQ(events, 0) << "a failed open raised an event";
        EXPECT_FALSE(port.IsEnabled());
        EXPECT_EQ(port.OpenFailure(), platform::SerialCause::NoResources);
        EXPECT_EQ(GetLastError(), platform::SerialCauseCode(platform::SerialCause::NoResources));
        EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
        EXPECT_EQ(port.PutBlock("x", 1), 0u);
        EXPECT_EQ(TThreadStarts::Running(), 0);
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

// ---- Flushes, purges and settings that race the workers ------------------------------------------------

namespace {

std::string TakeAll(TCommPort& port)
{
    char buffer[256];
    return std::string(buffer, port.GetBlock(buffer, sizeof buffer));
}

} // namespace

// A read is under way when the flush comes: it has taken "old" from the driver and is still copying it, or
// it was put aside before it took anything. Whichever it is, no byte from before the flush is delivered, and
// every byte from after it is.
TEST_F(CommPortTimingTest, AReadUnderWayDuringAFlushDeliversEveryLaterByteAndNoEarlierOne)
{
    for (bool TFakeLine::*hold : {&TFakeLine::holdReads, &TFakeLine::holdReadStarts}) {
        SCOPED_TRACE(hold == &TFakeLine::holdReads ? "copying" : "put aside");
        std::string delivered;
        port.OnDataReceived = [&](TCommPort* sender, std::uint32_t) { delivered += TakeAll(*sender); };
        OpenPort();
        const int reads = line.readCalls.load();
        line.Set(hold, true);
        line.Receive("old");
        ASSERT_TRUE(PumpUntil([&] { return line.readCalls.load() > reads; }));
        // The read goes on a moment later, whether or not the flush waits for it.
        std::thread resume([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            line.Set(hold, false);
        });
        port.FlushInBuffer();
        line.Receive("new");
        resume.join();
        EXPECT_TRUE(PumpUntil([&] { return delivered.find("new") != std::string::npos; })) << delivered;
        EXPECT_EQ(delivered, "new");
        DropHandlers(port);
        port.SetOpen(false);
    }
}

// The reader stopped on a full ring. Bytes arrive right after the flush's purge, and their arrival was
// reported while the ring was still full (or not at all: a driver buffer that filled up reports nothing more).
// Only a wake-up once the ring is empty fetches them.
TEST_F(CommPortTimingTest, ReceptionGoesOnAfterAFlushOfAFullRing)
{
    port.SetIBuffSize(8);
    OpenPort();
    line.Receive(std::string(20, 'o'));
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 8 && line.Get(&TFakeLine::input).size() == 12; }));
    line.Set(&TFakeLine::arrivingAfterPurge, std::string("new"));
    port.FlushInBuffer();
    EXPECT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 3; }));
    EXPECT_EQ(TakeAll(port), "new");
}

// The owner purges the device directly with a transmit abort (as the program does) while a write is pending:
// the aborted bytes and everything behind them in the ring still go out.
TEST_F(CommPortTimingTest, ADirectTransmitAbortStrandsNoByteOfTheRing)
{
    port.SetOBuffSize(4);
    line.Set(&TFakeLine::abortsWrites, true);
    OpenPort();
    line.SetAcceptsWrites(false);
    const int writes = line.writeCalls.load();
    ASSERT_EQ(port.PutString("abcd"), 4);
    ASSERT_TRUE(PumpUntil([&] { return line.writeCalls.load() > writes; }));
    port.DeviceHandle()->PurgeComm(platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
    line.SetAcceptsWrites(true);
    ASSERT_TRUE(PumpUntil([&] { return port.OutBuffUsed() == 0; }));
    EXPECT_EQ(port.PutString("ef"), 2);
    EXPECT_TRUE(PumpUntil([&] { return line.Output() == "abcdef"; })) << line.Output();
}

// The flush's purge ends the pending write at once and the writer tries again before the flush goes on: it
// must find only bytes put after the flush, so none put before it reaches the line afterwards.
TEST_F(CommPortTimingTest, AWriteAbortedByAFlushIsNotTriedAgainWithEarlierBytes)
{
    port.SetOBuffSize(16);
    line.Set(&TFakeLine::abortsWrites, true);
    line.Set(&TFakeLine::purgeAwaitsRetry, true);
    OpenPort();
    line.SetAcceptsWrites(false);
    const int writes = line.writeCalls.load();
    ASSERT_EQ(port.PutString("old"), 3);
    ASSERT_TRUE(PumpUntil([&] { return line.writeCalls.load() > writes; }));
    port.FlushOutBuffer();
    ASSERT_EQ(port.PutString("new"), 3);
    line.SetAcceptsWrites(true);
    EXPECT_TRUE(PumpUntil([&] { return line.Output().size() >= 3 && port.OutBuffUsed() == 0; }));
    PumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(line.Output(), "new");
}

// CTS is off and holds the bytes back; dropping hardware flow control lets them go without any line event.
TEST_F(CommPortTimingTest, LeavingHardwareFlowControlReleasesTheHeldBytes)
{
    for (TComControl control : {ccNone, ccSoft}) {
        SCOPED_TRACE(control);
        line.Set(&TFakeLine::output, {});
        port.SetComControl(ccHard);
        OpenPort();
        port.PutString("held");
        PumpFor(std::chrono::milliseconds(30));
        ASSERT_EQ(line.Output(), "");
        port.SetComControl(control);
        EXPECT_TRUE(PumpUntil([&] { return line.Output() == "held"; }));
        port.SetOpen(false);
    }
}

// A handler run by the close (its last delivery, or one that was waiting) changes a ring size: the close
// still runs on the old rings and threads, so the size changes only once the close has ended.
TEST_F(CommPortTimingTest, ARingSizeSetWhileTheCloseRunsTakesEffectAfterIt)
{
    port.SetIBuffSize(16);
    port.SetOBuffSize(16);
    OpenPort();
    bool closing = false;
    int deliveries = 0;
    std::vector<std::uint32_t> sizesInHandler;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t) {
        if (!closing) {
            deliveries++;
            return;
        }
        sender->SetIBuffSize(4096);
        sender->SetOBuffSize(4096);
        sizesInHandler = {sender->InSize(), sender->OutSize()};
        // The reader, still running, is asked for more bytes than the old ring holds.
        line.Receive(std::string(1000, 'x'));
        TakeAll(*sender);
    };
    line.Receive("x");
    ASSERT_TRUE(PumpUntil([&] { return deliveries > 0; })); // the delivery thread waits for the next one
    closing = true;
    port.SetOpen(false);
    EXPECT_EQ(sizesInHandler, (std::vector<std::uint32_t>{16, 16}));
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.InSize(), 4096u);
    EXPECT_EQ(port.OutSize(), 4096u);
    DropHandlers(port);
    OpenPort();
    port.FlushInBuffer();
    line.Receive(std::string(1000, 'y'));
    EXPECT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 1000; }));
}

// The warning box shown by an open runs an event loop; what a timer does there must leave the open intact.
TEST_F(CommPortTimingTest, AnOpenOrResizeFromTheOpensWarningBoxLeavesTheOpenIntact)
{
    enum TReentry { OpenAgain, ResizeTransmitRing };
    for (TReentry reentry : {OpenAgain, ResizeTransmitRing}) {
        SCOPED_TRACE(reentry);
        port.SetOBuffSize(8);
        port.SetStopBits(sb1_5); // with 8 data bits: a warning at every open
        line.Set(&TFakeLine::output, {});
        bool reentered = false;
        std::uint32_t sizeInBox = 0;
        const TMessageBoxHandler old = SetMessageBoxHandler([&](const AnsiString&, const AnsiString&, unsigned) {
            if (!std::exchange(reentered, true)) {
                if (reentry == OpenAgain)
                    port.SetOpen(true);
                else
                    port.SetOBuffSize(64);
                sizeInBox = port.OutSize();
            }
            return IDOK;
        });
        port.SetOpen(true);
        SetMessageBoxHandler(old);
        ASSERT_TRUE(port.Open());
        EXPECT_EQ(sizeInBox, 8u);
        EXPECT_EQ(line.Get(&TFakeLine::devices), 1);
        const std::string block(port.OutSize(), 'b');
        EXPECT_EQ(port.PutBlock(block.data(), static_cast<std::uint32_t>(block.size())), block.size());
        EXPECT_TRUE(PumpUntil([&] { return line.Output() == block; }));
        port.SetOpen(false);
        port.SetStopBits(sb1_0);
    }
}

// The status thread is reading the modem lines (CTS on) when the close starts; the port must still report
// every line off once it is closed.
TEST_F(CommPortTimingTest, AClosedPortReportsEveryLineOff)
{
    OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return line.waitCalls.load() >= 1; }));
    line.Set(&TFakeLine::holdModemStatus, true);
    const int queries = line.modemCalls.load();
    line.Raise(platform::EV_CTS | platform::EV_DSR | platform::EV_RLSD | platform::EV_RING,
               platform::MS_CTS_ON | platform::MS_DSR_ON | platform::MS_RLSD_ON | platform::MS_RING_ON);
    ASSERT_TRUE(PumpUntil([&] { return line.modemCalls.load() > queries; }));
    // The query answers once the close has begun to cancel the device's calls.
    std::thread answer([&] {
        std::unique_lock guard(line.lock);
        line.changed.wait(guard, [&] { return line.cancelled; });
        line.holdModemStatus = false;
        line.changed.notify_all();
    });
    port.SetOpen(false);
    answer.join();
    EXPECT_FALSE(port.CTS());
    EXPECT_FALSE(port.DSR());
    EXPECT_FALSE(port.DCD());
    EXPECT_FALSE(port.Ring());
}

// A timer in the warning box's event loop puts bytes while the open is not finished: they still go out.
TEST_F(CommPortTimingTest, BytesPutWhileTheOpenShowsItsWarningGoOut)
{
    port.SetStopBits(sb1_5); // with 8 data bits: a warning at every open
    int put = -1;
    const TMessageBoxHandler old = SetMessageBoxHandler([&](const AnsiString&, const AnsiString&, unsigned) {
        if (put < 0)
            put = port.PutString("early");
        return IDOK;
    });
    port.SetOpen(true);
    SetMessageBoxHandler(old);
    ASSERT_TRUE(port.Open());
    ASSERT_EQ(put, 5);
    EXPECT_TRUE(PumpUntil([&] { return line.Output() == "early"; })) << line.Output();
}

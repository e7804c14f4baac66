// The port's properties and operations, through a simulated line (fakeserialdevice.h).
#include "comm/commport.h"

#include "classlib/base/exceptionhandler.h"
#include "classlib/base/lasterror.h"
#include "classlib/base/synchronizequeue.h"
#include "commtestsupport.h"
#include "fakeserialdevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using platform::TDcb;

namespace {

constexpr const char* WarnFiveTwo = "Invalid combination (5 data bits with 2 stop bits)";
constexpr const char* WarnOneAndHalf = "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)";

class CommPortTest : public testing::Test {
protected:
    CommPortTest() { port.SetComNumber(7); }

    // Handlers capture the test's locals, which are gone before the fixture closes the port.
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
    std::string Received()
    {
        std::string bytes(port.InBuffUsed(), '\0');
        bytes.resize(port.GetBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return bytes;
    }

    TFakeOpener opener;
    TFakeLine& line = *opener.line;
    TCommPort port;
};

} // namespace

TEST(CommPortProperties, ConstructorValues)
{
    TCommPort port;
    EXPECT_EQ(port.ComNumber(), 2);
    EXPECT_EQ(port.BaudRate(), cbr9600);
    EXPECT_EQ(port.Baud(), 9600);
    EXPECT_EQ(port.InSize(), 2048u);
    EXPECT_EQ(port.OutSize(), 4096u);
    EXPECT_EQ(port.XoffLim(), 1024);
    EXPECT_EQ(port.XonChar(), 0x11);
    EXPECT_EQ(port.XoffChar(), 0x13);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.MonitorEvents().Bits(), 0x1FD);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.DTR());
    EXPECT_EQ(port.DeviceHandle(), nullptr);
}

TEST(CommPortProperties, BaudAcceptsOnlyTheListedSpeeds)
{
    TCommPort port;
    port.SetBaud(9601);
    EXPECT_EQ(port.BaudRate(), cbr9600);
    port.SetBaud(57600);
    EXPECT_EQ(port.BaudRate(), cbr57600);
    EXPECT_EQ(port.Baud(), 57600);
    const int speeds[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200,
                          128000, 256000};
    for (int i = 0; i < 15; i++) {
        port.SetBaud(speeds[i]);
        EXPECT_EQ(port.BaudRate(), static_cast<TBaudRate>(i));
        EXPECT_EQ(port.GetBaud(), speeds[i]);
    }
    port.SetBaud(0);
    port.SetBaud(-9600);
    EXPECT_EQ(port.Baud(), 256000);
}

TEST(CommPortProperties, DataBitsOutsideFiveToEightBecomeEight)
{
    TCommPort port;
    port.SetDataBits(6);
    EXPECT_EQ(port.DataBits(), 6);
    port.SetDataBits(9);
    EXPECT_EQ(port.DataBits(), 8);
    port.SetDataBits(5);
    port.SetDataBits(4);
    EXPECT_EQ(port.DataBits(), 8);
}

TEST(CommPortProperties, XoffLimIsCappedByInSizeAndBy65535)
{
    TCommPort port;
    port.SetIBuffSize(4096);
    port.SetXoffLim(5000);
    EXPECT_EQ(port.XoffLim(), 4096);
    port.SetIBuffSize(70000);
    port.SetXoffLim(5000);
    EXPECT_EQ(port.XoffLim(), 5000);
    port.SetXoffLim(65535);
    EXPECT_EQ(port.XoffLim(), 65535);
}

TEST(CommPortProperties, BitsWarningTextsForInvalidPairs)
{
    TMessageBoxCollector boxes;
    TCommPort port;
    port.SetStopBits(sb1_5); // 8 data bits
    port.SetDataBits(5);     // 5 with 1.5 is fine
    port.SetStopBits(sb2_0);
    port.SetDataBits(6); // 6 with 2 is fine
    port.SetStopBits(sb1_0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, WarnOneAndHalf);
    EXPECT_EQ(boxes.boxes[1].text, WarnFiveTwo);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "COM port warning");
        EXPECT_EQ(box.flags, MB_OK | MB_ICONWARNING | MB_APPLMODAL);
    }
    EXPECT_EQ(port.StopBits(), sb1_0);
    EXPECT_EQ(port.DataBits(), 6);
}

TEST_F(CommPortTest, OpeningAnInvalidPairWarnsTwiceAndPassesItOn)
{
    TMessageBoxCollector boxes;
    port.SetDataBits(5);
    port.SetStopBits(sb2_0);
    boxes.boxes.clear();
    OpenPort();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{WarnFiveTwo, WarnFiveTwo}));
    EXPECT_EQ(line.Get(&TFakeLine::dcb).ByteSize, 5);
    EXPECT_EQ(line.Get(&TFakeLine::dcb).StopBits, platform::TWOSTOPBITS);
}

TEST_F(CommPortTest, OpenAppliesTheLineSettingsRecord)
{
    const std::uint32_t flagWords[] = {0x0001, 0x1311, 0x202D};
    for (TComControl control : {ccNone, ccSoft, ccHard}) {
        SCOPED_TRACE(control);
        port.SetComControl(control);
        port.SetBaud(19200);
        port.SetParity(paMark);
        port.SetDataBits(7);
        port.SetXonLim(100);
        port.SetXoffLim(200);
        port.SetXonChar(0x21);
        port.SetXoffChar(0x22);
        port.SetEventChar(0x0D);
        {
            std::lock_guard guard(line.lock);
            line.states.clear();
        }
        OpenPort();
        const TDcb dcb = line.Get(&TFakeLine::dcb);
        EXPECT_EQ(dcb.Flags, flagWords[control]);
        EXPECT_EQ(dcb.BaudRate, 19200u);
        EXPECT_EQ(dcb.Parity, platform::MARKPARITY);
        EXPECT_EQ(dcb.StopBits, platform::ONESTOPBIT);
        EXPECT_EQ(dcb.ByteSize, 7);
        EXPECT_EQ(dcb.XonLim, 100);
        EXPECT_EQ(dcb.XoffLim, 200);
        EXPECT_EQ(dcb.XonChar, 0x21);
        EXPECT_EQ(dcb.XoffChar, 0x22);
        EXPECT_EQ(dcb.EvtChar, 0x0D);
        EXPECT_EQ(line.Get(&TFakeLine::states).size(), 10u);
        EXPECT_EQ(line.Get(&TFakeLine::inQueue), 2048u);
        EXPECT_EQ(line.Get(&TFakeLine::outQueue), 4096u);
        port.SetOpen(false);
    }
}

TEST_F(CommPortTest, SettersApplyAtOnceWhileOpen)
{
    OpenPort();
    port.SetBaud(115200);
    EXPECT_EQ(line.Get(&TFakeLine::dcb).BaudRate, 115200u);
    port.SetComControl(ccSoft);
    EXPECT_EQ(line.Get(&TFakeLine::dcb).Flags, 0x1311u);
    port.SetStopBits(sb2_0);
    EXPECT_EQ(line.Get(&TFakeLine::dcb).StopBits, platform::TWOSTOPBITS);
}

TEST_F(CommPortTest, OnOpenGetsTheLastErrorOfTheOpen)
{
    std::vector<std::int32_t> errors;
    port.OnOpen = [&](TCommPort* sender, std::int32_t error) {
        EXPECT_EQ(sender, &port);
        errors.push_back(error);
    };
    OpenPort();
    port.SetOpen(false);
    port.SetBaud(256000); // the line rejects this speed
    OpenPort();
    EXPECT_EQ(errors, (std::vector<std::int32_t>{0, 87}));
    EXPECT_EQ(line.Get(&TFakeLine::opened).back(), "\\\\.\\COM7");
}

TEST_F(CommPortTest, OpeningAMissingPortLeavesItClosedWithoutOnOpen)
{
    bool opened = false;
    port.OnOpen = [&](TCommPort*, std::int32_t) { opened = true; };
    port.SetComNumber(12);
    port.SetOpen(true);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(opened);
    EXPECT_FALSE(port.IsEnabled());
    EXPECT_EQ(port.OpenFailure(), platform::SerialCause::NoSuchPort);
    EXPECT_EQ(GetLastError(), 2);
    EXPECT_EQ(line.Get(&TFakeLine::opened).back(), "\\\\.\\COM12");
    EXPECT_EQ(port.PutBlock("x", 1), 0u);
}

TEST_F(CommPortTest, DtrAndRtsAreStoredWhileClosedAndAppliedAtOpen)
{
    port.SetDTR(false);
    port.SetRTS(true);
    EXPECT_TRUE(line.Get(&TFakeLine::escapes).empty());
    EXPECT_TRUE(port.RTS());
    OpenPort();
    EXPECT_EQ(line.Get(&TFakeLine::escapes), (std::vector<std::uint32_t>{platform::CLRDTR, platform::SETRTS}));
    port.SetDTR(true);
    EXPECT_TRUE(port.DTR());
    {
        std::lock_guard guard(line.lock);
        line.refuseEscapes = true;
    }
    port.SetDTR(false);
    port.SetRTS(false);
    EXPECT_TRUE(port.DTR()) << "a refused line change keeps the property";
    EXPECT_TRUE(port.RTS());
}

TEST_F(CommPortTest, BreakAndPowerLines)
{
    EXPECT_FALSE(port.SetBreak(true));
    OpenPort();
    {
        std::lock_guard guard(line.lock);
        line.escapes.clear();
    }
    EXPECT_TRUE(port.SetBreak(true));
    EXPECT_TRUE(port.SetBreak(false));
    port.SendBreak(1);
    port.PowerOff();
    EXPECT_FALSE(port.DTR());
    EXPECT_FALSE(port.RTS());
    port.PowerOn();
    EXPECT_TRUE(port.DTR());
    EXPECT_TRUE(port.RTS());
    using namespace platform;
    EXPECT_EQ(line.Get(&TFakeLine::escapes), (std::vector<std::uint32_t>{SETBREAK, CLRBREAK, SETBREAK, CLRBREAK, CLRDTR,
                                                                         CLRRTS, SETDTR, SETRTS}));
}

TEST_F(CommPortTest, ComNumberWhileOpenClosesAndStaysClosed)
{
    int closes = 0;
    port.OnClose = [&](TCommPort*) { closes++; };
    OpenPort();
    port.SetComNumber(7);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
}

TEST_F(CommPortTest, BufferSizeWhileOpenReopensWithTheNewSize)
{
    OpenPort();
    port.SetIBuffSize(100);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.InBuffFree(), 100u);
    EXPECT_EQ(line.Get(&TFakeLine::inQueue), 100u);
    port.SetOBuffSize(50);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.OutBuffFree(), 50u);
    EXPECT_EQ(line.Get(&TFakeLine::opened).size(), 3u);
    port.SetOpen(false);
    port.SetIBuffSize(64);
    EXPECT_FALSE(port.Open());
}

TEST_F(CommPortTest, ModemStateAndLineStates)
{
    line.Raise(0, platform::MS_CTS_ON | platform::MS_RLSD_ON);
    OpenPort();
    EXPECT_TRUE(PumpUntil([&] { return port.CTS(); }));
    EXPECT_TRUE(port.DCD());
    EXPECT_FALSE(port.DSR());
    EXPECT_TRUE(port.GetModemState(1));
    EXPECT_FALSE(port.GetModemState(2));
    EXPECT_FALSE(port.GetModemState(3));
    EXPECT_TRUE(port.GetModemState(4));
    EXPECT_FALSE(port.GetModemState(5));
    EXPECT_FALSE(port.GetModemState(0));
    int ctsSignals = 0;
    port.OnCTSSignal = [&](TCommPort*) { ctsSignals++; };
    line.Raise(platform::EV_CTS | platform::EV_DSR, platform::MS_DSR_ON | platform::MS_RING_ON);
    EXPECT_TRUE(PumpUntil([&] { return ctsSignals >= 1; }));
    EXPECT_FALSE(port.CTS());
    EXPECT_TRUE(port.DSR());
    EXPECT_TRUE(port.Ring());
    port.SetOpen(false);
    EXPECT_FALSE(port.DSR());
    EXPECT_FALSE(port.GetModemState(2));
}

TEST_F(CommPortTest, SignalEventsComeInTheirOrder)
{
    port.SetMonitorEvents({evRxChar, evRxEventChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError, evRing});
    std::vector<std::string> raised;
    const auto record = [&](const char* name) { return [&raised, name](TCommPort*) { raised.push_back(name); }; };
    port.OnCTSSignal = record("CTS");
    port.OnDCDSignal = record("DCD");
    port.OnDSRSignal = record("DSR");
    port.OnRingSignal = record("Ring");
    port.OnRxDSignal = record("RxD");
    port.OnRxEventSignal = record("RxEvent");
    port.OnTxDSignal = record("TxD");
    port.OnBreakSignal = record("Break");
    std::int32_t error = -1;
    port.OnErrorSignal = [&](TCommPort*, std::int32_t code) {
        raised.push_back("Error");
        error = code;
    };
    OpenPort();
    EXPECT_EQ(line.Get(&TFakeLine::masks).front(), 0x1FFu);
    SetLastError(1234);
    line.Raise(0x1FF, 0);
    ASSERT_TRUE(PumpUntil([&] { return raised.size() >= 9; }));
    raised.resize(9); // the latest mask may be delivered twice
    EXPECT_EQ(raised, (std::vector<std::string>{"CTS", "DCD", "DSR", "Ring", "RxD", "RxEvent", "TxD", "Break",
                                                "Error"}));
    EXPECT_EQ(error, 1234) << "the last-error code of the GUI thread at delivery";
}

TEST_F(CommPortTest, OnlyMonitoredEventsReachTheMaskAndTheHandlers)
{
    port.SetMonitorEvents({evRxChar, evDSR});
    int cts = 0, dsr = 0;
    port.OnCTSSignal = [&](TCommPort*) { cts++; };
    port.OnDSRSignal = [&](TCommPort*) { dsr++; };
    OpenPort();
    EXPECT_EQ(line.Get(&TFakeLine::masks).front(), platform::EV_RXCHAR | platform::EV_DSR);
    line.Raise(platform::EV_CTS | platform::EV_DSR, 0);
    EXPECT_TRUE(PumpUntil([&] { return dsr >= 1; }));
    EXPECT_EQ(cts, 0);
}

TEST_F(CommPortTest, LineErrorsRaiseOnErrorSignalAndAreClearedByTheNextRead)
{
    int errors = 0;
    port.OnErrorSignal = [&](TCommPort* sender, std::int32_t) {
        EXPECT_EQ(sender, &port);
        errors++;
    };
    OpenPort();
    line.RaiseLineError(platform::CE_FRAME | platform::CE_OVERRUN);
    ASSERT_TRUE(PumpUntil([&] { return errors >= 1; }));
    line.Receive("z");
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 1; }));
    EXPECT_EQ(line.Get(&TFakeLine::lineErrors), 0u);
}

TEST_F(CommPortTest, ReceivedBytesReachOnDataReceivedOnTheGuiThreadAndWrapTheRing)
{
    port.SetIBuffSize(8);
    std::string received;
    int deliveries = 0;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t count) {
        EXPECT_EQ(sender, &port);
        EXPECT_EQ(std::this_thread::get_id(), TSynchronizeQueue::Instance().MainThread());
        EXPECT_LE(count, 8u);
        deliveries++;
        received += Received();
    };
    OpenPort();
    std::string sent;
    for (int i = 0; i < 40; i++) {
        const std::string chunk(1 + i % 7, static_cast<char>('a' + i % 26));
        sent += chunk;
        line.Receive(chunk);
        ASSERT_TRUE(PumpUntil([&] { return received.size() == sent.size(); }));
    }
    EXPECT_EQ(received, sent);
    EXPECT_GE(deliveries, 40);
}

TEST_F(CommPortTest, ABurstLargerThanTheRingWaitsInTheDriverUntilGetBlockMakesRoom)
{
    port.SetIBuffSize(16);
    int deliveries = 0;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { deliveries++; };
    OpenPort();
    std::string burst;
    for (int i = 0; i < 40; i++)
        burst += static_cast<char>(i);
    line.Receive(burst);
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 16 && deliveries > 0; }));
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(port.InBuffUsed(), 16u);
    EXPECT_EQ(line.Get(&TFakeLine::input).size(), 24u);
    std::string got;
    while (got.size() < burst.size()) {
        const int before = deliveries;
        got += Received();
        if (got.size() < burst.size()) {
            ASSERT_TRUE(PumpUntil([&] { return deliveries > before && port.InBuffUsed() > 0; }));
        }
    }
    EXPECT_EQ(got, burst);
}

TEST_F(CommPortTest, AHandlerThatRaisesIsReportedAndDeliveriesGoOn)
{
    std::vector<std::string> reported;
    const TExceptionHandler previous = SetExceptionHandler(
        [&](std::exception_ptr error) { reported.push_back(ExceptionMessage(error)); });
    std::string received;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) {
        received += Received();
        if (received == "a")
            throw std::runtime_error("handler failed");
    };
    OpenPort();
    line.Receive("a");
    ASSERT_TRUE(PumpUntil([&] { return reported.size() == 1; }));
    line.Receive("b");
    ASSERT_TRUE(PumpUntil([&] { return received == "ab"; }));
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
    SetExceptionHandler(previous);
}

TEST_F(CommPortTest, GetCharAndCharReady)
{
    OpenPort();
    EXPECT_FALSE(port.CharReady());
    EXPECT_EQ(port.GetChar(), '\0');
    line.Receive("Q");
    ASSERT_TRUE(PumpUntil([&] { return port.CharReady(); }));
    EXPECT_EQ(port.GetChar(), 'Q');
    EXPECT_FALSE(port.CharReady());
}

TEST_F(CommPortTest, FlushInBufferDropsWaitingBytesAndKeepsLaterOnesIntact)
{
    port.SetIBuffSize(8);
    OpenPort();
    line.Receive("abcde");
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 5; }));
    port.FlushInBuffer();
    EXPECT_EQ(port.InBuffUsed(), 0u);
    EXPECT_EQ(line.Get(&TFakeLine::purges).back(), platform::PURGE_RXABORT | platform::PURGE_RXCLEAR);
    line.Receive("vwxyz");
    ASSERT_TRUE(PumpUntil([&] { return port.InBuffUsed() == 5; }));
    EXPECT_EQ(Received(), "vwxyz");
}

TEST_F(CommPortTest, PutBlockFillsTheRingAndTheWriterEmptiesItInOrder)
{
    EXPECT_EQ(port.PutBlock("closed", 6), 0u);
    port.SetOBuffSize(8);
    OpenPort();
    line.SetAcceptsWrites(false);
    EXPECT_EQ(port.PutBlock("0123456789", 10), 8u);
    EXPECT_EQ(port.PutBlock("x", 1), 0u);
    EXPECT_EQ(port.PutBlock("x", 0), 0u);
    EXPECT_EQ(port.OutBuffFree(), 0u);
    line.SetAcceptsWrites(true);
    ASSERT_TRUE(PumpUntil([&] { return port.OutBuffUsed() == 0; }));
    EXPECT_EQ(line.Output(), "01234567");
    // The ring now starts at its end: the next block crosses it and still goes out in order.
    std::string sent = "01234567";
    for (const char* block : {"abc", "defghi", "jk", "lmnopqr"}) {
        sent += block;
        EXPECT_EQ(port.PutString(block), static_cast<int>(std::strlen(block)));
        ASSERT_TRUE(PumpUntil([&] { return port.OutBuffUsed() == 0; }));
    }
    EXPECT_EQ(port.PutChar('!'), 1u);
    sent += '!';
    EXPECT_EQ(port.PutString(""), 0);
    ASSERT_TRUE(PumpUntil([&] { return line.Output() == sent; }));
}

TEST_F(CommPortTest, FlushOutBufferDropsPendingBytes)
{
    port.SetOBuffSize(8);
    OpenPort();
    line.SetAcceptsWrites(false);
    port.PutBlock("abc", 3);
    ASSERT_TRUE(PumpUntil([&] { return line.writeCalls.load() == 1; }));
    port.FlushOutBuffer();
    EXPECT_EQ(port.OutBuffUsed(), 0u);
    EXPECT_EQ(line.Get(&TFakeLine::purges).front(), platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
    EXPECT_EQ(port.PutBlock("defgh", 5), 5u);
    line.SetAcceptsWrites(true);
    // The write that was in flight completes, but its count is not taken from the new bytes.
    ASSERT_TRUE(PumpUntil([&] { return port.OutBuffUsed() == 0; }));
    EXPECT_EQ(line.Output(), "abcdefgh");
    EXPECT_EQ(port.GetOutQueCount(), 0);
}

TEST_F(CommPortTest, HardFlowControlHoldsDataUntilCtsComesOn)
{
    port.SetComControl(ccHard);
    OpenPort();
    port.PutBlock("held", 4);
    port.PutBlock("back", 4);
    const double cpuBefore = ProcessCpuSeconds();
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.03) << "the writer must sleep, not re-check CTS at once";
    EXPECT_EQ(port.OutBuffUsed(), 8u);
    EXPECT_EQ(line.writeCalls.load(), 0);
    line.Raise(platform::EV_CTS, platform::MS_CTS_ON);
    ASSERT_TRUE(PumpUntil([&] { return port.OutBuffUsed() == 0; }));
    EXPECT_EQ(line.Output(), "heldback");
}

TEST_F(CommPortTest, ClosingDeliversDataOnceMoreAndNoSignalEvent)
{
    std::vector<std::uint32_t> counts;
    int signalCount = 0;
    port.OnDataReceived = [&](TCommPort*, std::uint32_t count) { counts.push_back(count); };
    port.OnCTSSignal = port.OnDSRSignal = port.OnRxDSignal = port.OnTxDSignal = [&](TCommPort*) { signalCount++; };
    port.OnErrorSignal = [&](TCommPort*, std::int32_t) { signalCount++; };
    OpenPort();
    line.Receive("kept");
    // The mask of the latest line event may be delivered twice; either way it has come once this holds.
    ASSERT_TRUE(PumpUntil([&] { return !counts.empty() && signalCount >= 1; }));
    PumpFor(std::chrono::milliseconds(20));
    counts.clear();
    signalCount = 0;
    port.SetOpen(false);
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(signalCount, 0);
    EXPECT_EQ(port.InBuffUsed(), 0u);
}

TEST_F(CommPortTest, ClosingEndsAWriteThatTheDeviceNeverTakes)
{
    OpenPort();
    line.SetAcceptsWrites(false);
    port.PutBlock("stuck", 5);
    ASSERT_TRUE(PumpUntil([&] { return line.writeCalls.load() == 1; }));
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
}

// A vanished device fails every call at once; the workers must then wait for requests instead of retrying.
TEST_F(CommPortTest, AVanishedDeviceDoesNotMakeTheWorkersSpin)
{
    OpenPort();
    line.Unplug();
    char buffer[8];
    for (int i = 0; i < 5; i++) {
        port.PutBlock("data", 4);
        line.Receive("x");
        port.GetBlock(buffer, sizeof buffer);
        PumpFor(std::chrono::milliseconds(40));
    }
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_LE(line.writeCalls.load(), 5);
    EXPECT_LE(line.clearCalls.load(), 15);
    EXPECT_EQ(line.readCalls.load(), 0);
    EXPECT_LE(line.waitCalls.load(), 2);
    port.SetOpen(false);
    EXPECT_EQ(line.Get(&TFakeLine::devices), 0);
}

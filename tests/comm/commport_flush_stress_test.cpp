// Numbered records both ways through the port on a pseudo-terminal while flushes, purges, closes, reopens,
// ring resizes and renumbers happen at random, from the GUI thread's loop, from inside OnDataReceived and
// from OnOpen and OnClose. Bytes may be lost to those, but no record may repeat or come out of order in
// either direction, nothing received after a FlushInBuffer may have been sent before it, no record sent
// wholly after the last disturbance may be lost, and once the disturbances stop, records flow both ways.
#include "comm/commport.h"

#include "commtestsupport.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>

namespace {

// A record carries its sequence number twice, "0000002a:0000002a\n": where a purge or a flush cut the stream,
// the bytes joined across the cut make no record unless they make a whole one that was really sent.
constexpr std::size_t RecordSize = 18;

std::string Record(std::uint32_t sequence)
{
    char text[RecordSize + 1];
    std::snprintf(text, sizeof text, "%08x:%08x\n", sequence, sequence);
    return std::string(text, RecordSize);
}

std::optional<std::uint32_t> ParseRecord(const std::string& line)
{
    if (line.size() != RecordSize - 1 || line[8] != ':' || line.compare(0, 8, line, 9, 8) != 0)
        return std::nullopt;
    std::uint32_t sequence = 0;
    for (std::size_t i = 0; i < 8; i++) {
        const char c = line[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        sequence = sequence * 16 + static_cast<std::uint32_t>(digit);
    }
    return sequence;
}

// Checks a received stream of records. Lines that are no record are counted; a cut stream makes them.
class TRecordChecker {
public:
    void Feed(const char* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; i++) {
            if (bytes[i] != '\n') {
                line_ += bytes[i];
                continue;
            }
            Check(ParseRecord(line_));
            line_.clear();
        }
    }
    // A flush has dropped everything received from now on, so only records numbered from `floor` on may come.
    // The line under way is cut there: the rest of its record went with the flush, and what comes next may
    // be the end of a later record cut by a short write of the peer ("\n" alone would complete the line).
    void Floor(std::uint32_t floor)
    {
        floor_ = std::max(floor_, floor);
        if (!line_.empty())
            cuts_++;
        line_.clear();
    }
    // Records numbered from `floor` on were sent after the last disturbance began: none of them may be lost.
    void SetLossFloor(std::uint32_t floor) { lossFloor_ = floor; }
    std::int64_t Last() const { return last_; }
    std::size_t Records() const { return records_; }
    std::size_t Cuts() const { return cuts_; }
    const std::string& Fault() const { return fault_; }

private:
    void Check(std::optional<std::uint32_t> sequence)
    {
        if (!sequence) {
            cuts_++;
            return;
        }
        if (static_cast<std::int64_t>(*sequence) <= last_)
            Report("record " + std::to_string(*sequence) + " after " + std::to_string(last_));
        if (*sequence < floor_)
            Report("record " + std::to_string(*sequence) + " sent before the flush (from " +
                   std::to_string(floor_) + " on)");
        if (*sequence > last_ + 1 && *sequence - 1 >= lossFloor_)
            Report("records " + std::to_string(std::max<std::int64_t>(last_ + 1, lossFloor_)) + " to " +
                   std::to_string(*sequence - 1) + " lost, sent after the last disturbance");
        last_ = *sequence;
        records_++;
    }
    void Report(const std::string& fault)
    {
        if (fault_.empty())
            fault_ = fault;
    }

    std::string line_;
    std::int64_t last_ = -1;
    std::uint32_t floor_ = 0;
    std::uint32_t lossFloor_ = 0;
    std::size_t records_ = 0, cuts_ = 0;
    std::string fault_;
};

// The far end: sends numbered records, one write each, and checks those that come back.
class TRecordPeer {
public:
    explicit TRecordPeer(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~TRecordPeer() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // Records whose write has returned: every byte of them is in the terminal.
    std::uint32_t Sent() const { return sent_.load(); }
    std::int64_t LastReceived()
    {
        std::lock_guard guard(lock_);
        return checker_.Last();
    }
    TRecordChecker Checker()
    {
        std::lock_guard guard(lock_);
        return checker_;
    }
    void SetLossFloor(std::uint32_t floor)
    {
        std::lock_guard guard(lock_);
        checker_.SetLossFloor(floor);
    }

private:
    void Run()
    {
        while (!stop_) {
            pollfd pfd{fd_, POLLIN | POLLOUT, 0};
            if (::poll(&pfd, 1, 20) <= 0)
                continue;
            if (pfd.revents & POLLIN)
                Take();
            if (pfd.revents & POLLOUT)
                Give();
            if (pfd.revents & (POLLHUP | POLLERR))
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the port is closed just now
        }
    }
    void Take()
    {
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        std::lock_guard guard(lock_);
        checker_.Feed(buffer, static_cast<std::size_t>(n));
    }
    void Give()
    {
        if (offset_ == record_.size()) {
            record_ = Record(next_);
            offset_ = 0;
        }
        const ssize_t n = ::write(fd_, record_.data() + offset_, record_.size() - offset_);
        if (n <= 0)
            return;
        offset_ += static_cast<std::size_t>(n);
        if (offset_ == record_.size())
            sent_ = ++next_;
    }

    const int fd_;
    std::uint32_t next_ = 0;
    std::string record_;
    std::size_t offset_ = 0;
    std::atomic<std::uint32_t> sent_{0};
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    TRecordChecker checker_;
    std::thread thread_;
};

// The program's side: puts numbered records, takes and checks the peer's, and disturbs the port.
class TRecordStress {
public:
    TRecordStress(TCommPort& port, TRecordPeer& peer) : port_(port), peer_(peer)
    {
        port_.OnDataReceived = [this](TCommPort*, std::uint32_t) {
            Take();
            if (!quiet_ && random_() % 40 == 0)
                DisturbFromHandler();
        };
        port_.OnClose = [this](TCommPort*) {
            if (depth_ > 0)
                ChangeFromOnClose();
        };
        port_.OnOpen = [this](TCommPort*, std::int32_t) {
            if (depth_ > 0)
                ChangeFromOnOpen();
        };
    }
    ~TRecordStress() { DropHandlers(port_); }

    void Put()
    {
        while (port_.Open()) {
            if (offset_ == record_.size()) {
                record_ = Record(next_++);
                offset_ = 0;
            }
            const std::uint32_t n = port_.PutBlock(record_.data() + offset_,
                                                   static_cast<std::uint32_t>(record_.size() - offset_));
            offset_ += n;
            if (n == 0)
                return;
        }
    }
    void Take()
    {
        char buffer[512];
        while (const std::uint32_t n = port_.GetBlock(buffer, sizeof buffer))
            checker_.Feed(buffer, n);
    }
    void Disturb()
    {
        BeforeDisturbance();
        if (!port_.Open())
            Reopen();
        disturbances_++;
        switch (random_() % 7) {
        case 0: FlushIn(); break;
        case 1: FlushOut(); break;
        case 2: PurgeAsTheProgramDoes(); break;
        case 3: PurgeDevice(platform::PURGE_TXABORT | platform::PURGE_TXCLEAR); break;
        case 4: Reopen(); break;
        case 5: port_.SetIBuffSize(RingSize()); break;
        case 6: port_.SetOBuffSize(RingSize()); break;
        }
        while (!port_.Open())
            Reopen();
        AfterDisturbance();
    }
    // Purges after the open, as the program does.
    void Reopen()
    {
        port_.SetOpen(false);
        port_.SetOpen(true);
        if (port_.Open())
            PurgeAsTheProgramDoes();
    }
    // From now on the handlers only take records: a resize from OnDataReceived could lead to a renumber from
    // OnOpen, which leaves the port closed.
    void Quiet() { quiet_ = true; }
    std::uint32_t NextRecord() const { return next_; }
    const TRecordChecker& Checker() const { return checker_; }
    int Disturbances() const { return disturbances_; }

private:
    void DisturbFromHandler()
    {
        BeforeDisturbance();
        disturbances_++;
        switch (random_() % 3) {
        case 0: FlushIn(); break;
        case 1: port_.SetIBuffSize(RingSize()); break;
        case 2: port_.SetOBuffSize(RingSize()); break;
        }
        AfterDisturbance();
    }
    // Changes asked while a close or an open runs: they wait for it.
    void ChangeFromOnClose()
    {
        switch (random_() % 6) {
        case 0: port_.SetOpen(true); break;
        case 1: port_.SetIBuffSize(RingSize()); break;
        case 2: port_.SetOBuffSize(RingSize()); break;
        case 3: port_.SetComNumber(port_.ComNumber()); port_.SetOpen(true); break;
        }
    }
    void ChangeFromOnOpen()
    {
        switch (random_() % 8) {
        case 0: port_.SetIBuffSize(RingSize()); break;
        case 1: port_.SetOBuffSize(RingSize()); break;
        case 2: port_.SetOpen(false); port_.SetOpen(true); break;
        case 3: port_.SetComNumber(port_.ComNumber()); break;
        }
    }
    // Records put so far may be lost from now on, and so may the first one after them: the line it ends
    // joins the rest of a cut one and is no record. Received records are not judged while the disturbance
    // runs: the peer's records sent meanwhile may be lost to it too.
    void BeforeDisturbance()
    {
        depth_++;
        peer_.SetLossFloor(next_ + 1);
        checker_.SetLossFloor(UINT32_MAX);
    }
    // Every record sent from now on (but the one ending a cut line) is whole and must arrive; the rest of one
    // cut short goes no more.
    void AfterDisturbance()
    {
        NewRecord();
        if (--depth_ == 0)
            checker_.SetLossFloor(peer_.Sent() + 2);
    }
    // Whatever the peer's writes have put into the terminal so far is older than the flush. A port that a
    // handler left closed (a renumber from OnOpen) has no device to purge: its bytes wait in the terminal
    // for the next open, which purges them itself, so that flush sets no floor.
    void FlushIn()
    {
        const std::uint32_t sent = peer_.Sent();
        Take();
        const bool purges = port_.IsEnabled();
        port_.FlushInBuffer();
        if (purges)
            checker_.Floor(sent);
    }
    void FlushOut() { port_.FlushOutBuffer(); }
    void PurgeAsTheProgramDoes()
    {
        FlushOut();
        PurgeDevice(platform::PURGE_TXABORT | platform::PURGE_RXABORT | platform::PURGE_TXCLEAR |
                    platform::PURGE_RXCLEAR);
        FlushIn();
    }
    // A handler may have closed the port meanwhile; a closed port has no device to purge.
    void PurgeDevice(std::uint32_t flags)
    {
        if (platform::ISerialDevice* device = port_.DeviceHandle())
            device->PurgeComm(flags);
    }
    // The rest of a record cut short goes no more; the next one starts whole.
    void NewRecord() { offset_ = record_.size(); }
    std::uint32_t RingSize() { return 32u << (random_() % 8); }

    TCommPort& port_;
    TRecordPeer& peer_;
    std::mt19937 random_{2024};
    std::uint32_t next_ = 0;
    std::string record_;
    std::size_t offset_ = 0;
    TRecordChecker checker_;
    int disturbances_ = 0;
    int depth_ = 0; // disturbances running, one inside another
    bool quiet_ = false;
};

} // namespace

TEST(CommPortFlushStress, RecordsNeverRepeatOrGoBackOrGetLostAndNoneFromBeforeAFlushArrivesAfterIt)
{
    TPtyLink link;
    TCommPort port;
    port.SetComNumber(link.Number());
    port.SetIBuffSize(100);
    port.SetOBuffSize(100);
    TRecordPeer peer(link.pty.Master());
    TRecordStress stress(port, peer);
    stress.Disturb();
    ASSERT_TRUE(port.Open());
    std::mt19937 pauses(7);
    // Four seconds, longer on a loaded machine until there were enough disturbances.
    const auto start = std::chrono::steady_clock::now();
    const auto busy = [&] {
        const auto spent = std::chrono::steady_clock::now() - start;
        return spent < std::chrono::seconds(4) || (stress.Disturbances() <= 60 && spent < std::chrono::seconds(30));
    };
    while (busy()) {
        stress.Put();
        PumpFor(std::chrono::milliseconds(pauses() % 12));
        stress.Disturb();
        ASSERT_TRUE(port.Open());
    }
    // Quiet again: records sent from now on reach each end.
    stress.Quiet();
    const std::int64_t toPeer = stress.NextRecord();
    const std::int64_t fromPeer = peer.Sent();
    EXPECT_TRUE(PumpUntil(
        [&] {
            stress.Put();
            return peer.LastReceived() > toPeer && stress.Checker().Last() > fromPeer;
        },
        std::chrono::seconds(60)))
        << "open " << port.Open() << "; to the peer: last " << peer.LastReceived() << " of " << toPeer << "; from the peer: last "
        << stress.Checker().Last() << " of " << fromPeer;
    port.SetOpen(false);
    peer.Stop();
    const TRecordChecker atPeer = peer.Checker();
    EXPECT_EQ(stress.Checker().Fault(), "");
    EXPECT_EQ(atPeer.Fault(), "");
    EXPECT_GT(stress.Disturbances(), 50);
    EXPECT_GT(stress.Checker().Records(), 200u);
    EXPECT_GT(atPeer.Records(), 200u);
    // A cut makes at most a few lines that are no record; anything more is bytes garbled in between.
    EXPECT_LE(stress.Checker().Cuts(), 3u * static_cast<std::size_t>(stress.Disturbances()));
    EXPECT_LE(atPeer.Cuts(), 3u * static_cast<std::size_t>(stress.Disturbances()));
}

namespace {

// Reads the far end in small bites, so that the port's writes into the terminal often come back short, and
// checks the records that arrive against the floor of the last FlushOutBuffer. What the far end could read
// when the flush returned was on the line before it; every byte after those must be from after the flush.
class TFlushFloorReader {
public:
    // Flushes lose records: only order and the floor are checked.
    explicit TFlushFloorReader(int fd) : fd_(fd), thread_([this] { Run(); }) { checker_.SetLossFloor(UINT32_MAX); }
    ~TFlushFloorReader()
    {
        stop_ = true;
        thread_.join();
    }
    void Flushed(std::uint32_t floor)
    {
        const std::lock_guard guard(lock_);
        int readable = 0;
        ::ioctl(fd_, FIONREAD, &readable);
        beforeFloor_ = static_cast<std::size_t>(readable);
        floor_ = floor;
    }
    TRecordChecker Checker()
    {
        const std::lock_guard guard(lock_);
        return checker_;
    }

private:
    void Run()
    {
        while (!stop_) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN))
                continue;
            char bite[97];
            const std::lock_guard guard(lock_);
            const ssize_t n = ::read(fd_, bite, sizeof bite);
            if (n > 0)
                Feed(bite, static_cast<std::size_t>(n));
        }
    }
    void Feed(const char* bytes, std::size_t count)
    {
        const std::size_t old = std::min(count, beforeFloor_);
        checker_.Feed(bytes, old);
        beforeFloor_ -= old;
        if (beforeFloor_ == 0 && floor_ != 0)
            checker_.Floor(std::exchange(floor_, 0));
        checker_.Feed(bytes + old, count - old);
    }

    const int fd_;
    std::size_t beforeFloor_ = 0; // bytes still to come that were readable when the last flush returned
    std::uint32_t floor_ = 0;     // the floor that applies after them
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    TRecordChecker checker_;
    std::thread thread_;
};

} // namespace

TEST(CommPortFlushStress, NothingPutBeforeAFlushOutBufferReachesTheLineAfterItReturns)
{
    TPtyLink link;
    TCommPort port;
    port.SetComNumber(link.Number());
    port.SetOBuffSize(65536);
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());
    std::uint32_t records = 0;
    {
        TFlushFloorReader reader(link.pty.Master());
        std::mt19937 pauses(11);
        for (int flush = 0; flush < 600; flush++) {
            for (std::string record = Record(records); port.PutBlock(record.data(), RecordSize) == RecordSize;)
                record = Record(++records);
            std::this_thread::sleep_for(std::chrono::microseconds(pauses() % 300));
            port.FlushOutBuffer();
            reader.Flushed(++records);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(reader.Checker().Fault(), "");
        EXPECT_GT(reader.Checker().Records(), 1000u);
    }
    port.SetOpen(false);
}

// Long runs of the port on pseudo-terminals: heavy traffic both ways through tiny rings, many open/close
// cycles, and the other end vanishing in the middle of a transfer.
#include "comm/commport.h"

#include "classlib/base/synchronizequeue.h"
#include "commtestsupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <thread>

namespace {

constexpr std::size_t StressBytes = 16u << 20;

// The far end of the line: writes one reproducible stream in random chunk sizes and checks the one that comes
// back, both at once, until both are complete or it is stopped.
class TPeer {
public:
    TPeer(int fd, std::size_t total, std::uint32_t sendSeed, std::uint32_t expectSeed)
        : fd_(fd), total_(total), out_(sendSeed), in_(expectSeed), thread_([this] { Run(); })
    {
    }
    ~TPeer() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    std::size_t Received() const { return received_.load(); }
    std::size_t Sent() const { return sent_.load(); }
    bool Intact() const { return intact_.load(); }

private:
    void Run()
    {
        while (!stop_ && (sent_ < total_ || received_ < total_)) {
            pollfd pfd{fd_, static_cast<short>((sent_ < total_ ? POLLOUT : 0) | (received_ < total_ ? POLLIN : 0)), 0};
            if (::poll(&pfd, 1, 50) <= 0)
                continue;
            if (pfd.revents & (POLLHUP | POLLERR))
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the port is closed just now
            if (pfd.revents & POLLIN)
                Take();
            if (pfd.revents & POLLOUT)
                Give();
        }
    }
    void Take()
    {
        unsigned char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, total_ - received_));
        if (n <= 0)
            return;
        if (!in_.Matches(buffer, static_cast<std::size_t>(n)))
            intact_ = false;
        received_ += static_cast<std::size_t>(n);
    }
    void Give()
    {
        if (offset_ == chunk_.size()) {
            chunk_.resize(std::min<std::size_t>(1 + sizes_() % 700, total_ - sent_));
            out_.Next(chunk_.data(), chunk_.size());
            offset_ = 0;
        }
        const ssize_t n = ::write(fd_, chunk_.data() + offset_, chunk_.size() - offset_);
        if (n > 0) {
            offset_ += static_cast<std::size_t>(n);
            sent_ += static_cast<std::size_t>(n);
        }
    }

    const int fd_;
    const std::size_t total_;
    TByteStream out_, in_;
    std::mt19937 sizes_{99};
    std::vector<unsigned char> chunk_;
    std::size_t offset_ = 0;
    std::atomic<std::size_t> sent_{0}, received_{0};
    std::atomic<bool> intact_{true}, stop_{false};
    std::thread thread_;
};

// The GUI side: sends its stream in random chunk sizes and checks the stream from the peer.
class TGuiSide {
public:
    TGuiSide(TCommPort& port, std::size_t total) : port_(port), total_(total), out_(1), in_(2) {}

    // One round: whatever fits goes out, whatever waits comes in; returns whether anything moved.
    bool Step()
    {
        return Send() | Receive();
    }
    bool Receive()
    {
        char buffer[256];
        const std::uint32_t n = port_.GetBlock(buffer, sizeof buffer);
        if (n == 0)
            return false;
        intact_ = intact_ && in_.Matches(reinterpret_cast<unsigned char*>(buffer), n);
        received_ += n;
        return true;
    }
    bool Done() const { return sent_ == total_ && received_ == total_; }
    std::size_t Sent() const { return sent_; }
    std::size_t Received() const { return received_; }
    bool Intact() const { return intact_; }

private:
    bool Send()
    {
        if (offset_ == chunk_.size() && sent_ < total_) {
            chunk_.resize(std::min<std::size_t>(1 + sizes_() % 150, total_ - sent_));
            out_.Next(chunk_.data(), chunk_.size());
            offset_ = 0;
        }
        const auto n = port_.PutBlock(reinterpret_cast<const char*>(chunk_.data()) + offset_,
                                      static_cast<std::uint32_t>(chunk_.size() - offset_));
        offset_ += n;
        sent_ += n;
        return n > 0;
    }

    TCommPort& port_;
    const std::size_t total_;
    TByteStream out_, in_;
    std::mt19937 sizes_{7};
    std::vector<unsigned char> chunk_;
    std::size_t offset_ = 0, sent_ = 0, received_ = 0;
    bool intact_ = true;
};

} // namespace

TEST(CommPortStress, RandomTrafficBothWaysThroughSixtyFourByteRingsArrivesWhole)
{
    TPtyLink link(62);
    TCommPort port;
    port.SetComNumber(link.Number());
    port.SetIBuffSize(64);
    port.SetOBuffSize(64);
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());
    TGuiSide gui(port, StressBytes);
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) {
        while (gui.Receive()) {
        }
    };
    TPeer peer(link.pty.Master(), StressBytes, 2, 1);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    // The GUI thread polls the rings; nothing tells it when the transmit ring has room again.
    while (!(gui.Done() && peer.Received() == StressBytes) && std::chrono::steady_clock::now() < limit) {
        CheckSynchronize();
        if (!gui.Step()) {
            QCoreApplication::processEvents();
            std::this_thread::yield();
        }
    }
    peer.Stop();
    port.OnDataReceived = nullptr;
    port.SetOpen(false);
    EXPECT_EQ(gui.Sent(), StressBytes);
    EXPECT_EQ(gui.Received(), StressBytes);
    EXPECT_EQ(peer.Received(), StressBytes);
    EXPECT_TRUE(gui.Intact()) << "bytes from the peer lost or reordered";
    EXPECT_TRUE(peer.Intact()) << "bytes to the peer lost or reordered";
}

TEST(CommPortStress, OpenCloseCyclesUnderTrafficLeaveNoDescriptorOrThreadBehind)
{
    TPtyLink link(63);
    TCommPort port;
    port.SetComNumber(link.Number());
    port.SetIBuffSize(256);
    std::size_t received = 0;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t) {
        char buffer[256];
        received += sender->GetBlock(buffer, sizeof buffer);
    };
    TPeer peer(link.pty.Master(), std::size_t(1) << 40, 5, 6); // endless traffic; its checks do not apply here
    port.SetOpen(true);
    port.SetOpen(false);
    const int descriptors = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    int opened = 0;
    for (int cycle = 0; cycle < 200; cycle++) {
        port.SetOpen(true);
        opened += port.Open();
        port.PutString("some bytes on their way out while the port closes");
        const std::size_t before = received;
        PumpUntil([&] { return received > before; }, std::chrono::milliseconds(20));
        port.SetOpen(false);
    }
    // Counted while the peer thread still runs, as it did for the first count.
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    peer.Stop();
    EXPECT_EQ(opened, 200);
    EXPECT_GT(received, 0u);
    EXPECT_GT(peer.Received(), 0u);
}

namespace {

class CommPortUnplug : public testing::Test {
protected:
    void SetUp() override
    {
        port.SetComNumber(link.Number());
        port.OnDataReceived = [](TCommPort* sender, std::uint32_t) {
            char buffer[1024];
            while (sender->GetBlock(buffer, sizeof buffer) > 0) {
            }
        };
        port.SetOpen(true);
        ASSERT_TRUE(port.Open());
    }
    void TearDown() override
    {
        port.OnDataReceived = nullptr;
        port.SetOpen(false);
    }
    // Fills the transmit ring again and again for a while, so writes are under way.
    void Transfer(std::chrono::milliseconds time)
    {
        const std::string block(1000, 'w');
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            port.PutBlock(block.data(), static_cast<std::uint32_t>(block.size()));
            PumpUntil([] { return false; }, std::chrono::milliseconds(5));
        }
    }
    std::chrono::milliseconds TimedClose()
    {
        const auto start = std::chrono::steady_clock::now();
        port.SetOpen(false);
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

    TPtyLink link{64};
    TCommPort port;
};

} // namespace

// The other end vanishes mid-transfer: the workers go quiet instead of spinning on the failing device.
TEST_F(CommPortUnplug, AVanishedPeerCostsNoCpuAndTheCloseIsPrompt)
{
    {
        TPeer peer(link.pty.Master(), std::size_t(1) << 40, 8, 9);
        Transfer(std::chrono::milliseconds(300));
        peer.Stop();
    }
    port.PutString("still pending when the line goes");
    link.pty.CloseMaster();
    const double cpuBefore = ProcessCpuSeconds();
    QTimer writes; // the program keeps trying to send
    QObject::connect(&writes, &QTimer::timeout, [&] { port.PutString("x"); });
    writes.start(100);
    PumpFor(std::chrono::seconds(1));
    writes.stop();
    const double cpuUsed = ProcessCpuSeconds() - cpuBefore;
    EXPECT_LT(cpuUsed, 0.05) << "share of one core over one second";
    EXPECT_TRUE(port.Open());
    EXPECT_LT(TimedClose().count(), 500);
}

// The other end stops reading: the writer is stuck in a write that the device never finishes.
TEST_F(CommPortUnplug, ClosingWhileThePeerStopsReadingIsPrompt)
{
    const std::string block(4096, 's');
    for (int i = 0; i < 40; i++) {
        port.PutBlock(block.data(), static_cast<std::uint32_t>(block.size()));
        PumpUntil([] { return false; }, std::chrono::milliseconds(5));
    }
    EXPECT_GT(port.OutBuffUsed(), 0u) << "the pseudo-terminal should be full by now";
    EXPECT_LT(TimedClose().count(), 500);
}

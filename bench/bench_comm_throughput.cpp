// Throughput both ways at once: the port (PutBlock/GetBlock) against plain write()/read() on the slave side of
// a pseudo-terminal, with the same peer on the master side. The two are measured in turns, so both see the same
// load on the machine.
#include "bench_comm_support.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>

namespace {

constexpr std::size_t BytesEachWay = 4u << 20;

struct TRates {
    double port = 0, plain = 0; // bytes per second, both directions together
};
std::map<std::int64_t, TRates> rates; // by receive ring size

// The master side: writes and reads `total` bytes at once, whatever the other side does.
class TPeer {
public:
    TPeer(int fd, std::size_t total) : fd_(fd), total_(total), thread_([this] { Run(); }) {}
    ~TPeer() { thread_.join(); }

private:
    void Run()
    {
        std::vector<char> buffer(16384, 'p');
        std::size_t sent = 0, received = 0;
        while (sent < total_ || received < total_) {
            pollfd pfd{fd_, static_cast<short>((sent < total_ ? POLLOUT : 0) | (received < total_ ? POLLIN : 0)), 0};
            if (::poll(&pfd, 1, 1000) <= 0)
                continue;
            if (pfd.revents & POLLIN) {
                const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
                received += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            if (pfd.revents & POLLOUT) {
                const ssize_t n = ::write(fd_, buffer.data(), std::min(buffer.size(), total_ - sent));
                sent += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
        }
    }
    int fd_;
    std::size_t total_;
    std::thread thread_;
};

// The port on one line. The GUI thread is event driven, as in the program: it takes received bytes in
// OnDataReceived and tops up the transmit ring there and whenever the driver's transmit queue runs empty
// (OnTxDSignal). A line event can be overwritten by the next one before it is delivered, so a 1 ms timer tops
// up as well.
class TPortTransfer {
public:
    TPortTransfer(std::uint32_t inSize, std::uint32_t outSize) : block_(8192, 'g')
    {
        port_.OnDataReceived = [this](TCommPort*, std::uint32_t) { Move(); };
        port_.OnTxDSignal = [this](TCommPort*) { Move(); };
        OpenBenchPort(port_, line_, inSize, outSize);
    }
    ~TPortTransfer()
    {
        port_.OnDataReceived = nullptr;
        port_.OnTxDSignal = nullptr;
        port_.SetOpen(false);
    }
    // Seconds for one transfer.
    double Run()
    {
        sent_ = received_ = 0;
        const auto start = BenchClock::now();
        TPeer peer(line_.pty.Master(), BytesEachWay);
        QTimer topUp;
        QObject::connect(&topUp, &QTimer::timeout, [this] { Move(); });
        topUp.start(1);
        Move();
        loop_.exec();
        return std::chrono::duration<double>(BenchClock::now() - start).count();
    }

private:
    void Move()
    {
        while (sent_ < BytesEachWay) {
            const auto put = port_.PutBlock(block_.data(), Chunk(BytesEachWay - sent_));
            if (put == 0)
                break;
            sent_ += put;
        }
        while (const auto got = port_.GetBlock(block_.data(), Chunk(block_.size())))
            received_ += got;
        if (sent_ == BytesEachWay && received_ == BytesEachWay)
            loop_.quit();
    }
    std::uint32_t Chunk(std::size_t wanted) const
    {
        return static_cast<std::uint32_t>(std::min(block_.size(), wanted));
    }

    TPtyLink line_;
    TCommPort port_;
    std::vector<char> block_;
    std::size_t sent_ = 0, received_ = 0;
    QEventLoop loop_;
};

// One thread poll()s the slave side and writes and reads it directly.
class TPlainTransfer {
public:
    TPlainTransfer() : slave_(::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)), block_(8192, 'g')
    {
        termios tio{};
        ::tcgetattr(slave_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    ~TPlainTransfer() { ::close(slave_); }
    double Run()
    {
        const auto start = BenchClock::now();
        TPeer peer(pty_.Master(), BytesEachWay);
        std::size_t sent = 0, received = 0;
        while (sent < BytesEachWay || received < BytesEachWay) {
            pollfd pfd{slave_, static_cast<short>((sent < BytesEachWay ? POLLOUT : 0) | POLLIN), 0};
            ::poll(&pfd, 1, 1000);
            if (pfd.revents & POLLIN) {
                const ssize_t n = ::read(slave_, block_.data(), block_.size());
                received += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            if (pfd.revents & POLLOUT) {
                const ssize_t n = ::write(slave_, block_.data(), std::min(block_.size(), BytesEachWay - sent));
                sent += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
        }
        return std::chrono::duration<double>(BenchClock::now() - start).count();
    }

private:
    PtyPair pty_;
    int slave_;
    std::vector<char> block_;
};

// Arguments: the receive and transmit ring sizes. The iteration time is the port's transfer; the baseline runs
// right after it in the same iteration.
void BM_BothWays(benchmark::State& state)
{
    TPortTransfer port(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    TPlainTransfer plain;
    double portSeconds = 0, plainSeconds = 0;
    for (auto _ : state) {
        const double seconds = port.Run();
        portSeconds += seconds;
        plainSeconds += plain.Run();
        state.SetIterationTime(seconds);
    }
    const double bytes = double(state.iterations()) * 2 * BytesEachWay;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    TRates& rate = rates[state.range(0)];
    rate.port = bytes / portSeconds;
    rate.plain = bytes / plainSeconds;
    state.counters["plain_MBps"] = rate.plain / 1e6;
    state.counters["ratio"] = rate.port / rate.plain;
}
BENCHMARK(BM_BothWays)->Args({4096, 8192})->Args({65536, 65536})->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void Report()
{
    for (const auto& [inSize, rate] : rates)
        std::printf("throughput both ways, receive ring %lld: port %.1f MB/s, plain write/read %.1f MB/s, "
                    "ratio %.2f (target >= 0.5)\n",
                    static_cast<long long>(inSize), rate.port / 1e6, rate.plain / 1e6, rate.port / rate.plain);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

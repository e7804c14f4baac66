// Throughput both ways at once: the port (PutBlock/GetBlock with the window's ring sizes) against plain
// write()/read() on the slave side of the same kind of pseudo-terminal. The peer on the master side is the same.
#include "bench_comm_support.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>

namespace {

constexpr std::size_t BytesEachWay = 4u << 20;
std::map<std::int64_t, double> portRates; // by receive ring size; bytes per second, both directions together
double plainRate = 0;

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

void Finish(benchmark::State& state, double seconds, double& rate)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * BytesEachWay));
    rate = double(state.iterations() * 2 * BytesEachWay) / seconds;
}

// The GUI thread is event driven, as in the program: it takes received bytes in OnDataReceived and tops up
// the transmit ring there and whenever the driver's transmit queue runs empty (OnTxDSignal).
// Arguments: the receive and transmit ring sizes.
void BM_PortBothWays(benchmark::State& state)
{
    TBenchLine line;
    TCommPort port;
    std::vector<char> block(8192, 'g');
    std::size_t sent = 0, received = 0;
    QEventLoop loop;
    const auto move = [&] {
        while (sent < BytesEachWay) {
            const auto put = port.PutBlock(block.data(), static_cast<std::uint32_t>(std::min(block.size(), BytesEachWay - sent)));
            if (put == 0)
                break;
            sent += put;
        }
        while (const auto got = port.GetBlock(block.data(), static_cast<std::uint32_t>(block.size())))
            received += got;
        if (sent == BytesEachWay && received == BytesEachWay)
            loop.quit();
    };
    port.OnDataReceived = [&](TCommPort*, std::uint32_t) { move(); };
    port.OnTxDSignal = [&](TCommPort*) { move(); };
    OpenBenchPort(port, line, static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    double seconds = 0;
    for (auto _ : state) {
        sent = received = 0;
        const auto start = BenchClock::now();
        TPeer peer(line.pty.Master(), BytesEachWay);
        move();
        loop.exec();
        seconds += std::chrono::duration<double>(BenchClock::now() - start).count();
    }
    port.OnDataReceived = nullptr;
    port.OnTxDSignal = nullptr;
    port.SetOpen(false);
    Finish(state, seconds, portRates[state.range(0)]);
}
BENCHMARK(BM_PortBothWays)->Args({4096, 8192})->Args({65536, 65536})->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PlainWriteReadBothWays(benchmark::State& state)
{
    PtyPair pty;
    const int slave = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    std::vector<char> block(8192, 'g');
    double seconds = 0;
    for (auto _ : state) {
        const auto start = BenchClock::now();
        TPeer peer(pty.Master(), BytesEachWay);
        std::size_t sent = 0, received = 0;
        while (sent < BytesEachWay || received < BytesEachWay) {
            pollfd pfd{slave, static_cast<short>((sent < BytesEachWay ? POLLOUT : 0) | POLLIN), 0};
            ::poll(&pfd, 1, 1000);
            if (pfd.revents & POLLIN) {
                const ssize_t n = ::read(slave, block.data(), block.size());
                received += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            if (pfd.revents & POLLOUT) {
                const ssize_t n = ::write(slave, block.data(), std::min(block.size(), BytesEachWay - sent));
                sent += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
        }
        seconds += std::chrono::duration<double>(BenchClock::now() - start).count();
    }
    ::close(slave);
    Finish(state, seconds, plainRate);
}
BENCHMARK(BM_PlainWriteReadBothWays)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void Report()
{
    for (const auto& [inSize, rate] : portRates)
        std::printf("throughput both ways: port (receive ring %lld) %.1f MB/s, plain write/read %.1f MB/s, "
                    "ratio %.2f (target >= 0.5)\n",
                    static_cast<long long>(inSize), rate / 1e6, plainRate / 1e6, rate / plainRate);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

// Throughput both ways at once: the port (PutBlock/GetBlock with the window's ring sizes) against plain
// write()/read() on the slave side of the same kind of pseudo-terminal. The peer on the master side is the same.
#include "bench_comm_support.h"

#include "classlib/synchronizequeue.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

constexpr std::size_t BytesEachWay = 4u << 20;
double portRate = 0, plainRate = 0; // bytes per second, both directions together

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

// The GUI thread moves its bytes whenever the rings allow; nothing else runs on it.
void BM_PortBothWays(benchmark::State& state)
{
    TBenchLine line;
    TCommPort port;
    OpenBenchPort(port, line);
    std::vector<char> block(8192, 'g');
    double seconds = 0;
    for (auto _ : state) {
        const auto start = BenchClock::now();
        TPeer peer(line.pty.Master(), BytesEachWay);
        std::size_t sent = 0, received = 0;
        while (sent < BytesEachWay || received < BytesEachWay) {
            CheckSynchronize();
            const auto put = port.PutBlock(block.data(), static_cast<std::uint32_t>(std::min(block.size(), BytesEachWay - sent)));
            const auto got = port.GetBlock(block.data(), static_cast<std::uint32_t>(block.size()));
            sent += put;
            received += got;
            if (put == 0 && got == 0) {
                QCoreApplication::processEvents();
                std::this_thread::yield();
            }
        }
        seconds += std::chrono::duration<double>(BenchClock::now() - start).count();
    }
    port.SetOpen(false);
    Finish(state, seconds, portRate);
}
BENCHMARK(BM_PortBothWays)->Iterations(3)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_PlainWriteReadBothWays)->Iterations(3)->Unit(benchmark::kMillisecond);

void Report()
{
    std::printf("throughput both ways: port %.1f MB/s, plain write/read %.1f MB/s, ratio %.2f (target >= 0.5)\n",
                portRate / 1e6, plainRate / 1e6, portRate / plainRate);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

// Reply latency: the peer writes one byte; how long until OnDataReceived runs on the GUI thread, against one
// thread that poll()s the same kind of pseudo-terminal and reads the byte itself.
#include "bench_comm_support.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::vector<double> portSamples, pollSamples; // microseconds

void RecordLatency(benchmark::State& state, std::vector<double>& all, const std::vector<double>& run)
{
    all.insert(all.end(), run.begin(), run.end());
    state.counters["median_us"] = Percentile(run, 0.5);
    state.counters["p99_us"] = Percentile(run, 0.99);
}

void BM_PortReplyLatency(benchmark::State& state)
{
    TBenchLine line;
    TCommPort port;
    QEventLoop loop;
    BenchClock::time_point arrived;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t count) {
        if (count == 0)
            return;
        arrived = BenchClock::now();
        char byte;
        sender->GetBlock(&byte, 1);
        loop.quit();
    };
    OpenBenchPort(port, line);
    std::vector<double> run;
    for (auto _ : state) {
        const auto sent = BenchClock::now();
        line.pty.Write("A", 1);
        loop.exec();
        const std::chrono::duration<double> latency = arrived - sent;
        state.SetIterationTime(latency.count());
        run.push_back(latency.count() * 1e6);
    }
    port.OnDataReceived = nullptr;
    port.SetOpen(false);
    RecordLatency(state, portSamples, run);
}
BENCHMARK(BM_PortReplyLatency)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// One thread poll()s the slave side and reads each byte as it comes; the main thread writes and waits for it.
void BM_PollReadLatency(benchmark::State& state)
{
    PtyPair pty;
    const int slave = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::mutex lock;
    std::condition_variable changed;
    int received = 0;
    BenchClock::time_point arrived;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            pollfd pfd{slave, POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0)
                continue;
            char byte;
            if (::read(slave, &byte, 1) != 1)
                continue;
            const auto now = BenchClock::now();
            std::lock_guard guard(lock);
            arrived = now;
            received++;
            changed.notify_one();
        }
    });
    std::vector<double> run;
    int expected = 0;
    for (auto _ : state) {
        const auto sent = BenchClock::now();
        pty.Write("A", 1);
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return received > expected; });
        expected = received;
        const std::chrono::duration<double> latency = arrived - sent;
        state.SetIterationTime(latency.count());
        run.push_back(latency.count() * 1e6);
    }
    stop = true;
    reader.join();
    ::close(slave);
    RecordLatency(state, pollSamples, run);
}
BENCHMARK(BM_PollReadLatency)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void Report()
{
    const double portMedian = Percentile(portSamples, 0.5), pollMedian = Percentile(pollSamples, 0.5);
    std::printf("reply latency, median: port %.1f us, poll+read %.1f us, ratio %.2f (target <= 4)\n", portMedian,
                pollMedian, portMedian / pollMedian);
    std::printf("reply latency, 99th percentile: port %.1f us, poll+read %.1f us, ratio %.2f\n",
                Percentile(portSamples, 0.99), Percentile(pollSamples, 0.99),
                Percentile(portSamples, 0.99) / Percentile(pollSamples, 0.99));
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

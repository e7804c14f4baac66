// Reply latency: the peer writes one byte; how long until OnDataReceived runs on the GUI thread, against one
// thread that poll()s a pseudo-terminal and reads the byte itself. The two are measured in turns, so both see
// the same load on the machine.
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

// The port on one line; each Measure is one reply.
class TPortReply {
public:
    TPortReply()
    {
        port_.OnDataReceived = [this](TCommPort* sender, std::uint32_t count) {
            if (count == 0)
                return;
            arrived_ = BenchClock::now();
            char byte;
            sender->GetBlock(&byte, 1);
            loop_.quit();
        };
        OpenBenchPort(port_, line_);
    }
    ~TPortReply()
    {
        port_.OnDataReceived = nullptr;
        port_.SetOpen(false);
    }
    double Measure()
    {
        const auto sent = BenchClock::now();
        line_.pty.Write("A", 1);
        loop_.exec();
        return std::chrono::duration<double, std::micro>(arrived_ - sent).count();
    }

private:
    TPtyLink line_;
    TCommPort port_;
    QEventLoop loop_;
    BenchClock::time_point arrived_;
};

// One thread poll()s the slave side and reads each byte as it comes; Measure writes and waits for it.
class TPollReply {
public:
    TPollReply() : slave_(::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)), reader_([this] { Run(); }) {}
    ~TPollReply()
    {
        stop_ = true;
        reader_.join();
        ::close(slave_);
    }
    double Measure()
    {
        const auto sent = BenchClock::now();
        pty_.Write("A", 1);
        std::unique_lock guard(lock_);
        changed_.wait(guard, [&] { return received_ > taken_; });
        taken_ = received_;
        return std::chrono::duration<double, std::micro>(arrived_ - sent).count();
    }

private:
    void Run()
    {
        while (!stop_) {
            pollfd pfd{slave_, POLLIN, 0};
            char byte;
            if (::poll(&pfd, 1, 100) <= 0 || ::read(slave_, &byte, 1) != 1)
                continue;
            const auto now = BenchClock::now();
            std::lock_guard guard(lock_);
            arrived_ = now;
            received_++;
            changed_.notify_one();
        }
    }

    PtyPair pty_;
    int slave_;
    std::mutex lock_;
    std::condition_variable changed_;
    int received_ = 0, taken_ = 0;
    BenchClock::time_point arrived_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

// The iteration time is the port's reply; the baseline is measured right after it in the same iteration.
void BM_ReplyLatency(benchmark::State& state)
{
    TPortReply port;
    TPollReply poll;
    std::vector<double> portRun, pollRun;
    for (auto _ : state) {
        portRun.push_back(port.Measure());
        pollRun.push_back(poll.Measure());
        state.SetIterationTime(portRun.back() / 1e6);
    }
    state.counters["port_median_us"] = Percentile(portRun, 0.5);
    state.counters["port_p99_us"] = Percentile(portRun, 0.99);
    state.counters["poll_median_us"] = Percentile(pollRun, 0.5);
    state.counters["poll_p99_us"] = Percentile(pollRun, 0.99);
    portSamples.insert(portSamples.end(), portRun.begin(), portRun.end());
    pollSamples.insert(pollSamples.end(), pollRun.begin(), pollRun.end());
}
BENCHMARK(BM_ReplyLatency)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

void Report()
{
    const double portMedian = Percentile(portSamples, 0.5), pollMedian = Percentile(pollSamples, 0.5);
    const double portTail = Percentile(portSamples, 0.99), pollTail = Percentile(pollSamples, 0.99);
    std::printf("reply latency, median: port %.1f us, poll+read %.1f us, ratio %.2f (target <= 4)\n", portMedian,
                pollMedian, portMedian / pollMedian);
    std::printf("reply latency, 99th percentile: port %.1f us, poll+read %.1f us, ratio %.2f\n", portTail, pollTail,
                portTail / pollTail);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

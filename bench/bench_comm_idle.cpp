// Idle cost: the port open on a quiet line for ten seconds, with the GUI thread's event loop running.
#include "bench_comm_support.h"

#include <benchmark/benchmark.h>

namespace {

double idleShare = 0; // of one core

void BM_PortIdle(benchmark::State& state)
{
    TPtyLink line;
    TCommPort port;
    OpenBenchPort(port, line);
    RunEventLoop(std::chrono::milliseconds(200)); // let the threads settle
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = BenchClock::now();
        RunEventLoop(std::chrono::seconds(10));
        const double wall = std::chrono::duration<double>(BenchClock::now() - start).count();
        idleShare = (ProcessCpuSeconds() - cpuBefore) / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = idleShare * 100;
    port.SetOpen(false);
}
BENCHMARK(BM_PortIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void Report()
{
    std::printf("idle: port open on a quiet line for 10 s uses %.3f%% of one core (target <= 0.2%%)\n",
                idleShare * 100);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

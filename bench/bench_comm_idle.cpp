// Idle cost: the port open on a quiet line for ten seconds, with the GUI thread's event loop running; and the
// same while hardware flow control holds back bytes waiting to be sent (on the serial-device test double,
// since a pseudo-terminal has no CTS line).
#include "bench_comm_support.h"
#include "tests/comm/fakeserialdevice.h"

#include <benchmark/benchmark.h>

namespace {

double idleShare = 0;     // of one core
double heldOffShare = 0;

double MeasureIdle(benchmark::State& state)
{
    RunEventLoop(std::chrono::milliseconds(200)); // let the threads settle
    double share = 0;
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = BenchClock::now();
        RunEventLoop(std::chrono::seconds(10));
        const double wall = std::chrono::duration<double>(BenchClock::now() - start).count();
        share = (ProcessCpuSeconds() - cpuBefore) / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = share * 100;
    return share;
}

void BM_PortIdle(benchmark::State& state)
{
    TPtyLink line;
    TCommPort port;
    OpenBenchPort(port, line);
    idleShare = MeasureIdle(state);
    port.SetOpen(false);
}
BENCHMARK(BM_PortIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_PortIdleHeldOffByFlowControl(benchmark::State& state)
{
    TFakeOpener opener;
    TCommPort port;
    port.SetComNumber(7);
    port.SetComControl(ccHard);
    port.SetOpen(true);
    if (!port.Open())
        throw std::runtime_error("cannot open the port on the test double");
    port.PutString("held back by CTS");
    heldOffShare = MeasureIdle(state);
    if (port.OutBuffUsed() == 0)
        throw std::runtime_error("the bytes were sent although CTS is off");
    port.SetOpen(false);
}
BENCHMARK(BM_PortIdleHeldOffByFlowControl)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void Report()
{
    std::printf("idle: port open on a quiet line for 10 s uses %.3f%% of one core (target <= 0.2%%)\n",
                idleShare * 100);
    std::printf("idle: port held off by flow control for 10 s uses %.3f%% of one core (target <= 0.2%%)\n",
                heldOffShare * 100);
}

} // namespace

ZENTOR_COMM_BENCH_MAIN(Report)

// How long after its interval TTimer fires, against a plain QTimer (Qt's default coarse timer) as the
// baseline, both measured in the same run. Each period starts where the monotonic clock stands 10% of a
// second past a whole second, where a coarse timer rounds its expiry down. Counters per benchmark: the
// earliest and the latest firing against the interval, in milliseconds (negative: early), and the mean delay
// as a share of the interval. Run: build/bench/bench_timer (about 20 s).
#include "classlib/widgets/timer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr int kIntervals[] = {300, 500};

void WaitForEarlyRoundingPhase()
{
    const auto phase = [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000;
    };
    while (phase() < 90 || phase() >= 110)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// Milliseconds from the start of a period of the timer that start() makes until its first firing, measured to
// the microsecond; start() connects the firing to quit.
double MeasureOnce(const std::function<std::unique_ptr<QObject>(const std::function<void()>& quit)>& start)
{
    QEventLoop loop;
    WaitForEarlyRoundingPhase();
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<QObject> timer = start([&loop] { loop.quit(); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // bound
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e6;
}

void Measure(benchmark::State& state,
             const std::function<std::unique_ptr<QObject>(const std::function<void()>& quit)>& start)
{
    const double interval = double(state.range(0));
    double earliest = 1e9;
    double latest = -1e9;
    double total = 0;
    for (auto _ : state) {
        const double delay = MeasureOnce(start);
        state.SetIterationTime(delay / 1000);
        earliest = std::min(earliest, delay - interval);
        latest = std::max(latest, delay - interval);
        total += delay;
    }
    state.counters["earliest_ms"] = earliest;
    state.counters["latest_ms"] = latest;
    state.counters["delay_per_interval"] = total / double(state.iterations()) / interval;
}

void BM_CoarseQTimer(benchmark::State& state)
{
    Measure(state, [&state](const std::function<void()>& quit) {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, quit);
        timer->start(int(state.range(0)));
        return std::unique_ptr<QObject>(std::move(timer));
    });
}

void BM_TTimer(benchmark::State& state)
{
    Measure(state, [&state](const std::function<void()>& quit) {
        auto timer = std::make_unique<TTimer>();
        timer->SetEnabled(false);
        timer->SetInterval(int(state.range(0)));
        QObject::connect(timer.get(), &TTimer::OnTimer, quit);
        timer->SetEnabled(true);
        return std::unique_ptr<QObject>(std::move(timer));
    });
}

} // namespace

BENCHMARK(BM_CoarseQTimer)->Arg(kIntervals[0])->Arg(kIntervals[1])->Iterations(8)->UseManualTime();
BENCHMARK(BM_TTimer)->Arg(kIntervals[0])->Arg(kIntervals[1])->Iterations(8)->UseManualTime();

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

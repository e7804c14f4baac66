// Shared parts of the port benchmarks: an open port on a pseudo-terminal registered as a COM port, and the GUI
// thread's event loop.
#pragma once

#include "classlib/widgets/guipump.h"
#include "comm/commport.h"
#include "tests/support/processcpu.h"
#include "tests/support/ptylink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <vector>

using BenchClock = std::chrono::steady_clock;

// Opens the port on the line, by default with the ring sizes of the program's window.
inline void OpenBenchPort(TCommPort& port, const TPtyLink& line, std::uint32_t inSize = 4096,
                          std::uint32_t outSize = 8192)
{
    port.SetComNumber(line.Number());
    port.SetIBuffSize(inSize);
    port.SetOBuffSize(outSize);
    port.SetOpen(true);
    if (!port.Open())
        throw std::runtime_error("cannot open the port on the pseudo-terminal");
}

// Runs the GUI thread's event loop for the given time.
inline void RunEventLoop(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// The value below which the given share of the samples lies.
inline double Percentile(std::vector<double> samples, double share)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(share * double(samples.size() - 1) + 0.5);
    return samples[index];
}

// The program's main: an event loop for the port's hand-offs around Google Benchmark.
#define ZENTOR_COMM_BENCH_MAIN(report)                                                                                \
    int main(int argc, char** argv)                                                                                   \
    {                                                                                                                 \
        QCoreApplication app(argc, argv);                                                                             \
        TGuiPump pump;                                                                                                \
        benchmark::Initialize(&argc, argv);                                                                           \
        benchmark::RunSpecifiedBenchmarks();                                                                          \
        benchmark::Shutdown();                                                                                        \
        report();                                                                                                     \
        return 0;                                                                                                     \
    }

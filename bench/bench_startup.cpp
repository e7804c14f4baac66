// Start-up: from process start to the first painted window, for the program and for a bare Qt program that
// shows an empty window of the same size, started in turns in the same run. Both run on the platform that
// QT_QPA_PLATFORM names (xcb with DISPLAY for an X server such as Xvfb), on Qt's offscreen platform when it
// is not set. A preloaded probe reports the moment of the first paint and ends each process. Prints medians
// and ratio.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<double> programSamples, bareSamples; // milliseconds

long long MonotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

const char* Platform()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && *platform ? platform : "offscreen";
}

// Starts the program in folder with the probe preloaded; milliseconds until its first painted window.
double TimeToFirstPaint(const char* program, const std::string& folder)
{
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create a pipe");
    const long long start = MonotonicNs();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(report[1], 3);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        ::setenv("ZENTOR_STARTUP_PROBE_FD", "3", 1);
        ::setenv("LD_PRELOAD", ZENTOR_STARTUP_PROBE, 1);
        ::setenv("QT_QPA_PLATFORM", Platform(), 1);
        ::execl(program, program, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(report[1]);
    char text[64] = {};
    const ssize_t n = ::read(report[0], text, sizeof text - 1);
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (n <= 0)
        throw std::runtime_error(std::string(program) + " ended without painting a window");
    return double(std::atoll(text) - start) / 1e6;
}

void BM_StartUp(benchmark::State& state)
{
    QTemporaryDir folder; // the program's working folder, for its configuration file
    for (auto _ : state) {
        bareSamples.push_back(TimeToFirstPaint(ZENTOR_BARE_WINDOW, folder.path().toStdString()));
        programSamples.push_back(TimeToFirstPaint(ZENTOR_PROGRAM, folder.path().toStdString()));
        state.SetIterationTime(programSamples.back() / 1000);
    }
}
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void Report()
{
    const double program = Median(programSamples), bare = Median(bareSamples);
    std::printf("start-up to the first painted window (%s), median: zentor %.1f ms, bare Qt window %.1f ms, "
                "ratio %.2f\n",
                Platform(), program, bare, program / bare);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir runtime; // a private runtime folder, so no port link of the user's is touched
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Report();
    return 0;
}

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

// Milliseconds from process start to the first painted window, and of CPU time used until then.
struct Sample {
    double elapsed = 0;
    double cpu = 0;
};
std::vector<Sample> programSamples, bareSamples;

long long MonotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double Median(const std::vector<Sample>& samples, double Sample::*field)
{
    std::vector<double> values;
    for (const Sample& sample : samples)
        values.push_back(sample.*field);
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char* Platform()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && *platform ? platform : "offscreen";
}

// Starts the program in folder with the probe preloaded; the time until its first painted window.
Sample TimeToFirstPaint(const char* program, const std::string& folder)
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
    long long painted = 0;
    long long cpu = 0;
    if (std::sscanf(text, "%lld %lld", &painted, &cpu) != 2)
        throw std::runtime_error(std::string(program) + " reported no time");
    return Sample{double(painted - start) / 1e6, double(cpu) / 1e6};
}

void BM_StartUp(benchmark::State& state)
{
    QTemporaryDir folder; // the program's working folder, for its configuration file
    for (auto _ : state) {
        bareSamples.push_back(TimeToFirstPaint(ZENTOR_BARE_WINDOW, folder.path().toStdString()));
        programSamples.push_back(TimeToFirstPaint(ZENTOR_PROGRAM, folder.path().toStdString()));
        state.SetIterationTime(programSamples.back().elapsed / 1000);
    }
}
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void Report()
{
    for (double Sample::*field : {&Sample::elapsed, &Sample::cpu}) {
        const double program = Median(programSamples, field), bare = Median(bareSamples, field);
        std::printf("start-up to the first painted window (%s), median %s: zentor %.1f ms, bare Qt window %.1f ms, "
                    "ratio %.2f\n",
                    Platform(), field == &Sample::elapsed ? "elapsed" : "CPU time", program, bare, program / bare);
    }
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

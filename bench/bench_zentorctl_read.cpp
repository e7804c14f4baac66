// `zentorctl read` as a whole process against the simulated device, which answers after a set delay, beside
// the least such an exchange can take, measured in turns in the same run: a bare process start (/bin/true)
// plus one raw request and reply on the device's pseudo-terminal. The difference of the medians is what the tool adds
// (opening and purging the port, the settle time after the reply, closing); the target is at most 50 ms.
#include "tools/zentor-sim/zentorsim.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kAnswerTime{100};

std::unique_ptr<zentorsim::TZentorSim> gSim;
std::vector<double> gToolSamples, gBareSamples; // milliseconds

// Runs the program with standard output and error on /dev/null; its exit code.
int RunProgram(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One read request written straight to the device's terminal and its one-byte reply; false without one.
bool RawExchange(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const unsigned char frame[] = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B};
    bool replied = ::write(fd, frame, sizeof frame) == static_cast<ssize_t>(sizeof frame);
    pollfd pfd{fd, POLLIN, 0};
    unsigned char reply = 0;
    replied = replied && ::poll(&pfd, 1, 3000) == 1 && ::read(fd, &reply, 1) == 1;
    ::close(fd);
    return replied;
}

double MillisecondsSince(TClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// Each iteration measures the baseline and then the tool, so both see the same load on the machine.
void BM_ZentorctlRead(benchmark::State& state)
{
    const std::string port = std::to_string(gSim->ComNumber());
    for (auto _ : state) {
        auto start = TClock::now();
        if (RunProgram({"/bin/true"}) != 0 || !RawExchange(gSim->PtyPath()))
            state.SkipWithError("the raw exchange failed");
        gBareSamples.push_back(MillisecondsSince(start));
        start = TClock::now();
        if (RunProgram({ZENTORCTL_PATH, "read", "--port", port}) != 0)
            state.SkipWithError("zentorctl read failed");
        const double elapsed = MillisecondsSince(start);
        gToolSamples.push_back(elapsed);
        state.SetIterationTime(elapsed / 1000);
    }
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

} // namespace

BENCHMARK(BM_ZentorctlRead)->UseManualTime()->Iterations(10)->Repetitions(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    zentorsim::TSimOptions options;
    options.ReplyDelay = kAnswerTime;
    options.InitialValue = 0xFF;
    gSim = std::make_unique<zentorsim::TZentorSim>(options);
    std::string error;
    if (!gSim->Start(error)) {
        std::fprintf(stderr, "the simulated device did not start: %s\n", error.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    const double tool = Median(gToolSamples);
    const double bare = Median(gBareSamples);
    std::printf("device answer time %lld ms; median wall time: zentorctl read %.1f ms, bare process and raw exchange "
                "%.1f ms (ratio %.2f); zentorctl adds %.1f ms (target at most 50 ms)\n",
                static_cast<long long>(kAnswerTime.count()), tool, bare, bare > 0 ? tool / bare : 0.0, tool - bare);
    gSim.reset();
    benchmark::Shutdown();
    return 0;
}

#include "support/peakmemory.h"

#include <fstream>
#include <string>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in bytes.
std::size_t StatusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == key) {
            std::size_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    return 0;
}

[[noreturn]] void RunChild(int output, const std::function<void()>& work)
{
    std::ofstream("/proc/self/clear_refs") << "5"; // the high-water mark starts again from the current size
    const std::size_t before = StatusBytes("VmRSS:");
    try {
        work();
    } catch (...) {
        // a refusal ends the work as well; its memory counts the same
    }
    const std::size_t peak = StatusBytes("VmHWM:");
    const std::size_t growth = peak > before ? peak - before : 0;
    const ssize_t written = write(output, &growth, sizeof growth);
    _exit(written == sizeof growth ? 0 : 1);
}

} // namespace

std::optional<std::size_t> PeakMemoryGrowth(const std::function<void()>& work, std::chrono::seconds limit)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        RunChild(pipeEnds[1], work);
    }
    close(pipeEnds[1]);
    std::optional<std::size_t> result;
    pollfd ready{pipeEnds[0], POLLIN, 0};
    std::size_t growth = 0;
    if (child > 0 && poll(&ready, 1, static_cast<int>(limit.count() * 1000)) == 1 &&
        read(pipeEnds[0], &growth, sizeof growth) == sizeof growth)
        result = growth;
    close(pipeEnds[0]);
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return result;
}

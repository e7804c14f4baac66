// line-partner: plays a line script (tests/support/scriptedline.h) on a pseudo-terminal for programs that run
// in another process, such as zentorctl.exe under Wine.
// usage: line-partner "<script>" [LOG]
// Prints the terminal's path, then "ready for request N" when it waits for request N and "finished" when the
// script has been played. Ends on SIGTERM or SIGINT, and then writes the bytes it received to LOG.
#include "support/scriptedline.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace {

void WriteLog(const char* path, const std::vector<unsigned char>& bytes)
{
    std::ofstream log(path, std::ios::binary);
    log.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Reports the partner's progress until a signal asks it to end.
void ReportUntilSignalled(const TScriptedLine& line)
{
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    const timespec tick{0, 10'000'000};
    int reported = 0;
    bool finishReported = false;
    while (sigtimedwait(&ending, nullptr, &tick) < 0) {
        for (; reported < line.AwaitedFrame(); ++reported)
            std::printf("ready for request %d\n", reported + 1);
        if (line.Finished() && !finishReported)
            std::printf("finished\n");
        finishReported = line.Finished();
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: line-partner \"<script>\" [LOG]\n");
        return 2;
    }
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    try {
        PtyPair pty;
        TScriptedLine line(pty, argv[1]);
        std::printf("%s\n", pty.SlavePath().c_str());
        std::fflush(stdout);
        line.Start();
        ReportUntilSignalled(line);
        if (argc == 3)
            WriteLog(argv[2], line.Received());
        if (!line.Failure().empty())
            std::fprintf(stderr, "line-partner: %s\n", line.Failure().c_str());
        return line.Failure().empty() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "line-partner: %s\n", error.what());
        return 2;
    }
}

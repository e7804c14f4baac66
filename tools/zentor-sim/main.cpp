// zentor-sim: runs the simulated device until SIGINT or SIGTERM.
#include "tools/zentor-sim/zentorsim.h"

#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(zentorsim::kSimUsage, stdout);
        return 0;
    }
    std::string error;
    const auto options = zentorsim::ParseSimArguments(arguments, error);
    if (!options) {
        std::fprintf(stderr, "zentor-sim: %s\n%s", error.c_str(), zentorsim::kSimUsage);
        return 2;
    }
    // Blocked before the device thread starts, so only sigwait() below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zentorsim::TZentorSim sim(*options);
    if (!sim.Start(error)) {
        std::fprintf(stderr, "zentor-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("COM%d %s\n", sim.ComNumber(), sim.PtyPath().c_str());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.Stop();
    return 0;
}

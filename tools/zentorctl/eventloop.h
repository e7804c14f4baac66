// The tool's event loop: runs the serial port's hand-offs on the main thread, without Qt. A worker that
// queues a hand-off wakes the loop; so does a request to end the program (SIGINT, SIGTERM and SIGHUP on
// POSIX, Ctrl+C, Ctrl+Break and closing the console on Windows), so that the caller can close the port at once.
#pragma once

#include <chrono>
#include <functional>

namespace zentorctl {

class TEventLoop {
public:
    enum class TStop { Done, TimedOut, Interrupted };

    TEventLoop();
    ~TEventLoop();
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    // Runs queued hand-offs until done() holds, the deadline passes or a signal asks the program to end.
    TStop RunUntil(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline);
    bool Interrupted() const;

private:
    void DrainWakes();
    void WaitForWake(std::chrono::steady_clock::time_point deadline);
    void InstallSignalHandlers();
    void RestoreSignalHandlers();
};

} // namespace zentorctl

// Preloaded into a Qt program by bench_startup: at the first painted window it writes the monotonic clock and
// the CPU time the process has used (both in nanoseconds) to the file descriptor named by
// ZENTOR_STARTUP_PROBE_FD and ends the program at once.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

long long Nanoseconds(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void ReportAndExit()
{
    const std::string text = std::to_string(Nanoseconds(CLOCK_MONOTONIC)) + " " +
                             std::to_string(Nanoseconds(CLOCK_PROCESS_CPUTIME_ID)) + "\n";
    if (const char* fd = std::getenv("ZENTOR_STARTUP_PROBE_FD")) {
        [[maybe_unused]] const ssize_t n = ::write(std::atoi(fd), text.data(), text.size());
    }
    ::_exit(0);
}

// Waits for the first paint event; the report follows once that paint pass has ended.
class TFirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, ReportAndExit);
        }
        return false;
    }

private:
    bool seen_ = false;
};

void InstallProbe()
{
    QCoreApplication::instance()->installEventFilter(new TFirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)

// A read through the main window against the simulated device that answers after kAnswerTime: from the click
// on "Read" until the status line says the read succeeded. Baseline, measured in turns in the same run: the
// simulated device alone, with a frame written straight to its pseudo-terminal and the reply read back. The
// window adds the opening of the port and the settle time after the reply; the target is at most 40 ms.
// The first click (port closed) and a later click (which first closes the port with its pause) are
// reported apart; the figures are medians and their differences to the baseline.
#include "app/configfile.h"
#include "app/formclasses.h"
#include "app/main_form.h"
#include "classlib/widgets/guipump.h"
#include "classlib/widgets/statusbar.h"
#include "controls/xpbutton.h"
#include "tools/zentor-sim/zentorsim.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kAnswerTime{100};

std::vector<double> firstClicks, laterClicks, baselines; // milliseconds

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

const AnsiString& ReadDone()
{
    static const AnsiString text = AnsiString("  ") + AnsiString::FromUtf8("Чтение настроек... успешно!") + AnsiString("  ");
    return text;
}

// The window on the simulated device, with its configuration in a folder of its own.
class TWindowOnDevice {
public:
    explicit TWindowOnDevice(const zentorsim::TZentorSim& sim)
    {
        ConfigFile.Directory = folder_.path().toStdString();
        ConfigFile.DebugLogPath = ConfigFile.Directory + "/zentor_debug_session.txt";
        ConfigFile.ComPort = sim.ComNumber();
        form_ = std::make_unique<TMainForm>();
        status_ = form_->findChild<TStatusBar*>(QStringLiteral("StatusBarMain"));
        read_ = form_->findChild<TXpButton*>(QStringLiteral("BTN_OptionsRead"));
    }

    // Milliseconds from the click to the success message.
    double ClickRead()
    {
        status_->SetSimpleText(AnsiString());
        const auto start = Clock::now();
        read_->click();
        while (status_->SimpleText() != ReadDone()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (Clock::now() - start > std::chrono::seconds(5))
                throw std::runtime_error("the read did not succeed");
        }
        return Milliseconds(Clock::now() - start);
    }

private:
    QTemporaryDir folder_;
    std::unique_ptr<TMainForm> form_;
    TStatusBar* status_ = nullptr;
    TXpButton* read_ = nullptr;
};

// The device's own time: a read frame written to its line, its one-byte reply read back.
double DeviceRoundTrip(const zentorsim::TZentorSim& sim)
{
    const int fd = ::open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw std::runtime_error("cannot open the simulated device's line");
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const unsigned char frame[] = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B};
    const auto start = Clock::now();
    [[maybe_unused]] const ssize_t written = ::write(fd, frame, sizeof frame);
    unsigned char reply = 0;
    pollfd pfd{fd, POLLIN, 0};
    while (::poll(&pfd, 1, 5000) > 0 && ::read(fd, &reply, 1) != 1) {
    }
    const double elapsed = Milliseconds(Clock::now() - start);
    ::close(fd);
    return elapsed;
}

void BM_FirstReadClick(benchmark::State& state)
{
    zentorsim::TZentorSim sim({.ReplyDelay = kAnswerTime});
    std::string error;
    if (!sim.Start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        baselines.push_back(DeviceRoundTrip(sim));
        TWindowOnDevice window(sim);
        state.ResumeTiming();
        firstClicks.push_back(window.ClickRead());
        state.SetIterationTime(firstClicks.back() / 1000);
    }
}
BENCHMARK(BM_FirstReadClick)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

void BM_LaterReadClick(benchmark::State& state)
{
    zentorsim::TZentorSim sim({.ReplyDelay = kAnswerTime});
    std::string error;
    if (!sim.Start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    TWindowOnDevice window(sim);
    window.ClickRead();
    for (auto _ : state) {
        laterClicks.push_back(window.ClickRead());
        state.SetIterationTime(laterClicks.back() / 1000);
    }
}
BENCHMARK(BM_LaterReadClick)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void Report()
{
    const double base = Median(baselines), first = Median(firstClicks), later = Median(laterClicks);
    std::printf("device answer time %lld ms; device round trip (baseline), median: %.2f ms\n",
                static_cast<long long>(kAnswerTime.count()), base);
    std::printf("first read click, median: %.2f ms, %.2f ms above the baseline (target <= 40), ratio %.2f\n", first,
                first - base, first / base);
    const auto fastest = [](const std::vector<double>& samples) {
        return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
    };
    std::printf("fastest first read click: %.2f ms, %.2f ms above the fastest baseline (least disturbed by load)\n",
                fastest(firstClicks), fastest(firstClicks) - fastest(baselines));
    std::printf("later read click (with the 200 ms close pause), median: %.2f ms, %.2f ms above the baseline "
                "and the pause\n",
                later, later - base - 200);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);
    TGuiPump pump;
    RegisterFormClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Report();
    return 0;
}

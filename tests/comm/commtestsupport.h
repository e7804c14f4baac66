// Helpers for the port's tests: running the GUI thread's event loop until something happened, collecting
// message boxes, reproducible random bytes, and counting the process's descriptors and threads.
#pragma once

#include "classlib/base/messagebox.h"
#include "support/processcpu.h"
#include "support/ptylink.h"

#include <QEventLoop>
#include <QTimer>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// Runs the event loop (and with it the hand-offs of the port's threads) until done() holds or the limit passes;
// returns done(). The limit only keeps a broken port from hanging the test.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || std::chrono::steady_clock::now() >= end)
            loop.quit();
    });
    check.start();
    if (!done())
        loop.exec();
    return done();
}

// Runs the event loop for a while, for checks that something does not happen.
inline void PumpFor(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// Unassigns every event of the port.
template <class Port>
void DropHandlers(Port& port)
{
    port.OnCTSSignal = port.OnDCDSignal = port.OnDSRSignal = port.OnRxDSignal = port.OnTxDSignal = nullptr;
    port.OnRingSignal = port.OnBreakSignal = port.OnRxEventSignal = port.OnClose = nullptr;
    port.OnErrorSignal = port.OnOpen = nullptr;
    port.OnDataReceived = nullptr;
}

// Collects the message boxes shown while it exists.
class TMessageBoxCollector {
public:
    struct TBox {
        std::string text, caption;
        unsigned flags;
    };
    TMessageBoxCollector()
    {
        old_ = SetMessageBoxHandler([this](const AnsiString& text, const AnsiString& caption, unsigned flags) {
            boxes.push_back({text.Bytes(), caption.Bytes(), flags});
            return IDOK;
        });
    }
    ~TMessageBoxCollector() { SetMessageBoxHandler(old_); }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes)
            texts.push_back(box.text);
        return texts;
    }
    std::vector<TBox> boxes;

private:
    TMessageBoxHandler old_;
};

// A reproducible stream of random bytes, so both ends can produce and check the same data without storing it.
class TByteStream {
public:
    explicit TByteStream(std::uint32_t seed) : random_(seed) {}
    void Next(unsigned char* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; i++)
            bytes[i] = static_cast<unsigned char>(random_() >> 24);
    }
    // Whether the next bytes of the stream are these.
    bool Matches(const unsigned char* bytes, std::size_t count)
    {
        std::vector<unsigned char> expected(count);
        Next(expected.data(), count);
        return std::equal(expected.begin(), expected.end(), bytes);
    }

private:
    std::mt19937 random_;
};

// How many entries a /proc folder of this process has (open descriptors, threads).
inline int CountEntries(const char* folder)
{
    int count = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

// The simulated Zentor device: a pseudo-terminal registered as a COM port link, answering the request
// frames of the device protocol on its own thread. It keeps the erase-mode register D5 (and any other
// register it is asked to store), answers a read with the register's value and a write with 0x0F. Options
// make it misbehave as lines and devices do: silent, slow, late, echoing, noisy, or gone.
#pragma once

#include "tools/zentor-sim/frameparser.h"
#include "tools/zentor-sim/simoptions.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zentorsim {

constexpr std::uint8_t kEraseModeRegister = 0xD5;

// One line of the trace: the direction ("rx" or "tx") and the bytes in upper-case hexadecimal, e.g.
// "rx A5 96 00 D5 00 6B\n".
std::string TraceLine(std::string_view direction, std::span<const std::uint8_t> bytes);

class TZentorSim {
public:
    explicit TZentorSim(TSimOptions options = {});
    ~TZentorSim();
    TZentorSim(const TZentorSim&) = delete;
    TZentorSim& operator=(const TZentorSim&) = delete;

    // Opens the pseudo-terminal, registers the link and starts answering; false (and error) on failure.
    bool Start(std::string& error);
    // Ends the thread, closes the line and removes the link; also done by the destructor.
    void Stop();

    int ComNumber() const { return comNumber_; }
    const std::string& PtyPath() const { return ptyPath_; }

    std::vector<std::uint8_t> Received() const;
    // Waits until at least count bytes have been received or the limit has passed; returns whether they came.
    bool WaitReceived(std::size_t count, std::chrono::milliseconds limit) const;
    std::uint8_t Register(std::uint8_t reg) const;
    int FramesHeard() const { return heard_.load(); } // whole frames with a right checksum
    bool Vanished() const { return vanished_.load(); }

private:
    bool OpenLine(std::string& error);
    bool RegisterLink(std::string& error);
    void CloseLine();
    void Run();
    bool TakeInput();
    bool HandleFrame(const TSimFrame& frame);
    std::optional<std::uint8_t> Answer(const TSimFrame& frame);
    bool Pause(std::chrono::milliseconds delay);
    bool PauseUntil(std::chrono::steady_clock::time_point end);
    bool Send(std::uint8_t byte, int times);
    bool SendBytes(std::span<const std::uint8_t> bytes);
    void Vanish();
    void Log(const std::uint8_t* bytes, std::size_t count);
    bool OpenTrace(std::string& error);
    void Trace(std::string_view direction, std::span<const std::uint8_t> bytes);

    const TSimOptions options_;
    int master_ = -1;
    int heldSlave_ = -1; // keeps the line up while no program has the port open
    int stopFd_ = -1;
    int logFd_ = -1;
    int traceFd_ = -1;
    bool ownsTrace_ = false; // standard output stays open
    int comNumber_ = 0;
    std::string ptyPath_;
    std::thread thread_;

    mutable std::mutex lock_;
    mutable std::condition_variable receivedChanged_;
    std::vector<std::uint8_t> received_;
    std::array<std::uint8_t, 256> registers_{};
    std::vector<std::uint8_t> pending_; // received bytes not yet part of a whole frame; only the thread
    std::atomic<int> heard_{0};
    std::atomic<bool> vanished_{false};
};

} // namespace zentorsim

// A line partner that plays one case of a device's timing on a pseudo-terminal, byte by byte. Its script is a
// list of steps separated by blanks:
//   FF 0F     bytes in hexadecimal, sent together in one write
//   frame     wait until the next 6-byte request has come (at most 20 s)
//   wait:20   pause for 20 ms
//   hangup    close the line, as an unplugged device does
// Bytes before the first "frame" are on the line before the program under test opens it. The partner holds the
// terminal open, so that bytes it sends while no program has the port open stay waiting on the line.
#pragma once

#include "ptypair.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class TScriptedLine {
public:
    static constexpr std::size_t kFrameLength = 6;

    struct TStep {
        enum class TKind { Send, Frame, Wait, Hangup } kind;
        std::vector<unsigned char> bytes;
        std::chrono::milliseconds pause{0};
    };

    // Reads the script; throws std::invalid_argument naming a step it does not understand.
    static std::vector<TStep> Parse(const std::string& script)
    {
        std::vector<TStep> steps;
        std::istringstream words(script);
        for (std::string word; words >> word;) {
            if (word == "frame")
                steps.push_back({TStep::TKind::Frame, {}, {}});
            else if (word == "hangup")
                steps.push_back({TStep::TKind::Hangup, {}, {}});
            else if (word.starts_with("wait:"))
                steps.push_back({TStep::TKind::Wait, {}, std::chrono::milliseconds(std::stoi(word.substr(5)))});
            else
                AddByte(steps, word);
        }
        return steps;
    }

    TScriptedLine(PtyPair& pty, const std::string& script) : pty_(pty), steps_(Parse(script))
    {
        heldSlave_ = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (heldSlave_ < 0)
            throw std::runtime_error("cannot hold the pseudo-terminal open");
    }
    ~TScriptedLine()
    {
        {
            std::lock_guard lock(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        CloseLine();
    }
    TScriptedLine(const TScriptedLine&) = delete;
    TScriptedLine& operator=(const TScriptedLine&) = delete;

    // Plays the script on a thread of its own.
    void Start()
    {
        thread_ = std::thread([this] { Play(); });
    }

    // Waits until the partner waits for request number frame (counted from 1) or has played its whole script,
    // so that everything it sends before that request is on the line. False when the limit passed first.
    bool WaitReadyFor(int frame, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, limit, [&] { return finished_ || awaitedFrame_ >= frame; });
    }

    // Waits until the whole script has been played; false when the limit passed first.
    bool WaitFinished(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, limit, [&] { return finished_; });
    }

    // The request the partner waits for now or waited for last (0 before the first), and whether it is done.
    int AwaitedFrame() const
    {
        std::lock_guard lock(lock_);
        return awaitedFrame_;
    }
    bool Finished() const
    {
        std::lock_guard lock(lock_);
        return finished_;
    }

    std::vector<unsigned char> Received() const
    {
        std::lock_guard lock(lock_);
        return received_;
    }

    // The step that could not be played, empty while all went well.
    std::string Failure() const
    {
        std::lock_guard lock(lock_);
        return failure_;
    }

private:
    static void AddByte(std::vector<TStep>& steps, const std::string& word)
    {
        std::size_t used = 0;
        const int value = word.size() == 2 ? std::stoi(word, &used, 16) : -1;
        if (used != 2 || value < 0)
            throw std::invalid_argument("not a step of a line script: \"" + word + "\"");
        if (steps.empty() || steps.back().kind != TStep::TKind::Send)
            steps.push_back({TStep::TKind::Send, {}, {}});
        steps.back().bytes.push_back(static_cast<unsigned char>(value));
    }

    void Play()
    {
        int frames = 0;
        for (const TStep& step : steps_) {
            if (!PlayStep(step, frames))
                break;
        }
        std::lock_guard lock(lock_);
        finished_ = true;
        changed_.notify_all();
    }

    bool PlayStep(const TStep& step, int& frames)
    {
        switch (step.kind) {
        case TStep::TKind::Send:
            pty_.Write(step.bytes.data(), step.bytes.size());
            return true;
        case TStep::TKind::Frame:
            return AwaitFrame(++frames);
        case TStep::TKind::Wait:
            return !Stopped(step.pause);
        case TStep::TKind::Hangup:
            CloseLine();
            return true;
        }
        return false;
    }

    bool AwaitFrame(int frame)
    {
        {
            std::lock_guard lock(lock_);
            awaitedFrame_ = frame;
        }
        changed_.notify_all();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const std::size_t needed = kFrameLength * static_cast<std::size_t>(frame);
        while (ReceivedCount() < needed) {
            const auto bytes = pty_.Read(needed - ReceivedCount(), std::chrono::milliseconds(50));
            std::lock_guard lock(lock_);
            received_.insert(received_.end(), bytes.begin(), bytes.end());
            if (received_.size() < needed && (stopping_ || std::chrono::steady_clock::now() >= end)) {
                failure_ = "request " + std::to_string(frame) + " did not come";
                return false;
            }
        }
        return true;
    }

    std::size_t ReceivedCount() const
    {
        std::lock_guard lock(lock_);
        return received_.size();
    }

    // Pauses; true when the partner was stopped meanwhile.
    bool Stopped(std::chrono::milliseconds pause)
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, pause, [&] { return stopping_; });
    }

    void CloseLine()
    {
        pty_.CloseMaster();
        if (heldSlave_ >= 0)
            ::close(heldSlave_);
        heldSlave_ = -1;
    }

    PtyPair& pty_;
    const std::vector<TStep> steps_;
    int heldSlave_ = -1;
    std::thread thread_;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<unsigned char> received_;
    int awaitedFrame_ = 0;
    bool finished_ = false;
    bool stopping_ = false;
    std::string failure_;
};

// A pseudo-terminal for serial tests: the test holds the master side, the code under test opens SlavePath.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            throw std::runtime_error("cannot create a pseudo-terminal");
        slavePath_ = ptsname(master_);
        termios tio{};
        tcgetattr(master_, &tio);
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    // Writes every byte, waiting while the pseudo-terminal is full.
    void Write(const void* data, std::size_t length)
    {
        const auto* bytes = static_cast<const char*>(data);
        while (length > 0) {
            const ssize_t n = ::write(master_, bytes, length);
            if (n > 0) {
                bytes += n;
                length -= static_cast<std::size_t>(n);
            } else {
                pollfd pfd{master_, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
            }
        }
    }

    // Reads until count bytes have come or the time is up; returns what came.
    std::vector<unsigned char> Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::vector<unsigned char> got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0)
                continue;
            unsigned char buffer[4096];
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

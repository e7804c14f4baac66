#include "tools/zentor-sim/zentorsim.h"

#include "platform/portmap.h"
#include "platform/posix/linklocks.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zentorsim {

namespace {

bool MakeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

std::string TraceLine(std::string_view direction, std::span<const std::uint8_t> bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line(direction);
    for (const std::uint8_t byte : bytes) {
        line += ' ';
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    return line + '\n';
}

TZentorSim::TZentorSim(TSimOptions options) : options_(std::move(options))
{
    registers_[kEraseModeRegister] = options_.InitialValue;
}

TZentorSim::~TZentorSim()
{
    Stop();
}

bool TZentorSim::Start(std::string& error)
{
    if (thread_.joinable()) {
        error = "already running";
        return false;
    }
    if (!OpenLine(error) || !RegisterLink(error)) {
        CloseLine();
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool TZentorSim::OpenLine(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = Errno("cannot create a pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = Errno("cannot name the pseudo-terminal");
        return false;
    }
    ptyPath_ = name;
    // Without an open slave the master reports a hang-up; with echo on, replies would come back as input.
    heldSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (heldSlave_ < 0 || stopFd_ < 0 || !MakeRaw(heldSlave_) || !MakeRaw(master_)) {
        error = Errno("cannot prepare the pseudo-terminal");
        return false;
    }
    if (!options_.LogPath.empty()) {
        logFd_ = ::open(options_.LogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (logFd_ < 0) {
            error = Errno("cannot open the log " + options_.LogPath);
            return false;
        }
    }
    return OpenTrace(error);
}

bool TZentorSim::OpenTrace(std::string& error)
{
    if (options_.TracePath.empty())
        return true;
    if (options_.TracePath == "-") {
        traceFd_ = STDOUT_FILENO;
        return true;
    }
    traceFd_ = ::open(options_.TracePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ownsTrace_ = traceFd_ >= 0;
    if (!ownsTrace_)
        error = Errno("cannot open the trace " + options_.TracePath);
    return ownsTrace_;
}

// A given number is taken only when no other device's link stands there.
bool TZentorSim::RegisterLink(std::string& error)
{
    std::string holder;
    if (options_.ComNumber > 0)
        comNumber_ = platform::ClaimComLink(options_.ComNumber, ptyPath_, holder) ? options_.ComNumber : 0;
    else
        comNumber_ = platform::RegisterFreeComLink(ptyPath_);
    if (comNumber_ != 0)
        return true;
    const std::string lockProblem =
        options_.ComNumber > 0 ? platform::LinkLockProblem(platform::DosDevicesDir(), options_.ComNumber) : "";
    if (!lockProblem.empty())
        error = "cannot register COM" + std::to_string(options_.ComNumber) + ": " + lockProblem;
    else if (!holder.empty())
        error = "COM" + std::to_string(options_.ComNumber) + " is in use by " + holder;
    else
        error = "cannot register a COM link in " + platform::DosDevicesDir();
    return false;
}

void TZentorSim::Stop()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    CloseLine();
}

void TZentorSim::CloseLine()
{
    if (comNumber_ > 0 && master_ >= 0)
        platform::UnregisterComLink(comNumber_, ptyPath_);
    CloseFd(master_);
    CloseFd(heldSlave_);
    CloseFd(stopFd_);
    CloseFd(logFd_);
    if (ownsTrace_)
        CloseFd(traceFd_);
    traceFd_ = -1;
    ownsTrace_ = false;
}

void TZentorSim::Run()
{
    for (;;) {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {master_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN)
            return;
        if ((fds[1].revents & POLLIN) && !TakeInput())
            return;
    }
}

// Reads what came, logs it, and answers every whole frame; false once the device is to stop.
bool TZentorSim::TakeInput()
{
    std::uint8_t chunk[512];
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0)
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    Log(chunk, static_cast<std::size_t>(n));
    if (options_.Echo && !SendBytes({chunk, static_cast<std::size_t>(n)}))
        return false;
    pending_.insert(pending_.end(), chunk, chunk + n);
    const TParsedFrames parsed = ParseFrames(pending_);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(parsed.Consumed));
    for (const TSimFrame& frame : parsed.Frames)
        if (!HandleFrame(frame))
            return false;
    return true;
}

bool TZentorSim::HandleFrame(const TSimFrame& frame)
{
    if (options_.VanishAfter && heard_.load() >= *options_.VanishAfter) {
        Vanish();
        return false;
    }
    const bool first = heard_.fetch_add(1) == 0;
    const auto heardAt = std::chrono::steady_clock::now();
    const std::optional<std::uint8_t> answer = Answer(frame);
    if (!answer || options_.Silent)
        return true;
    if (options_.NoiseBefore && !(PauseUntil(heardAt + *options_.NoiseBefore) && Send(options_.NoiseByte, 1)))
        return false;
    const auto delay = first && options_.LateFirst ? *options_.LateFirst : options_.ReplyDelay;
    if (!PauseUntil(heardAt + delay) || !Send(options_.AnswerByte.value_or(*answer), options_.TwoByteReply ? 2 : 1))
        return false;
    return !options_.NoiseAfter || (Pause(*options_.NoiseAfter) && Send(options_.NoiseByte, 1));
}

// The register's value for a read, the acknowledgement after storing for a write; nothing for other operations.
std::optional<std::uint8_t> TZentorSim::Answer(const TSimFrame& frame)
{
    std::lock_guard lock(lock_);
    if (frame.Op == kOpRead)
        return registers_[frame.Reg];
    if (frame.Op != kOpWrite)
        return std::nullopt;
    registers_[frame.Reg] = frame.Data;
    return kWriteAck;
}

// Sleeps for delay unless asked to stop meanwhile; false when stopped.
bool TZentorSim::Pause(std::chrono::milliseconds delay)
{
    return PauseUntil(std::chrono::steady_clock::now() + delay);
}

bool TZentorSim::PauseUntil(std::chrono::steady_clock::time_point end)
{
    for (auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
         left.count() > 0;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())) {
        pollfd stop{stopFd_, POLLIN, 0};
        if (::poll(&stop, 1, static_cast<int>(left.count()) + 1) > 0)
            return false;
    }
    return true;
}

bool TZentorSim::Send(std::uint8_t byte, int times)
{
    const std::uint8_t reply[2] = {byte, byte};
    return SendBytes({reply, static_cast<std::size_t>(times)});
}

bool TZentorSim::SendBytes(std::span<const std::uint8_t> bytes)
{
    std::size_t sent = 0;
    const std::size_t length = bytes.size();
    while (sent < length) {
        const ssize_t n = ::write(master_, bytes.data() + sent, length - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {master_, POLLOUT, 0}};
        if (::poll(fds, 2, -1) > 0 && (fds[0].revents & POLLIN))
            return false;
    }
    Trace("tx", bytes);
    return true;
}

// The line goes away as an unplugged adapter does: the program holding the port sees it hang up.
void TZentorSim::Vanish()
{
    platform::UnregisterComLink(comNumber_, ptyPath_);
    CloseFd(master_);
    CloseFd(heldSlave_);
    vanished_.store(true);
}

void TZentorSim::Log(const std::uint8_t* bytes, std::size_t count)
{
    if (logFd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(logFd_, bytes, count);
    }
    Trace("rx", {bytes, count});
    {
        std::lock_guard lock(lock_);
        received_.insert(received_.end(), bytes, bytes + count);
    }
    receivedChanged_.notify_all();
}

void TZentorSim::Trace(std::string_view direction, std::span<const std::uint8_t> bytes)
{
    if (traceFd_ >= 0)
        WriteAll(traceFd_, TraceLine(direction, bytes));
}

std::vector<std::uint8_t> TZentorSim::Received() const
{
    std::lock_guard lock(lock_);
    return received_;
}

bool TZentorSim::WaitReceived(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(lock_);
    return receivedChanged_.wait_for(lock, limit, [&] { return received_.size() >= count; });
}

std::uint8_t TZentorSim::Register(std::uint8_t reg) const
{
    std::lock_guard lock(lock_);
    return registers_[reg];
}

} // namespace zentorsim

// A program run as a child process: its standard output and error, and how it ended. Every wait is bounded:
// a program still running after the limit is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

struct TChildRun {
    int exitCode = -1; // -1 when the program did not exit by itself
    int signal = 0;    // the signal that ended it, if one did
    std::string out;
    std::string err;
};

class TChildProcess {
public:
    // Starts the command (the program first); standard output goes to outputPath when one is given, or else
    // to outputFd when that is given, or else to a pipe this object reads.
    explicit TChildProcess(std::vector<std::string> command, const char* outputPath = nullptr, int outputFd = -1)
    {
        std::vector<char*> argv;
        for (auto& argument : command)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (outputPath)
            posix_spawn_file_actions_addopen(&actions, 1, outputPath, O_WRONLY, 0);
        else if (outputFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
        else
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
    }
    ~TChildProcess() { Finish(std::chrono::seconds(0)); }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    void Signal(int signal)
    {
        if (pid_ > 0)
            ::kill(pid_, signal);
    }

    // The first line of standard output, without its line end; empty when none came within the limit.
    std::string FirstLine(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (run_.out.find('\n') == std::string::npos && outFd_ >= 0 && std::chrono::steady_clock::now() < end)
            ReadFor(50);
        const std::size_t lineEnd = run_.out.find('\n');
        return lineEnd == std::string::npos ? std::string() : run_.out.substr(0, lineEnd);
    }

    // Collects the output until the program has closed it, then waits for the program; kills it when the
    // limit passes first.
    TChildRun Finish(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < end)
            ReadFor(50);
        CloseAll();
        if (pid_ <= 0)
            return run_;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= end)
                ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        run_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return run_;
    }

private:
    void ReadFor(int milliseconds)
    {
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        ::poll(fds, 2, milliseconds);
        Drain(outFd_, fds[0].revents, run_.out);
        Drain(errFd_, fds[1].revents, run_.err);
    }

    static void Drain(int& fd, short revents, std::string& text)
    {
        if (fd < 0 || revents == 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
            return;
        }
        ::close(fd);
        fd = -1;
    }

    void CloseAll()
    {
        for (int* fd : {&outFd_, &errFd_})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    TChildRun run_;
};

inline TChildRun RunChild(std::vector<std::string> command, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    return TChildProcess(std::move(command)).Finish(limit);
}

// Runs a program as a child process with its standard output and error captured, or starts one and reads
// its first line; every wait is bounded.
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
    int exitCode = -1;
    std::string out;
    std::string err;
};

class TChildProcess {
public:
    explicit TChildProcess(std::vector<std::string> command)
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
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~TChildProcess()
    {
        Signal(SIGKILL);
        Wait();
        ::close(out_);
        ::close(err_);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    // The first line of standard output, without its line end; empty when none came within the limit.
    std::string FirstLine(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (result_.out.find('\n') == std::string::npos && ReadSome(out_, result_.out, deadline)) {
        }
        const std::size_t end = result_.out.find('\n');
        return end == std::string::npos ? std::string() : result_.out.substr(0, end);
    }

    void Signal(int signal)
    {
        if (pid_ > 0 && !reaped_)
            ::kill(pid_, signal);
    }

    // Collects both outputs and the exit code (128 + signal when a signal ended it); bounded by limit.
    const TChildRun& Finish(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (ReadSome(out_, result_.out, deadline)) {
        }
        while (ReadSome(err_, result_.err, deadline)) {
        }
        if (std::chrono::steady_clock::now() >= deadline)
            Signal(SIGKILL);
        Wait();
        return result_;
    }

private:
    static bool ReadSome(int fd, std::string& text, std::chrono::steady_clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd watch{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&watch, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        text.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    void Wait()
    {
        if (pid_ <= 0 || reaped_)
            return;
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_)
            result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        reaped_ = true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool reaped_ = false;
    TChildRun result_;
};

inline TChildRun RunChild(std::vector<std::string> command, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    TChildProcess child(std::move(command));
    return child.Finish(limit);
}

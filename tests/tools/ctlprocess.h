// The zentorctl program run as a process: its standard output and error, and how it ended. Every run is
// bounded: a program still running after the limit is killed and the run counts as killed.
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

struct TCtlRun {
    int exitCode = -1;   // -1 when the program did not exit by itself
    int signal = 0;      // the signal that ended it, if one did
    std::string out;
    std::string err;
};

class TCtlProcess {
public:
    // Starts zentorctl with the arguments; standard output goes to outputPath when one is given, or else to
    // outputFd when that is given.
    explicit TCtlProcess(std::vector<std::string> arguments, const char* outputPath = nullptr, int outputFd = -1)
    {
        arguments.insert(arguments.begin(), ZENTORCTL_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments)
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
    ~TCtlProcess()
    {
        if (pid_ > 0)
            Finish(std::chrono::seconds(0));
    }
    TCtlProcess(const TCtlProcess&) = delete;
    TCtlProcess& operator=(const TCtlProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // Collects the output until the program has closed it, then waits for the program; kills it when the
    // limit passes first.
    TCtlRun Finish(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        TCtlRun run;
        const auto end = std::chrono::steady_clock::now() + limit;
        while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < end) {
            pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
            ::poll(fds, 2, 50);
            Drain(outFd_, fds[0].revents, run.out);
            Drain(errFd_, fds[1].revents, run.err);
        }
        if (pid_ <= 0)
            return run;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= end)
                ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        CloseAll();
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return run;
    }

private:
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
};

inline TCtlRun RunCtl(const std::vector<std::string>& arguments, const char* outputPath = nullptr)
{
    return TCtlProcess(arguments, outputPath).Finish();
}

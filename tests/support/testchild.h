// Runs a part of a test in a fresh process of the test program, so that its memory can be measured by the
// child's peak resident size, or limited, and a crash ends the child and not the test program. A fresh
// process, not a fork, so that no memory the test program freed earlier is there to be reused. The wait is
// bounded.
//
// A test that uses it starts with: if (IsTestChild()) ::_exit(RunPart(TestChildPart()));
#pragma once

#include "support/sanitizedbuild.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

struct ChildOutcome {
    bool exited = false;   // ended through exit; exitCode holds its status
    int exitCode = -1;
    int signal = 0;        // the signal that ended it, 0 when it exited
    bool timedOut = false; // still running at the deadline and killed
    long peakResidentKiB = 0;
};

constexpr const char* kTestChildVariable = "ZENTOR_TEST_CHILD_PART";

inline bool IsTestChild()
{
    return std::getenv(kTestChildVariable) != nullptr;
}

// The part the child was started for.
inline std::string TestChildPart()
{
    const char* part = std::getenv(kTestChildVariable);
    return part ? part : "";
}

// The address space the process has mapped now, in bytes.
inline std::size_t MappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * std::size_t(::sysconf(_SC_PAGESIZE));
}

// Starts the running test again in a fresh test program with part in the environment and waits at most
// deadline for it; its output is discarded. A child still running at the deadline is killed.
inline ChildOutcome RunTestInChild(const std::string& part, std::chrono::seconds deadline = std::chrono::seconds(120))
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::setenv(kTestChildVariable, part.c_str(), 1);
        ::execl("/proc/self/exe", "test-child", filter.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ChildOutcome outcome;
    if (child < 0)
        return outcome;
    const auto end = std::chrono::steady_clock::now() + deadline;
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::wait4(child, &status, 0, &usage);
            outcome.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    outcome.peakResidentKiB = usage.ru_maxrss;
    return outcome;
}

// Limits the calling process's address space to what it has mapped now plus headroom.
inline void LimitAddressSpace(std::size_t headroom)
{
    const rlim_t limit = MappedBytes() + headroom;
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
}

// The part a child runs to measure what the test program holds after starting: it does nothing.
constexpr const char* kIdlePart = "idle";

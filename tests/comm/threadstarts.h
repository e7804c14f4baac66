// Control over the operating-system thread starts of this test program (pthread_create is replaced in
// threadstarts.cpp): starts made by the thread that holds a TThreadStarts can be made to fail as they do when
// the system runs out of threads, or be followed by a step of the test before the starter goes on. The threads
// started that way are counted until they end, so a test counts those and not the process's own (a sanitizer
// runs threads of its own).
#pragma once

#include <functional>

class TThreadStarts {
public:
    TThreadStarts();
    ~TThreadStarts();
    TThreadStarts(const TThreadStarts&) = delete;
    TThreadStarts& operator=(const TThreadStarts&) = delete;

    // The next `successes` starts work; every later one fails with EAGAIN.
    void FailAfter(int successes);
    // Runs step on the starting thread right after each start that worked, before the starter goes on.
    void AfterEachStart(std::function<void()> step);
    // How many threads started while a TThreadStarts was held have not yet returned from their body.
    static int Running();
};

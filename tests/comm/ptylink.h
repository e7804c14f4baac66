// A pseudo-terminal registered as a COM port: the port under test opens "\\.\COM<n>", the test talks
// through the master side.
#pragma once

#include "platform/portmap.h"
#include "support/ptypair.h"

#include <dirent.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

class TPtyLink {
public:
    explicit TPtyLink(int number = 61) : number_(number)
    {
        if (!platform::RegisterComLink(number_, pty.SlavePath()))
            throw std::runtime_error("cannot register the COM link");
    }
    ~TPtyLink() { platform::UnregisterComLink(number_); }
    TPtyLink(const TPtyLink&) = delete;
    TPtyLink& operator=(const TPtyLink&) = delete;

    int Number() const { return number_; }
    PtyPair pty;

private:
    int number_;
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

// CPU time the whole process has used, in seconds.
inline double ProcessCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// How much the resident memory of the process grows at its peak while some work runs. The work runs in a
// forked child, whose high-water mark is reset at the start, so that what the test process did before does
// not count.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

// Bytes of the peak growth, or nothing when the child did not report within limit (it is then killed).
std::optional<std::size_t> PeakMemoryGrowth(const std::function<void()>& work, std::chrono::seconds limit);

#pragma once
// Small timing harness shared by the benchmarks: wall time of the best of several runs and the
// process's peak resident memory.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace varlo::bench {

// Seconds of the fastest of `runs` calls.
double BestSeconds(int runs, const std::function<void()>& body);
// Peak resident set of this process so far, in bytes.
size_t PeakRssBytes();
// Resets the peak (Linux: writes 5 to /proc/self/clear_refs); false when not supported.
bool ResetPeakRss();
// Current resident set, in bytes.
size_t CurrentRssBytes();
// Prints one result row.
void PrintRow(const std::string& what, double megabytes, double seconds, size_t peakBytes);

}  // namespace varlo::bench

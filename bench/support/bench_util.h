#pragma once
// Small timing harness shared by the benchmarks: wall time of the best of several runs and the
// process's peak resident memory.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace varlo::bench {

// Seconds of the fastest of `runs` calls: wall time, or the calling thread's processor time when
// VARLO_BENCH_CPU_TIME is set.
double BestSeconds(int runs, const std::function<void()>& body);
// The best time of each body over `runs` rounds, in which every body runs once in turn: on a
// shared machine that is fast and slow by turns, each is measured in the same phases.
std::vector<double> BestSecondsInTurn(int runs, const std::vector<std::function<void()>>& bodies);
// Peak resident set of this process so far, in bytes.
size_t PeakRssBytes();
// Resets the peak (Linux: writes 5 to /proc/self/clear_refs); false when not supported.
bool ResetPeakRss();
// Current resident set, in bytes.
size_t CurrentRssBytes();
// Runs `body` in a child process and returns how far its resident memory rose above what the
// child started with (the peak of that one call, untouched by what the parent did before).
size_t PeakGrowthInChild(const std::function<void()>& body);
// Runs `body` in a child process forked now, so that it starts from this process's heap as it is
// and leaves it untouched; true when the child ended normally.
bool RunInChild(const std::function<void()>& body);
// Runs a program with an argument list (no shell), its output thrown away; true when it exited
// with 0.
bool RunProgram(std::vector<std::string> arguments);
// Prints one result row.
void PrintRow(const std::string& what, double megabytes, double seconds, size_t peakBytes);

}  // namespace varlo::bench

#include "bench_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace varlo::bench {

namespace {

// The processor time of the calling thread, its system calls and page faults included.
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double BestSeconds(int runs, const std::function<void()>& body) {
    // On a machine shared with other work, the time spent waiting for a core would swamp what is
    // measured: VARLO_BENCH_CPU_TIME=1 counts the processor time of the work instead.
    static const bool cpuTime = std::getenv("VARLO_BENCH_CPU_TIME") != nullptr;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        if (cpuTime) {
            const double start = ThreadCpuSeconds();
            body();
            best = std::min(best, ThreadCpuSeconds() - start);
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        body();
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(stop - start).count());
    }
    return best;
}

std::vector<double> BestSecondsInTurn(int runs, const std::vector<std::function<void()>>& bodies) {
    std::vector<double> best(bodies.size(), 1e300);
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < bodies.size(); ++k) {
            best[k] = std::min(best[k], BestSeconds(1, bodies[k]));
        }
    }
    return best;
}

static size_t StatusField(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            std::istringstream s(line.substr(std::strlen(field)));
            size_t kb = 0;
            s >> kb;
            return kb * 1024;
        }
    }
    return 0;
}

size_t PeakRssBytes() {
    return StatusField("VmHWM:");
}
size_t CurrentRssBytes() {
    return StatusField("VmRSS:");
}

bool ResetPeakRss() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    return static_cast<bool>(out);
}

bool RunInChild(const std::function<void()>& body) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

size_t PeakGrowthInChild(const std::function<void()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return 0;
    RunInChild([&] {
        close(fds[0]);
        const size_t base = CurrentRssBytes();
        body();
        const size_t peak = PeakRssBytes();
        const size_t growth = peak > base ? peak - base : 0;
        (void)!write(fds[1], &growth, sizeof growth);
    });
    close(fds[1]);
    size_t growth = 0;
    (void)!read(fds[0], &growth, sizeof growth);
    close(fds[0]);
    return growth;
}

bool RunProgram(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PrintRow(const std::string& what, double megabytes, double seconds, size_t peakBytes) {
    std::printf("  %-44s %9.1f MB/s  %8.3f s  peak %8.1f MB\n", what.c_str(), megabytes / seconds,
                seconds, static_cast<double>(peakBytes) / 1e6);
}

}  // namespace varlo::bench

#pragma once
// Runs the built varlo-cli as a child process, the way scripts use it.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace varlo::test {

struct CliResult {
    int status = -1;  // exit status; -1 when the tool did not exit normally
    std::string out;  // standard output
};

// Runs varlo-cli with the arguments (already quoted for the shell) and captures standard output;
// `environment` ("NAME='value' ", quoted) is set for the child only.
inline CliResult RunCli(const std::string& arguments, const std::string& environment = {}) {
    const std::string command =
        environment + std::string(VARLO_CLI_PATH) + " " + arguments + " 2>/dev/null";
    CliResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace varlo::test

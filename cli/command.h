#pragma once
// Sub-commands of varlo-cli register themselves here; main dispatches on the first argument.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/text.h"

namespace varlo::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUnreadable = 1;
inline constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    const char* usage;  // one or more lines, without the program name
    int (*run)(const std::vector<std::string>& args);  // args after the command name
    // Whether the heap grows on huge pages first: a command that reads thousands of articles
    // gains; one that reads a single page holds its copies in a heap that never shrinks.
    bool manyArticles = true;
};

// Adds a command to the table (used through VARLO_CLI_COMMAND at namespace scope).
bool RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

// System text (code page 932) as UTF-8 for output.
std::string Out(std::string_view text);
// Prints a message and a line break to standard error.
void PrintError(const Text& message);
// Prints JSON with two-space indentation and a line break.
void PrintJson(const nlohmann::ordered_json& json);
// Prints JSON on one line (invalid text replaced) and flushes it: one line a result, for a reader
// of the output that acts on each line as it comes.
void PrintLine(const nlohmann::ordered_json& json);
// Prints the usage of one command to standard error and returns kExitUsage.
int UsageError(const char* commandName);

}  // namespace varlo::cli

#define VARLO_CLI_CONCAT2(a, b) a##b
#define VARLO_CLI_CONCAT(a, b) VARLO_CLI_CONCAT2(a, b)
#define VARLO_CLI_COMMAND(name, usage, fn)                         \
    static const bool VARLO_CLI_CONCAT(registered_, __COUNTER__) = \
        ::varlo::cli::RegisterCommand({name, usage, fn})
// A command that reads a single page, and keeps to the allocator's own growth.
#define VARLO_CLI_COMMAND_OF_ONE_PAGE(name, usage, fn)             \
    static const bool VARLO_CLI_CONCAT(registered_, __COUNTER__) = \
        ::varlo::cli::RegisterCommand({name, usage, fn, false})

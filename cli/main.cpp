#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/command.h"
#include "cli/network_options.h"
#include "encoding/codepage.h"
#include "platform/allocator.h"
#include "platform/message_box.h"

namespace varlo::cli {

std::vector<Command>& CommandTable() {
    static std::vector<Command> table;
    return table;
}

bool RegisterCommand(const Command& command) {
    CommandTable().push_back(command);
    return true;
}

const std::vector<Command>& Commands() {
    return CommandTable();
}

std::string Out(std::string_view text) {
    return Cp932ToUtf8(text);
}

void PrintError(const Text& message) {
    std::fprintf(stderr, "%s\n", Out(message).c_str());
}

void PrintJson(const nlohmann::ordered_json& json) {
    std::cout << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void PrintLine(const nlohmann::ordered_json& json) {
    std::cout << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n"
              << std::flush;
}

int UsageError(const char* commandName) {
    for (const auto& c : Commands()) {
        if (std::strcmp(c.name, commandName) == 0) {
            std::fprintf(stderr, "usage:\n%s", c.usage);
            return kExitUsage;
        }
    }
    return kExitUsage;
}

namespace {

void PrintHelp(std::FILE* to) {
    std::fprintf(to,
                 "varlo-cli: the core of the Varlo feed reader on the command line.\n"
                 "usage: varlo-cli COMMAND ARGUMENTS...\n"
                 "       varlo-cli --help | --version\n\ncommands:\n");
    for (const auto& c : Commands()) std::fprintf(to, "%s", c.usage);
    std::fprintf(to,
                 "\nexit status: 0 the command ran, 1 its input could not be read, 2 usage "
                 "error.\n");
}

}  // namespace
}  // namespace varlo::cli

int main(int argc, char** argv) {
    using namespace varlo::cli;
    varlo::KeepLargeBlocksOutOfTheHeap();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("varlo-cli %s\n", VARLO_VERSION);
        return kExitOk;
    }
    // Message boxes become UTF-8 lines on standard error.
    varlo::SetMessageBoxHandler([](const varlo::Text& text, unsigned style) {
        std::string line = varlo::Cp932ToUtf8(text);
        for (char& c : line) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        std::fprintf(stderr, "%s\n", line.c_str());
        const unsigned buttons = style & 0xF;
        return buttons == varlo::kMbYesNo || buttons == varlo::kMbYesNoCancel ? varlo::kIdYes
                                                                              : varlo::kIdOk;
    });
    UseNetworkSettings();
    for (const auto& c : Commands()) {
        if (args[0] == c.name) {
            if (c.manyArticles) varlo::GrowHeapOnHugePages(64 * 1024 * 1024);
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
        }
    }
    std::fprintf(stderr, "varlo-cli: unknown command '%s'\n", args[0].c_str());
    PrintHelp(stderr);
    return kExitUsage;
}

// varlo-cli date: the feed date readers and writers on one text or time value.

#include <charconv>
#include <iostream>

#include "cli/command.h"
#include "feeds/dates.h"

namespace varlo::cli {
namespace {

// A whole argument as a count of seconds; false when it is not one.
bool ParseSeconds(const std::string& text, TimeValue& value) {
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && !text.empty();
}

int RunDate(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("date");
    const std::string& mode = args[0];
    const std::string& value = args[1];
    if (mode == "w3c") {
        std::cout << ParseW3cDate(value) << "\n";
    } else if (mode == "rfc822") {
        std::cout << ParseRfc822Date(value) << "\n";
    } else if (mode == "zone") {
        std::cout << ParseZoneOffset(value) << "\n";
    } else if (mode == "rfc822-format" || mode == "display") {
        TimeValue t = 0;
        if (!ParseSeconds(value, t)) return UsageError("date");
        std::cout << Out(mode == "display" ? FormatDisplayDate(t) : FormatRfc822Date(t)) << "\n";
    } else {
        return UsageError("date");
    }
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND("date",
                  "  varlo-cli date w3c|rfc822|zone TEXT  read a feed date or zone (seconds)\n"
                  "  varlo-cli date rfc822-format|display SECONDS  write a time value as text\n",
                  RunDate);

}  // namespace varlo::cli

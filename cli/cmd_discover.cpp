// varlo-cli discover: the subscription entry that feed discovery makes from a web page.

#include <filesystem>

#include "cli/command.h"
#include "encoding/codepage.h"
#include "fetch/find_feed.h"

namespace varlo::cli {
namespace {

int RunDiscover(const std::vector<std::string>& args) {
    std::string url;
    std::string folder;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir") {
            if (i + 1 >= args.size()) return UsageError("discover");
            folder = args[++i];
        } else if (url.empty() && !args[i].starts_with("-")) {
            url = args[i];
        } else {
            return UsageError("discover");
        }
    }
    if (url.empty()) return UsageError("discover");
    if (folder.empty()) {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        folder = error ? std::string(1, '.') : current.string();
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    // The command line is UTF-8; addresses are system text inside the program.
    const auto item = FindFeed(Utf8ToCp932(url), folder, false);
    if (!item) {
        PrintJson(nullptr);
        return kExitOk;
    }
    nlohmann::ordered_json json;
    json["title"] = Out(item->m_strTitle);
    json["category"] = Out(item->m_strCategory);
    json["htmlUrl"] = Out(item->m_strHtmlUrl);
    json["xmlUrl"] = Out(item->m_strXmlUrl);
    json["type"] = Out(item->m_strType);
    PrintJson(json);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "discover",
    "  varlo-cli discover URL [--dir D]                   the feed announced by the page at URL\n"
    "                                                     (fetched into D/down.html; default: the\n"
    "                                                     current folder) as an entry, or null\n",
    RunDiscover);

}  // namespace varlo::cli

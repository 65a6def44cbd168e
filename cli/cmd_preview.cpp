// varlo-cli preview: the preview page of a feed file, written as the window writes it.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/command.h"
#include "cli/view_options.h"
#include "feeds/rss_file.h"
#include "preview/preview_page.h"

namespace varlo::cli {
namespace {

int RunPreview(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].starts_with("--") || args[1].starts_with("--")) {
        return UsageError("preview");
    }
    const std::string& path = args[0];
    const std::string& out = args[1];
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) ||
        !std::ifstream(path, std::ios::binary).is_open()) {
        CRssFile unread;
        unread.ReadRss(path);  // its own message explains the failure
        return kExitUnreadable;
    }
    CRssFile feed;
    feed.ReadRss(path);
    if (!WritePreviewPage(out, feed, ReadViewOptions(SettingsPath()))) {
        std::cerr << out << ": プレビューを書き込めませんでした\n";
        return kExitUnreadable;
    }
    std::cout << out << '\n';
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "preview",
    "  varlo-cli preview FILE OUT                         write the preview page of the feed in\n"
    "                                                     FILE to OUT, with the window's view\n"
    "                                                     options\n",
    RunPreview);

}  // namespace varlo::cli

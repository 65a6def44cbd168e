// varlo-cli fetch: one download into a folder, printing where the file lies.

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "encoding/codepage.h"
#include "fetch/http_download.h"

namespace varlo::cli {
namespace {

int RunFetch(const std::vector<std::string>& args) {
    std::string url;
    std::string folder;
    std::string name;
    bool haveUrl = false;
    bool haveName = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--dir" || arg == "--name") {
            if (i + 1 >= args.size()) return UsageError("fetch");
            (arg == "--dir" ? folder : name) = args[++i];
            if (arg == "--name") haveName = true;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return UsageError("fetch");
        } else if (haveUrl) {
            return UsageError("fetch");
        } else {
            url = arg;
            haveUrl = true;
        }
    }
    if (!haveUrl || (haveName && name.empty())) return UsageError("fetch");
    if (folder.empty()) {
        std::error_code error;
        std::filesystem::path current = std::filesystem::current_path(error);
        folder = error ? std::filesystem::path(".").string() : current.string();
    }
    // A trailing separator would double in the joined path.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    // The command line is UTF-8; the address is system text like every address of the program.
    CHttpDownload download(Utf8ToCp932(url));
    std::string path = download.Download(folder, false, haveName ? name.c_str() : nullptr);
    std::cout << path << "\n";
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "fetch",
    "  varlo-cli fetch URL [--dir D] [--name N]           download URL into D (default: the\n"
    "                                                     current folder); prints the path\n",
    RunFetch);

}  // namespace varlo::cli

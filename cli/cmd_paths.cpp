// varlo-cli paths: where the program keeps its downloads and the preview page.

#include "cli/command.h"
#include "platform/program_folder.h"
#include "store/store_paths.h"

namespace varlo::cli {
namespace {

int RunPaths(const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("paths");
    nlohmann::ordered_json json;
    // Paths are file-system paths (UTF-8 here), not system text.
    json["programFolder"] = GetProgramFolder();
    json["previewPath"] = GetPreviewPath();
    json["store"] = StorePath();
    json["cache"] = FeedCacheFolder();
    PrintJson(json);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "paths",
    "  varlo-cli paths                                    the program folder, where down.xml,\n"
    "                                                     down.html and the preview page go;\n"
    "                                                     the store and the feed cache\n",
    RunPaths);

}  // namespace varlo::cli

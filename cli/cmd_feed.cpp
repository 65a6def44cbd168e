// varlo-cli feed: a feed file read into a fresh feed, printed as JSON.

#include <filesystem>
#include <fstream>

#include "cli/command.h"
#include "feeds/rss_file.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

// True when the path is a file that can be opened for reading; the reader's own message explains
// a failure.
bool Readable(const std::string& path) {
    std::error_code ec;
    return !std::filesystem::is_directory(path, ec) &&
           std::ifstream(path, std::ios::binary).is_open();
}

int RunFeed(const std::vector<std::string>& args) {
    bool summary = false;
    std::string path;
    for (const auto& arg : args) {
        if (arg == "--summary") {
            summary = true;
        } else if (path.empty() && !arg.starts_with("--")) {
            path = arg;
        } else {
            return UsageError("feed");
        }
    }
    if (path.empty()) return UsageError("feed");

    const bool readable = Readable(path);
    CRssFile feed;
    const int result = feed.ReadRss(path);
    if (!readable) return kExitUnreadable;

    Json json;
    json["result"] = result;
    json["format"] = feed.m_nFormat;
    json["title"] = Out(feed.m_strTitle);
    if (summary) {
        json["items"] = feed.GetSize();
        PrintJson(json);
        return kExitOk;
    }
    json["link"] = Out(feed.m_strLink);
    json["description"] = Out(feed.m_strDescription);
    json["author"] = Out(feed.m_strAuthor);
    json["id"] = Out(feed.m_strId);
    // Folder and file names are file-system paths already, not code page 932 text.
    json["folder"] = feed.m_strFolder;
    json["rssFileName"] = feed.m_strRssFileName;
    json["atomFileName"] = feed.m_strAtomFileName;
    Json items = Json::array();
    for (int i = 0; i < feed.GetSize(); ++i) {
        const CRssItem& item = *feed.GetAt(i);
        Json entry;
        entry["title"] = Out(item.m_strTitle);
        entry["link"] = Out(item.m_strLink);
        entry["description"] = Out(item.m_strDescription);
        entry["category"] = Out(item.m_strCategory);
        entry["content"] = Out(item.m_strContent);
        entry["updated"] = item.m_timeUpdated;
        entry["published"] = item.m_timePublished;
        items.push_back(std::move(entry));
    }
    json["items"] = std::move(items);
    PrintJson(json);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND("feed",
                  "  varlo-cli feed [--summary] FILE  read a feed file (RSS, RDF, Atom) and print "
                  "it as JSON\n",
                  RunFeed);

}  // namespace varlo::cli

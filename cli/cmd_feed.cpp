// varlo-cli feed: a feed file read into a fresh feed, printed as JSON.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>

#include "cli/command.h"
#include "feeds/display_form.h"
#include "feeds/rss_file.h"
#include "preview/preview_page.h"

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

// The texts of a feed as printed: as held, or in the display form the window shows.
struct Texts {
    bool display;
    std::string Plain(const Text& raw) const { return Out(display ? DisplayText(raw) : raw); }
    std::string Title(const Text& raw, int kind) const {
        return Out(display ? DisplayTitle(raw, kind) : raw);
    }
    std::string Html(const Text& raw, const Text& html, int kind, const Text& base) const {
        if (!display) return Out(raw);
        return raw.empty() ? std::string() : SanitizedBody(html, kind, base);
    }
};

// Prints the lines of one article's JSON at the depth the list of articles puts it.
void PrintIndented(std::string_view text) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        std::cout << "    " << line;
        if (end == std::string_view::npos) break;
        std::cout << '\n';
        text.remove_prefix(end + 1);
    }
}

int RunFeed(const std::vector<std::string>& args) {
    bool summary = false;
    bool display = false;
    std::string path;
    for (const auto& arg : args) {
        if (arg == "--summary") {
            summary = true;
        } else if (arg == "--display") {
            display = true;
        } else if (path.empty() && !arg.starts_with("--")) {
            path = arg;
        } else {
            return UsageError("feed");
        }
    }
    if (path.empty() || (summary && display)) return UsageError("feed");

    const bool readable = Readable(path);
    CRssFile feed;
    const int result = feed.ReadRss(path);
    if (!readable) return kExitUnreadable;

    Json json;
    json["result"] = result;
    json["format"] = feed.m_nFormat;
    const Texts texts{display};
    json["title"] = texts.Title(feed.m_strTitle, feed.m_nTitleKind);
    if (summary) {
        json["items"] = feed.GetSize();
        PrintJson(json);
        return kExitOk;
    }
    json["link"] = Out(display ? DisplayLinkOf(feed) : feed.m_strLink);
    const Text feedLink = DisplayLinkOf(feed);
    json["description"] = texts.Html(feed.m_strDescription, feed.m_strDescriptionHtml,
                                     feed.m_nDescriptionKind, feedLink);
    json["author"] = texts.Plain(feed.m_strAuthor);
    json["id"] = texts.Plain(feed.m_strId);
    // Folder and file names are file-system paths already, not code page 932 text.
    json["folder"] = feed.m_strFolder;
    json["rssFileName"] = feed.m_strRssFileName;
    json["atomFileName"] = feed.m_strAtomFileName;
    // The articles are printed one by one as they are made, exactly as the whole document would
    // print: a feed of many small articles would otherwise be held a second time as JSON, several
    // times its size.
    std::string head = json.dump(2, ' ', false, Json::error_handler_t::replace);
    head.resize(head.size() - 2);  // the closing "\n}"
    std::cout << head << ",\n  \"items\": [";
    for (int i = 0; i < feed.GetSize(); ++i) {
        const CRssItem& item = *feed.GetAt(i);
        Json entry;
        const Text base = ContentBaseOf(feed, item);
        entry["title"] = texts.Title(item.m_strTitle, item.m_nTitleKind);
        entry["link"] = Out(display ? DisplayLinkOf(feed, item) : item.m_strLink);
        entry["description"] = texts.Html(item.m_strDescription, item.DescriptionHtml(),
                                          item.m_nDescriptionKind, base);
        entry["category"] = texts.Plain(item.m_strCategory);
        entry["content"] =
            texts.Html(item.m_strContent, item.ContentHtml(), item.m_nContentKind, base);
        entry["updated"] = item.m_timeUpdated;
        entry["published"] = item.m_timePublished;
        const auto links = [&](const std::vector<MediaLink>& list) {
            Json out = Json::array();
            for (const MediaLink& link : list) {
                out.push_back({{"url", Out(display ? DisplayLinkOf(feed, link) : link.url)},
                               {"type", Out(link.type)},
                               {"length", link.length}});
            }
            return out;
        };
        entry["enclosures"] = links(item.Enclosures());
        entry["media"] = links(item.Media());
        std::cout << (i == 0 ? "\n" : ",\n");
        PrintIndented(entry.dump(2, ' ', false, Json::error_handler_t::replace));
    }
    std::cout << (feed.GetSize() == 0 ? "]\n}\n" : "\n  ]\n}\n");
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "feed",
    "  varlo-cli feed [--summary] FILE  read a feed file (RSS, RDF, Atom) and print "
    "it as JSON\n"
    "  varlo-cli feed --display FILE    the same, every text as the window shows it\n",
    RunFeed);

}  // namespace varlo::cli

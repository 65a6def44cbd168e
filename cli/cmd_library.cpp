// varlo-cli articles, search and mark: the reading library without a window.

#include <cstdio>
#include <iostream>
#include <map>

#include "cli/command.h"
#include "cli/feed_list.h"
#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "store/library.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

// A count given on the command line: 1 or more, at most nine digits.
bool ParseLimit(const std::string& value, int64_t* limit) {
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *limit = std::stoll(value);
    return *limit > 0;
}

// The subscription file's site titles by feed address.
bool ReadTitles(const std::string& path, std::map<Text, Text>* titles) {
    std::vector<std::pair<Text, Text>> sites;
    if (!ReadFeedTitles(path, &sites)) return false;
    for (auto& [url, title] : sites) titles->emplace(std::move(url), std::move(title));
    return true;
}

Json ArticleLine(const LibraryRow& row, const std::map<Text, Text>& titles) {
    const auto title = titles.find(row.feedUrl);
    return Json{{"key", row.key},
                {"xmlUrl", Out(row.feedUrl)},
                {"site", title == titles.end() ? std::string() : Out(title->second)},
                {"title", row.title},
                {"link", row.link},
                {"date", row.date > 0 ? Json(row.date) : Json()},
                {"read", row.read},
                {"starred", row.starred}};
}

// Prints the rows of `ids` that pass `keep`, at most `limit` (0: all), reading them in pages.
template <typename Keep>
void PrintArticles(CLibrary& library, const std::vector<int64_t>& ids, int64_t limit,
                   const std::map<Text, Text>& titles, Keep keep) {
    constexpr size_t kPage = 500;
    int64_t printed = 0;
    for (size_t at = 0; at < ids.size(); at += kPage) {
        const std::vector<int64_t> page(ids.begin() + at,
                                        ids.begin() + std::min(ids.size(), at + kPage));
        for (const LibraryRow& row : library.Rows(page)) {
            if (!keep(row)) continue;
            PrintLine(ArticleLine(row, titles));
            if (limit > 0 && ++printed >= limit) return;
        }
    }
}

int RunArticles(const std::vector<std::string>& args) {
    std::string path;
    bool unread = false;
    bool starred = false;
    bool hasSite = false;
    Text site;
    int64_t limit = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--unread") {
            unread = true;
        } else if (args[i] == "--starred") {
            starred = true;
        } else if (args[i] == "--site" && i + 1 < args.size()) {
            hasSite = true;
            site = Utf8TextToCp932(args[++i]);
        } else if (args[i] == "--limit" && i + 1 < args.size()) {
            if (!ParseLimit(args[++i], &limit)) return UsageError("articles");
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("articles");
        }
    }
    if (path.empty()) return UsageError("articles");
    std::map<Text, Text> titles;
    if (!ReadTitles(path, &titles)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    CLibrary library(store);
    // The narrowest view the store keeps in order; the other conditions filter it.
    const LibraryView view = hasSite   ? LibraryView::Site(site)
                             : starred ? LibraryView::Starred()
                             : unread  ? LibraryView::Unread()
                                       : LibraryView::All();
    PrintArticles(library, library.Ids(view), limit, titles, [&](const LibraryRow& row) {
        return (!unread || !row.read) && (!starred || row.starred);
    });
    return kExitOk;
}

int RunSearch(const std::vector<std::string>& args) {
    std::string path;
    std::string words;
    int64_t limit = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--limit" && i + 1 < args.size()) {
            if (!ParseLimit(args[++i], &limit)) return UsageError("search");
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else if (!path.empty()) {
            // Words are text, "--" included, once the file is named.
            if (!words.empty()) words += ' ';
            words += args[i];
        } else {
            return UsageError("search");
        }
    }
    if (path.empty() || words.empty()) return UsageError("search");
    std::map<Text, Text> titles;
    if (!ReadTitles(path, &titles)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    CLibrary library(store);
    PrintArticles(library, library.Search(words, limit), limit, titles,
                  [](const LibraryRow&) { return true; });
    return kExitOk;
}

int RunMark(const std::vector<std::string>& args) {
    std::string path;
    std::string mark;
    bool all = false;
    std::vector<std::string> keys;
    for (const std::string& arg : args) {
        if (arg == "--read" || arg == "--unread" || arg == "--star" || arg == "--unstar") {
            if (!mark.empty()) return UsageError("mark");
            mark = arg;
        } else if (arg == "--all") {
            all = true;
        } else if (path.empty() && !arg.starts_with("--")) {
            path = arg;
        } else if (!arg.starts_with("--")) {
            keys.push_back(arg);
        } else {
            return UsageError("mark");
        }
    }
    if (path.empty() || mark.empty() || (all ? mark != "--read" || !keys.empty() : keys.empty())) {
        return UsageError("mark");
    }
    std::map<Text, Text> titles;
    if (!ReadTitles(path, &titles)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    CLibrary library(store);
    if (all) {
        const int64_t unread = library.UnreadTotal();
        if (!library.MarkAllRead()) {
            std::fprintf(stderr, "%s\n", Out(Jp("既読の記録に書き込めませんでした")).c_str());
            return kExitUnreadable;
        }
        PrintLine(Json{{"all", true}, {"marked", unread}});
        return kExitOk;
    }
    for (const std::string& key : keys) {
        const int found = mark == "--read"     ? library.SetReadByKey(key, true)
                          : mark == "--unread" ? library.SetReadByKey(key, false)
                          : mark == "--star"   ? library.SetStarredByKey(key, true)
                                               : library.SetStarredByKey(key, false);
        if (found < 0) {
            std::fprintf(stderr, "%s\n", Out(Jp("既読の記録に書き込めませんでした")).c_str());
            return kExitUnreadable;
        }
        PrintLine(Json{{"key", key}, {"found", found}});
    }
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "articles",
    "  varlo-cli articles OPML [--unread] [--starred] [--site XMLURL] [--limit N]\n"
    "                                                     the stored articles, newest first; one\n"
    "                                                     JSON line per article\n",
    RunArticles);

VARLO_CLI_COMMAND(
    "search",
    "  varlo-cli search OPML WORDS... [--limit N]         the stored articles holding every word\n"
    "                                                     (a phrase in double quotes), newest\n"
    "                                                     first; one JSON line per article\n",
    RunSearch);

VARLO_CLI_COMMAND(
    "mark",
    "  varlo-cli mark OPML (--read|--unread|--star|--unstar) KEY...\n"
    "  varlo-cli mark OPML --read --all                   marks the articles of those keys (in\n"
    "                                                     every site), or every article read\n",
    RunMark);

}  // namespace varlo::cli

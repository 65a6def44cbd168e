// varlo-cli update and new: update every site of a subscription file into the store, and show
// what the user has not seen yet.

#include <cstdio>
#include <ctime>
#include <iostream>

#include "cli/command.h"
#include "cli/feed_list.h"
#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "store/store_paths.h"
#include "update/update_run.h"
#include "update/whole_articles.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* StatusName(SiteStatus status) {
    switch (status) {
        case SiteStatus::kNew:
            return "new";
        case SiteStatus::kUnchanged:
            return "unchanged";
        case SiteStatus::kWaiting:
            return "waiting";
        case SiteStatus::kFresh:
            return "fresh";
        case SiteStatus::kGone:
            return "gone";
        default:
            return "failed";
    }
}

int RunUpdate(const std::vector<std::string>& args) {
    std::string path;
    UpdateOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--jobs" && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (value.empty() || value.size() > 4 ||
                value.find_first_not_of("0123456789") != std::string::npos) {
                return UsageError("update");
            }
            options.jobs = std::stoi(value);
            if (options.jobs < 1) return UsageError("update");
        } else if (args[i] == "--auto") {
            options.automatic = true;
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("update");
        }
    }
    if (path.empty()) return UsageError("update");
    std::vector<Text> urls;
    if (!ReadFeedAddresses(path, &urls)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    const CFeedCache cache(FeedCacheFolder());

    const int64_t mark = CLibrary(store).LastArticleId();
    CUpdateRun run(store, cache, urls, options);
    // Lines come in file order, each as soon as every site before it has ended.
    size_t printed = 0;
    auto printReady = [&] {
        const std::vector<SiteResult> results = run.Results();
        for (; printed < results.size() && results[printed].status != SiteStatus::kPending;
             ++printed) {
            const SiteResult& r = results[printed];
            Json line{{"xmlUrl", Out(r.xmlUrl)},
                      {"status", StatusName(r.status)},
                      {"new", r.newArticles},
                      {"message", Out(r.message)}};
            if (r.status == SiteStatus::kWaiting) line["until"] = r.until;
            PrintLine(line);
        }
    };
    while (run.Step(200)) printReady();
    printReady();
    if (const Text notice = run.Notice(); !notice.empty()) ShowMessageBox(notice, kMbOk);
    // The sites that ask for every new article's whole text get it before the run counts as done.
    int wholeArticles = 0;
    if (std::unique_ptr<CWholeArticles> fetch = WholeArticlesAfter(store, mark)) {
        wholeArticles = KeepWholeArticles(store, fetch->Run());
    }
    PrintLine(Json{{"sites", urls.size()},
                   {"new", run.SitesWithNew()},
                   {"failed", run.SitesFailed()},
                   {"waiting", run.SitesWith(SiteStatus::kWaiting)},
                   {"fresh", run.SitesWith(SiteStatus::kFresh)},
                   {"gone", run.SitesWith(SiteStatus::kGone)},
                   {"wholeArticles", wholeArticles}});
    for (const Text& gone : store.Prune(static_cast<int64_t>(std::time(nullptr)))) {
        cache.Remove(gone);
    }
    // The articles of forgotten sites give their pages back now rather than at the next update.
    CLibrary(store).GiveBackFreePages();
    return kExitOk;
}

int RunNew(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--")) return UsageError("new");
    std::vector<Text> urls;
    if (!ReadFeedAddresses(args[0], &urls)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    for (const Text& url : urls) {
        const int unseen = store.UnseenCount(url);
        PrintLine(Json{{"xmlUrl", Out(url)}, {"unseen", unseen < 0 ? Json() : Json(unseen)}});
    }
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "update",
    "  varlo-cli update OPML [--jobs N] [--auto]          update every site of the file into the\n"
    "                                                     store; one JSON line per site, then a\n"
    "                                                     summary line; --auto skips the feeds\n"
    "                                                     still fresh, as the automatic update\n",
    RunUpdate);

VARLO_CLI_COMMAND(
    "new",
    "  varlo-cli new OPML                                 per site, the articles not seen yet\n",
    RunNew);

}  // namespace varlo::cli

#pragma once
// Whole articles fetched from the articles' pages: one on the user's click, or every new article
// of the sites that ask for it after an update or a sync, a few pages at a time per host.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "fetch/site_request.h"
#include "fulltext/article_extractor.h"
#include "platform/text.h"
#include "store/library.h"

namespace varlo {

class CRelayedProgress;

struct WholeArticleFetch {
    ExtractedArticle article;
    Text failure;  // why there is none, for the status bar; empty on success and on a cancel
    bool cancelled = false;
};

// Fetches the page at `link` (UTF-8) as `request` asks and reads its article. Shows no message:
// what goes wrong is in `failure`. `progress` (may be null) can cancel it from another thread.
WholeArticleFetch FetchWholeArticle(const std::string& link, const SiteRequest& request,
                                    CRelayedProgress* progress);

// The whole articles of the `wanted` articles of the sites that fetch them for every new article.
// Nobody clicked these links: a page is fetched only from a public address, unless its site's feed
// is itself served from the user's own machine or network.
class CWholeArticles {
  public:
    // The most pages fetched at once per host, and in all.
    static constexpr size_t kPerHost = 2;
    static constexpr size_t kThreads = 4;

    // `request` gives each site's request (its User-Agent and proxy; never its credentials, which
    // are for its feed).
    CWholeArticles(std::vector<CLibrary::FullTextWanted> wanted,
                   std::function<SiteRequest(const Text& feedUrl)> request);

    // Fetches them on threads of its own and returns the articles found, by id, once every fetch
    // ended or Cancel was called.
    std::vector<std::pair<int64_t, std::string>> Run();
    // Ends the fetches under way soon and starts no more (any thread).
    void Cancel();
    size_t Total() const { return m_wanted.size(); }
    size_t Finished() const { return m_finished; }

  private:
    // The next article whose host has a free slot; false when none is left or cancelled. Waits
    // while every remaining article's host is busy.
    bool Take(size_t& index, std::string& host);
    void Release(const std::string& host);
    void Work();

    std::vector<CLibrary::FullTextWanted> m_wanted;
    std::vector<std::string> m_hosts;  // of each wanted article's link
    std::function<SiteRequest(const Text& feedUrl)> m_request;
    std::vector<bool> m_taken;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<std::pair<std::string, size_t>> m_busy;  // host, fetches running
    std::vector<std::shared_ptr<CRelayedProgress>> m_running;
    std::vector<std::pair<int64_t, std::string>> m_found;
    std::atomic<size_t> m_finished{0};
    bool m_cancelled = false;
};

// The whole articles to fetch for the articles stored after `afterId` (at most `limit`), each
// site's request read from `store` now, so that the fetches need no connection of their own.
// Null when none is wanted.
std::unique_ptr<CWholeArticles> WholeArticlesAfter(CFeedStore& store, int64_t afterId,
                                                   int64_t limit = 1000);
// Keeps the whole articles `found` in the library of `store`; how many were kept.
int KeepWholeArticles(CFeedStore& store, const std::vector<std::pair<int64_t, std::string>>& found);

}  // namespace varlo

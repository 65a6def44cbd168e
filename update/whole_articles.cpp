#include "update/whole_articles.h"

#include <curl/curl.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "fetch/address_kind.h"
#include "fetch/http_download.h"
#include "fetch/relayed_progress.h"
#include "fetch/text_file.h"
#include "fulltext/page_tree.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "store/site_settings.h"
#include "update/site_access.h"

namespace varlo {
namespace {

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// The host of `link`, in lower case; empty when it has none.
std::string HostOf(const std::string& link) {
    std::unique_ptr<CURLU, UrlFree> url(curl_url());
    char* host = nullptr;
    if (!url || curl_url_set(url.get(), CURLUPART_URL, link.c_str(), 0) != CURLUE_OK ||
        curl_url_get(url.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || host == nullptr) {
        return {};
    }
    std::string lower = AsciiLowerCopy(host);
    curl_free(host);
    return lower;
}

}  // namespace

WholeArticleFetch FetchWholeArticle(const std::string& link, const SiteRequest& request,
                                    CRelayedProgress* progress) {
    WholeArticleFetch result;
    // Nothing here may show a message: what goes wrong is said where the caller says it.
    MessageBoxHandler previous = SetMessageBoxHandler([&result](const Text& text, unsigned) {
        if (result.failure.empty()) result.failure = text;
        return static_cast<int>(kIdOk);
    });
    CHttpDownload download(Utf8TextToCp932(link));
    download.KeepFailureUnshown();
    download.SetSiteRequest(request);
    if (progress) download.SetProgress(progress);
    download.SetSizeCap(kMaxPageBytes, Jp("ページが大きすぎます"));
    const std::string path = download.Download(GetProgramFolder(), false, nullptr);
    result.cancelled = download.Cancelled();
    if (path.empty()) {
        if (download.RefusedAddress()) {
            result.failure = Jp("ページはこのコンピューターかその内側のネットワークにあります");
        } else if (!download.Failure().empty()) {
            result.failure = download.Failure();
        }
    } else {
        CTextFile page;
        if (page.Load(path)) {
            std::string utf8 = Cp932ToUtf8(page.m_strText);
            page.m_strText = Text();  // the page is held once, not twice, while it is read
            result.article = ExtractArticleTakingPage(std::move(utf8), link);
            if (!result.article.Found()) result.failure = Jp(result.article.failure);
        }
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    SetMessageBoxHandler(std::move(previous));
    if (!result.cancelled && !result.article.Found() && result.failure.empty()) {
        result.failure = Jp("ページを読めませんでした");
    }
    return result;
}

std::unique_ptr<CWholeArticles> WholeArticlesAfter(CFeedStore& store, int64_t afterId,
                                                   int64_t limit) {
    std::vector<CLibrary::FullTextWanted> wanted = CLibrary(store).FullTextsWanted(afterId, limit);
    if (wanted.empty()) return nullptr;
    std::map<Text, SiteRequest> requests;
    for (const CLibrary::FullTextWanted& article : wanted) {
        if (requests.contains(article.feedUrl)) continue;
        SiteSettings settings = LoadSiteSettings(store, article.feedUrl);
        settings.user.clear();  // the feed's credentials are not looked up: no page gets them
        requests.emplace(article.feedUrl, SiteRequestFor(article.feedUrl, settings));
    }
    return std::make_unique<CWholeArticles>(
        std::move(wanted), [requests = std::move(requests)](const Text& feedUrl) {
            const auto found = requests.find(feedUrl);
            return found != requests.end() ? found->second : SiteRequest();
        });
}

int KeepWholeArticles(CFeedStore& store,
                      const std::vector<std::pair<int64_t, std::string>>& found) {
    CLibrary library(store);
    int kept = 0;
    for (const auto& [id, html] : found) kept += library.SetFullText(id, html) ? 1 : 0;
    return kept;
}

CWholeArticles::CWholeArticles(std::vector<CLibrary::FullTextWanted> wanted,
                               std::function<SiteRequest(const Text& feedUrl)> request)
    : m_wanted(std::move(wanted)), m_request(std::move(request)), m_taken(m_wanted.size()) {
    m_hosts.reserve(m_wanted.size());
    for (const CLibrary::FullTextWanted& article : m_wanted)
        m_hosts.push_back(HostOf(article.link));
}

std::vector<std::pair<int64_t, std::string>> CWholeArticles::Run() {
    std::vector<std::thread> threads;
    const size_t count = std::min(kThreads, m_wanted.size());
    for (size_t i = 0; i < count; ++i) threads.emplace_back([this] { Work(); });
    for (std::thread& thread : threads) thread.join();
    std::lock_guard lock(m_mutex);
    return std::move(m_found);
}

void CWholeArticles::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    for (const auto& progress : m_running) progress->CancelFromAfar();
    m_freed.notify_all();
}

bool CWholeArticles::Take(size_t& index, std::string& host) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_cancelled) return false;
        bool left = false;
        for (size_t i = 0; i < m_wanted.size(); ++i) {
            if (m_taken[i]) continue;
            left = true;
            auto busy = std::find_if(m_busy.begin(), m_busy.end(),
                                     [&](const auto& entry) { return entry.first == m_hosts[i]; });
            if (busy != m_busy.end() && busy->second >= kPerHost) continue;
            if (busy == m_busy.end()) busy = m_busy.insert(m_busy.end(), {m_hosts[i], 0});
            ++busy->second;
            m_taken[i] = true;
            index = i;
            host = m_hosts[i];
            return true;
        }
        if (!left) return false;
        m_freed.wait(lock);
    }
}

void CWholeArticles::Release(const std::string& host) {
    std::lock_guard lock(m_mutex);
    auto busy = std::find_if(m_busy.begin(), m_busy.end(),
                             [&](const auto& entry) { return entry.first == host; });
    if (busy != m_busy.end() && --busy->second == 0) m_busy.erase(busy);
    m_freed.notify_all();
}

void CWholeArticles::Work() {
    size_t index = 0;
    std::string host;
    while (Take(index, host)) {
        const CLibrary::FullTextWanted& wanted = m_wanted[index];
        SiteRequest request = m_request ? m_request(wanted.feedUrl) : SiteRequest();
        // The credentials are the feed's: an article's page, often on another host, never gets
        // them.
        request.user.clear();
        request.password.clear();
        request.publicOnly = !IsNonPublicHostOf(wanted.feedUrl);
        auto progress = std::make_shared<CRelayedProgress>();
        bool go = false;
        {
            std::lock_guard lock(m_mutex);
            go = !m_cancelled;
            if (go) m_running.push_back(progress);
        }
        WholeArticleFetch fetched;
        if (go) fetched = FetchWholeArticle(wanted.link, request, progress.get());
        {
            std::lock_guard lock(m_mutex);
            std::erase(m_running, progress);
            if (fetched.article.Found())
                m_found.emplace_back(wanted.id, std::move(fetched.article.html));
        }
        ++m_finished;
        Release(host);
    }
}

}  // namespace varlo

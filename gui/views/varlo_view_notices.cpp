// What the site list tells the desktop: the new unread articles of an update, and the row a
// notification leads back to.

#include "gui/views/varlo_view.h"

#include <algorithm>

#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "store/site_settings.h"

namespace varlo {

std::vector<NoticeArticle> CVarloView::NoticeArticles(const std::vector<int64_t>& ids) {
    std::vector<NoticeArticle> articles;
    const std::map<Text, wxString> titles = SiteTitles();
    for (const LibraryRow& row : FeedMarks().Library().Rows(ids)) {
        auto title = titles.find(row.feedUrl);
        articles.push_back(
            {row.title, title != titles.end() ? std::string(title->second.utf8_str()) : ""});
    }
    return articles;
}

std::pair<int64_t, std::vector<NoticeArticle>> CVarloView::NewUnreadAfter(int64_t afterId) {
    int64_t count = 0;
    CLibrary& library = FeedMarks().Library();
    const std::shared_ptr<const std::vector<Text>> sites = SitesOfFile();
    if (!sites) return {0, {}};
    // Sites whose user asked not to be told of their news.
    std::vector<Text> quiet;
    for (const auto& [url, settings] : LoadAllSiteSettings(FeedMarks().Store())) {
        if (!settings.notify) quiet.push_back(url);
    }
    std::vector<int64_t> newest;
    for (const auto& [id, url] : library.UnreadAfter(afterId)) {
        // Other files' sites are stored too, but not this file's news.
        if (!std::binary_search(sites->begin(), sites->end(), url)) continue;
        if (std::find(quiet.begin(), quiet.end(), url) != quiet.end()) continue;
        ++count;
        if (newest.size() < kNoticeTitles) newest.push_back(id);
    }
    return {count, NoticeArticles(newest)};
}

std::vector<NewArticlesNotice> CVarloView::RuleNoticesAfter(int64_t afterId) {
    std::vector<NewArticlesNotice> notices;
    const std::shared_ptr<const std::vector<Text>> sites = SitesOfFile();
    if (!sites) return notices;
    CLibrary& library = FeedMarks().Library();
    for (CLibrary::RuleMatches& matches : library.RuleMatchesAfter(afterId, kNoticeTitles)) {
        // Matches of sites not in the open file are not this file's news.
        std::vector<int64_t> ids;
        for (const LibraryRow& row : library.Rows(matches.newest)) {
            if (std::binary_search(sites->begin(), sites->end(), row.feedUrl))
                ids.push_back(row.id);
        }
        if (ids.empty()) continue;
        notices.push_back(MakeRuleNotice(matches.rule, matches.count, NoticeArticles(ids)));
    }
    return notices;
}

void CVarloView::ChooseUnreadRow() {
    if (!m_listCtrl || IsBusy()) return;
    for (int row = 0; row < LibraryRowCount(); ++row) {
        if (m_libraryRows[static_cast<size_t>(row)].view.kind == LibraryView::Kind::kUnread) {
            m_listCtrl->SelectItem(row);
            m_listCtrl->EnsureVisible(row);
            return;
        }
    }
}

}  // namespace varlo

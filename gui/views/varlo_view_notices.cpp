// What the site list tells the desktop: the new unread articles of an update, and the row a
// notification leads back to.

#include "gui/views/varlo_view.h"

#include <algorithm>

#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"

namespace varlo {

std::pair<int64_t, std::vector<NoticeArticle>> CVarloView::NewUnreadAfter(int64_t afterId) {
    std::pair<int64_t, std::vector<NoticeArticle>> found{0, {}};
    CLibrary& library = FeedMarks().Library();
    const std::shared_ptr<const std::vector<Text>> sites = SitesOfFile();
    std::vector<int64_t> newest;
    for (const auto& [id, url] : library.UnreadAfter(afterId)) {
        // Other files' sites are stored too, but not this file's news.
        if (!sites || !std::binary_search(sites->begin(), sites->end(), url)) continue;
        ++found.first;
        if (newest.size() < kNoticeTitles) newest.push_back(id);
    }
    const std::map<Text, wxString> titles = SiteTitles();
    for (const LibraryRow& row : library.Rows(newest)) {
        auto title = titles.find(row.feedUrl);
        found.second.push_back(
            {row.title, title != titles.end() ? std::string(title->second.utf8_str()) : ""});
    }
    return found;
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

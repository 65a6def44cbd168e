// The site list's part in the reading library: the rows of its views above the subscriptions,
// the marks of articles, the search, and reading on from one unread article to the next.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "encoding/carried_reference.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/page_scroll.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/page_fill.h"
#include "gui/views/unshown_page.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "store/feed_store.h"
#include "store/site_settings.h"
#include "store/worker_store.h"
#include "update/stored_feed.h"

namespace varlo {

std::map<Text, wxString> CVarloView::SiteTitles() const {
    std::map<Text, wxString> titles;
    if (CVarloDoc* doc = Doc()) {
        for (int i = 0; i < doc->m_opmlFile.GetCount(); ++i) {
            const COpmlItem* entry = doc->m_opmlFile.GetAt(i);
            titles.emplace(entry->m_strXmlUrl, ToWx(entry->m_strTitle));
        }
    }
    return titles;
}

std::shared_ptr<const std::vector<Text>> CVarloView::SitesOfFile() {
    std::vector<Text> urls;
    if (CVarloDoc* doc = Doc()) {
        for (int i = 0; i < doc->m_opmlFile.GetCount(); ++i) {
            const Text& url = doc->m_opmlFile.GetAt(i)->m_strXmlUrl;
            if (!url.empty()) urls.push_back(url);
        }
    }
    std::sort(urls.begin(), urls.end());
    urls.erase(std::unique(urls.begin(), urls.end()), urls.end());
    // A store's connection fills its table of sites once per object: a list that did not change
    // keeps its object.
    if (!m_sitesOfFile || *m_sitesOfFile != urls) {
        m_sitesOfFile = std::make_shared<const std::vector<Text>>(std::move(urls));
    }
    return m_sitesOfFile;
}

void CVarloView::ChooseLibraryRow(int index, int select) {
    if (index < 0 || index >= LibraryRowCount()) return;
    // A result of an earlier choice still being read is not shown from now on.
    const uint64_t generation = ++m_generation;
    m_chosenLibrary = index;
    m_chosenSite.clear();
    const LibraryView view = m_libraryRows[static_cast<size_t>(index)].view.Within(SitesOfFile());
    const std::string path = FeedMarks().Store().Path();
    ++m_readingView;
    // A view may hold a million articles and a search reads the index: a worker reads the ids;
    // the list then asks for the rows it shows.
    RunOffWindow(
        this, OnWorkers{},
        [path, view] {
            std::vector<int64_t> ids;
            if (CFeedStore* store = WorkerStore(path)) ids = CLibrary(*store).Ids(view);
            return ids;
        },
        [generation, index, select](CVarloView& self, std::vector<int64_t> ids) {
            --self.m_readingView;
            if (generation != self.m_generation || !self.m_listCtrl) return;
            const auto count = static_cast<int64_t>(ids.size());
            if (index < self.LibraryRowCount()) {
                LibraryRowEntry& entry = self.m_libraryRows[static_cast<size_t>(index)];
                // The search row counts what the search found.
                if (entry.view.kind == LibraryView::Kind::kSearch && entry.count != count) {
                    entry.count = count;
                    self.m_listCtrl->RefreshItem(index);
                }
            }
            if (self.m_articles) {
                self.m_articles->ShowLibrary(std::move(ids), self.SiteTitles(), select);
                if (select >= 0) self.OnArticleChosen(select);
            }
        });
    if (m_browser) m_browser->Navigate("about:blank");
}

namespace {

// The stored articles as a feed, and the first part of its page, until shown or given up.
struct Stored {
    std::vector<LibraryRow> rows;
    std::shared_ptr<const CRssFile> feed;
    CUnshownPage page;
    bool written = false;
    std::vector<PageFill::Piece> pieces;
};

}  // namespace

void CVarloView::ShowStoredArticles(uint64_t generation, const Text& url) {
    const std::string path = FeedMarks().Store().Path();
    const PreviewOptions options = Options();
    Text title;
    if (const int site = SelectedSite(); site >= 0 && Doc()) {
        title = Doc()->m_opmlFile.GetAt(site)->m_strTitle;
    }
    ++m_reading;
    ++m_unshown;
    RunOffWindow(
        this, OnWorkers{},
        [path, url, title, options, generation] {
            Stored stored;
            if (CFeedStore* store = WorkerStore(path)) {
                stored.rows = CLibrary(*store).SiteArticles(url);
            }
            auto made = std::make_shared<CRssFile>(StoredFeed(stored.rows, title));
            made->m_strAddress = url;
            stored.feed = std::move(made);
            const CRssFile& feed = *stored.feed;
            stored.page =
                CUnshownPage(GetPreviewPath() + "." + std::to_string(generation) + ".stored");
            // A site of thousands of stored articles shows its first at once, as a feed does.
            const std::string token = "s" + std::to_string(generation);
            const int count = stored.rows.empty()
                                  ? -1
                                  : WritePreviewStart(stored.page.Path(), feed, options,
                                                      PageFill::kFirstBytes, token);
            stored.written = count >= 0;
            if (stored.written && count < feed.GetSize()) {
                stored.pieces = PageFill::PiecesOf(feed, options, count, GetPreviewPath(), token);
            }
            return stored;
        },
        [generation](CVarloView& self, Stored stored) {
            --self.m_reading;
            --self.m_unshown;
            CVarloDoc* doc = self.Doc();
            if (generation != self.m_generation || !doc || stored.rows.empty() || !stored.written) {
                return;
            }
            std::vector<bool> unread;  // of the rows: shown in bold, and marked unread
            for (const LibraryRow& row : stored.rows) unread.push_back(!row.read);
            if (self.m_articles) {
                self.m_articles->SetFeedReadMarks(unread);
                self.m_articles->SetUnseenRows(std::move(unread));
            }
            ReleaseInBackground(doc->SetFeed(stored.feed));
            self.ShowFeedRead();
            const std::string preview = GetPreviewPath();
            if (!stored.page.MoveTo(preview)) {
                WritePreviewPage(preview, doc->Feed(), self.Options());
                stored.pieces.clear();
            }
            if (self.m_browser) {
                self.m_browser->StopFilling();
                self.m_browser->Navigate(preview);
                if (!stored.pieces.empty()) {
                    const std::string token = "s" + std::to_string(generation);
                    self.m_browser->FillPage(preview, token, std::move(stored.pieces),
                                             doc->Feed().GetSize());
                }
            }
            self.ShowStatus(Wx("保存済みの記事を表示しています"));
        });
}

void CVarloView::ShowSearch(const wxString& words) {
    CVarloDoc* doc = Doc();
    if (!doc || !m_listCtrl || IsBusy()) return;
    const std::string utf8(words.utf8_str());
    // One search row: a new search replaces the words of the last one.
    int index = -1;
    for (int i = 0; i < LibraryRowCount(); ++i) {
        if (m_libraryRows[static_cast<size_t>(i)].view.kind == LibraryView::Kind::kSearch)
            index = i;
    }
    if (index < 0) {
        m_libraryRows.push_back({LibraryView::Search(utf8), 0});
        index = LibraryRowCount() - 1;
        m_listCtrl->SetRowCount(LibraryRowCount() + doc->m_opmlFile.GetCount());
    } else {
        m_libraryRows[static_cast<size_t>(index)] = {LibraryView::Search(utf8), 0};
    }
    m_selecting = true;
    m_listCtrl->SelectItem(index);
    m_selecting = false;
    m_listCtrl->EnsureVisible(index);
    m_listCtrl->RefreshItem(index);
    m_listCtrl->AutoSizeColumns(0);
    ChooseLibraryRow(index, -1);
}

void CVarloView::ShowLibraryArticle(int row, bool markRead) {
    const LibraryRow* listed = m_articles ? m_articles->LibraryRowAt(row) : nullptr;
    if (!listed) return;
    CLibrary& library = FeedMarks().Library();
    std::optional<LibraryRow> article = library.Article(listed->id);
    if (!article) return;
    // The article alone, on the page a feed gets: the same style, sanitizer and policy.
    auto titles = SiteTitles();
    auto site = titles.find(article->feedUrl);
    const Text siteTitle = site != titles.end() ? FromWx(site->second) : article->feedUrl;
    const CRssFile page = StoredFeed({*article}, siteTitle);
    const std::string preview = GetPreviewPath();
    if (WritePreviewPage(preview, page, Options()) && m_browser) m_browser->Navigate(preview);
    if (markRead && !article->read) {
        const int64_t id = article->id;
        MarkOffTheWindow([id](CLibrary& writer, CFeedStore&) { writer.SetRead(id, true); });
    }
}

void CVarloView::OnArticleChosen(int row) {
    if (!m_articles) return;
    // A site may ask for the article's own web page, or its whole article, instead of the
    // feed's text.
    const LibraryRow* listed = m_articles->IsLibrary() ? m_articles->LibraryRowAt(row) : nullptr;
    const Text site =
        m_articles->IsLibrary() ? (listed ? listed->feedUrl : Text()) : m_strFeedAddress;
    const ArticleDisplay display = site.empty()
                                       ? ArticleDisplay::kFeedText
                                       : LoadSiteSettings(FeedMarks().Store(), site).display;
    if (display == ArticleDisplay::kWebPage) {
        OnArticleOpened(row);
        if (listed && !listed->read) {
            MarkOffTheWindow(
                [id = listed->id](CLibrary& writer, CFeedStore&) { writer.SetRead(id, true); });
        }
        return;
    }
    if (m_articles->IsLibrary()) {
        ShowLibraryArticle(row, true);
    } else if (CVarloDoc* doc = Doc(); m_browser && doc && row < doc->Feed().GetSize()) {
        // A site's feed: its page holds every article; the page moves to the one chosen.
        m_browser->ShowLocalPage(GetPreviewPath(), PreviewAnchor(row));
    }
    // The feed's text shows while the whole article is fetched; a kept one shows at once.
    if (display == ArticleDisplay::kWholeArticle) OnShowFullText();
}

void CVarloView::OnArticleOpened(int row) {
    if (!m_articles || !m_browser) return;
    Text link;
    if (m_articles->IsLibrary()) {
        if (const LibraryRow* stored = m_articles->LibraryRowAt(row)) {
            link = Utf8TextToCp932(stored->link);
        }
    } else if (CVarloDoc* doc = Doc()) {
        if (const CRssItem* item = doc->Feed().GetAt(row)) link = item->m_strLink;
    }
    // The browser pane's rules decide what it may load.
    if (!link.empty()) m_browser->Navigate(link);
}

void CVarloView::MarksChanged() {
    RefreshMarks();
    if (m_articles) m_articles->MarksChanged();
    // A sync account hears of the user's marks soon after.
    if (m_afterMark) m_afterMark();
}

void CVarloView::OnToggleRead() {
    if (!m_articles || !m_articles->GetList()) return;
    const int row = m_articles->GetList()->GetSelectedItem();
    if (row < 0) return;
    if (m_articles->IsLibrary()) {
        if (const LibraryRow* stored = m_articles->LibraryRowAt(row)) {
            const int64_t id = stored->id;
            const bool read = !stored->read;
            MarkOffTheWindow(
                [id, read](CLibrary& library, CFeedStore&) { library.SetRead(id, read); });
        }
    } else {
        const Text key = m_articles->FeedKeyAt(row);
        if (key.empty()) return;
        const bool read = !m_articles->IsFeedRowRead(row);
        // The row shows its mark at once; the counts follow when it is written.
        m_articles->SetFeedRowRead(row, read);
        const std::string libraryKey = LibraryKeyOf(key);
        MarkOffTheWindow([libraryKey, read](CLibrary& library, CFeedStore&) {
            library.SetReadByKey(libraryKey, read);
        });
    }
}

void CVarloView::OnToggleStar() {
    if (!m_articles || !m_articles->GetList()) return;
    const int row = m_articles->GetList()->GetSelectedItem();
    if (row < 0) return;
    if (m_articles->IsLibrary()) {
        if (const LibraryRow* stored = m_articles->LibraryRowAt(row)) {
            const int64_t id = stored->id;
            const bool starred = !stored->starred;
            MarkOffTheWindow(
                [id, starred](CLibrary& library, CFeedStore&) { library.SetStarred(id, starred); });
        }
    } else {
        const Text key = m_articles->FeedKeyAt(row);
        if (key.empty() || m_chosenSite.empty()) return;
        // The feed's rows carry no star: the stored article of the site says whether it has one.
        const std::string wanted = LibraryKeyOf(key);
        const std::optional<LibraryRow> stored =
            FeedMarks().Library().FindByKey(m_chosenSite, wanted);
        const bool starred = !(stored && stored->starred);
        MarkOffTheWindow([wanted, starred](CLibrary& library, CFeedStore&) {
            library.SetStarredByKey(wanted, starred);
        });
    }
}

void CVarloView::OnMarkAllRead() {
    if (!m_articles) return;
    if (m_articles->IsLibrary()) {
        if (m_chosenLibrary >= 0 && m_chosenLibrary < LibraryRowCount()) {
            MarkViewReadOffTheWindow(m_libraryRows[static_cast<size_t>(m_chosenLibrary)].view);
        }
    } else if (!m_chosenSite.empty()) {
        m_articles->SetFeedRowsRead();
        const Text site = m_chosenSite;
        MarkOffTheWindow([site](CLibrary& library, CFeedStore& store) {
            library.MarkSiteRead(site);
            store.MarkSeen(site);
        });
    }
}

bool CVarloView::GoToNextUnread() {
    CVarloDoc* doc = Doc();
    if (!doc || !m_articles || !m_articles->GetList() || !m_listCtrl || IsBusy()) return false;
    CListCtrlBox* articles = m_articles->GetList();
    const int count = articles->GetItemCount();
    const int from = articles->GetSelectedItem();
    // The next unread row of the list shown, below the chosen one.
    for (int row = from + 1; row < count; ++row) {
        if (m_articles->IsRowBold(row)) {
            m_articles->ChooseRow(row);
            return true;
        }
    }
    return !m_articles->IsLibrary() && GoToNextUnreadSite();
}

bool CVarloView::GoToNextUnreadSite() {
    CVarloDoc* doc = Doc();
    if (!doc || !m_listCtrl) return false;
    // The next site below with unread articles, chosen as a click chooses it.
    const int site = SelectedSite();
    for (int next = site + 1; next < doc->m_opmlFile.GetCount(); ++next) {
        if (UnseenOf(next) > 0) {
            const int row = RowOfSite(next);
            m_listCtrl->SelectItem(row);
            m_listCtrl->EnsureVisible(row);
            return true;
        }
    }
    return false;
}

void CVarloView::ReadOn(bool back) {
    if (!m_articles || !m_articles->GetList() || IsBusy()) return;
    wxWebView* web = m_browser ? m_browser->GetWebView() : nullptr;
    const std::string preview = GetPreviewPath();
    if (!web || preview.empty()) {
        ReadOnByRow(back);
        return;
    }
    // The page scrolls by a screenful; only at its end does the reader move on. The answer comes
    // from the engine later, when the user may have closed the window or moved elsewhere.
    const int row = m_articles->GetList()->GetSelectedItem();
    const int library = m_articles->IsLibrary() ? m_chosenLibrary : -1;
    const int site = SelectedSite();
    ScrollPageByScreen(
        web, preview, back,
        [view = WindowRef<CVarloView>(this), back, row, library, site](PageScroll outcome) {
            CVarloView* self = view.Get();
            if (self) self->ReadOnAfterScroll(outcome, back, row, library, site);
        });
}

void CVarloView::ReadOnAfterScroll(PageScroll outcome, bool back, int row, int library, int site) {
    if (IsBusy() || !m_articles || !m_articles->GetList()) return;
    const int chosen = m_articles->IsLibrary() ? m_chosenLibrary : -1;
    if (m_articles->GetList()->GetSelectedItem() != row || chosen != library ||
        SelectedSite() != site) {
        return;
    }
    if (outcome == PageScroll::kUnavailable) {
        ReadOnByRow(back);
    } else if (outcome == PageScroll::kAtEnd) {
        // A view of the library shows one article at a time: its next row; a site shows its
        // whole feed: the next site with unread articles.
        if (m_articles->IsLibrary()) {
            if (row + 1 < m_articles->GetList()->GetItemCount()) m_articles->ChooseRow(row + 1);
        } else {
            GoToNextUnreadSite();
        }
    }
}

void CVarloView::ReadOnByRow(bool back) {
    // Without the page's answer the reader moves on article by article, each choice scrolling the
    // page to the article it shows (or showing it alone in a view of the library).
    CListCtrlBox* articles = m_articles->GetList();
    const int row = articles->GetSelectedItem();
    if (back) {
        if (row > 0) m_articles->ChooseRow(row - 1);
        return;
    }
    if (row + 1 < articles->GetItemCount()) {
        m_articles->ChooseRow(row + 1);
        return;
    }
    // At the end of the list: the next unread article, in the next site that has one.
    GoToNextUnread();
}

}  // namespace varlo

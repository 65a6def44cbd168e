#pragma once
// The site list: the subscribed sites as rows, the commands that edit, move and sort them, and the
// feed update that runs when the user chooses a site.

#include <wx/docview.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "fulltext/article_extractor.h"
#include "platform/text.h"
#include "preview/preview_page.h"
#include "shell/command_rules.h"
#include "shell/new_articles_notice.h"
#include "store/library.h"
#include "update/feed_choice.h"
#include "update/whole_articles.h"

class wxListEvent;
class wxWindowDestroyEvent;

namespace varlo {

class CArticleView;
class CDownloadProgress;
class CHttpDownload;
class CRelayedProgress;
class CBrowserView;
class CListCtrlBox;
class COpmlItem;
class CVarloDoc;
enum class PageScroll;

class CVarloView : public wxView {
  public:
    // Reads the four view options from the settings.
    CVarloView();
    ~CVarloView() override;
    // Creates the list control (id 1000) as a child of `parent`.
    bool CreatePane(wxWindow* parent);
    CListCtrlBox* GetList() const { return m_listCtrl; }
    // The other two panes, which the frame creates beside this one.
    void SetPanes(CArticleView* articles, CBrowserView* browser);

    // Each time a document is created or opened: columns the first time, then the rows.
    void OnInitialUpdate();
    // Rebuilds the rows; `select` is a row to select (which fetches its feed) or -1.
    void RefreshList(int select);
    // The feed update for the selected row.
    void UpdateFeed();
    // True while a chosen feed is read on a worker (its articles and preview follow).
    bool IsReading() const { return m_reading > 0; }
    // Writes the preview page of the current feed and shows it.
    void ShowPreview();
    // Forgets the feed read last, for a new document: no last download, an empty feed, article
    // list and browser pane, and a plain status bar.
    void ForgetFeed();
    // Edits the entry at `index` in the site dialog; false on Cancel.
    bool EditSite(int index);
    // Lets the user check a new entry in the site dialog and adds it; false on Cancel (the entry
    // is then dropped). `showDetails`: the dialog opens at its tab "詳細".
    bool EditNewSite(std::unique_ptr<COpmlItem> entry, bool showDetails = false);

    // Commands.
    void OnSiteEdit();
    void OnSiteDelete();
    void OnSiteAdd();
    void OnAddCurrentPage();
    void OnMoveUp();
    void OnMoveDown();
    void OnSortCategory();
    void OnSortTitle();
    void OnSortAscending();
    void OnViewDescription();
    void OnViewLinkNew();
    void OnViewSiteOutline();
    void OnViewSiteTitle();
    // How the pages are coloured from now on; the page shown is written anew in it.
    void SetPageScheme(PageScheme scheme);
    void OnOpenInBrowser();
    // Marks every stored article of the selected site read without opening it; on a row of the
    // library, every article of its view.
    void OnMarkSeen();
    // The marks of the article list: the chosen article read or unread, starred or not, and
    // every article of the list read.
    void OnToggleRead();
    void OnToggleStar();
    void OnMarkAllRead();
    // 全文を表示: the chosen article's page fetched on a thread of its own and its article shown
    // in the preview alone, kept in the library (shown at once when the library holds it).
    void OnShowFullText();
    // True while the page of an article is fetched for its whole text.
    bool IsFetchingFullText() const { return m_fullText != nullptr; }
    // Shows the stored articles that match `words` in the "検索: <words>" row, and chooses it.
    void ShowSearch(const wxString& words);
    // Goes to the next unread article: the next row of a view of the library, or the first
    // unread article of the next site below with unread articles, chosen as a click chooses it.
    // False when there is none.
    bool GoToNextUnread();
    // The next site below the chosen one with unread articles, chosen as a click chooses it.
    bool GoToNextUnreadSite();
    // Space: the preview page scrolls a screenful (back with `back`); at the end of the page, the
    // next row of a view of the library, or the next site with unread articles. When the page
    // cannot be asked, the next article of the list (the previous one with `back`), whose choice
    // scrolls the preview to it, and after the last one the next unread article.
    void ReadOn(bool back);
    // The rows of the library on top of the subscriptions.
    int LibraryRowCount() const { return static_cast<int>(m_libraryRows.size()); }
    // The title shown for the library's row `index` ("未読の記事", "スター付き", "検索: ...").
    wxString LibraryRowTitle(int index) const;
    // The count shown for the library's row `index`.
    int64_t LibraryRowCountShown(int index) const {
        return index >= 0 && index < LibraryRowCount()
                   ? m_libraryRows[static_cast<size_t>(index)].count
                   : -1;
    }
    // The list row of the subscription at `index`, -1 for none.
    int RowOfSite(int index) const;
    // The selected subscription (its index in the file), -1 when none or a library row.
    int SelectedSite() const;
    // The selected library row, -1 when none or a subscription.
    int SelectedLibraryRow() const;
    // The library row whose view the article list shows, -1 when it shows a site.
    int ChosenLibraryRow() const { return m_chosenLibrary; }
    // True while a view of the library is read on a worker.
    bool IsReadingView() const { return m_readingView > 0; }
    // Shows each site's number of unseen articles and makes sites with unseen articles bold.
    void RefreshMarks();
    // Whether `row` is shown in bold.
    bool IsRowBold(int row) const;

    // Fills the site list's part of the state the command rules look at.
    void FillPaneState(PaneState& state) const;
    // True while a download runs: commands that change the list, the document or the feed wait.
    bool IsBusy() const { return m_busy > 0; }
    // True while the chosen site's feed is downloaded.
    bool IsDownloading() const { return m_download != nullptr || m_fullText != nullptr; }
    // Ends the chosen site's download and the fetch of a whole article without asking (Esc, the
    // stop command, another file).
    void CancelDownload();
    // Called when a download has ended (runs a feed update the user asked for meanwhile).
    void SetAfterDownload(std::function<void()> callback) { m_afterDownload = std::move(callback); }
    // Called after the user marked something (so that the marks reach a sync server).
    void SetAfterMark(std::function<void()> callback) { m_afterMark = std::move(callback); }
    // Runs `callback` whenever the count of the unread articles' row changes (and once at first).
    void SetOnUnreadCount(std::function<void(int64_t)> callback) {
        m_onUnreadCount = std::move(callback);
    }
    // The unread articles stored after the article `afterId` in the open file's sites: how many,
    // and the newest of them named with their sites' titles.
    std::pair<int64_t, std::vector<NoticeArticle>> NewUnreadAfter(int64_t afterId);
    // The notices of the rules that notify, for the articles stored after `afterId` in the open
    // file's sites, whatever each site's own switch says.
    std::vector<NewArticlesNotice> RuleNoticesAfter(int64_t afterId);
    // Chooses the row of the unread articles, as a click does.
    void ChooseUnreadRow();

    const std::string& DownPath() const { return m_strDownPath; }
    bool m_bDescription = false;
    bool m_bSiteOutline = false;
    bool m_bSiteTitle = true;
    bool m_bLinkNew = false;
    PageScheme m_scheme = PageScheme::Auto;

    void OnDraw(wxDC*) override {}
    bool OnClose(bool) override { return true; }
    // The main window keeps its own caption.
    void OnChangeFilename() override {}
    void OnUpdate(wxView*, wxObject*) override {}

  private:
    struct ReadLink;
    struct ListPart;
    struct ChosenRead;
    struct LibraryRowEntry {
        LibraryView view;
        int64_t count = 0;
    };
    // After the download of the site at `url` failed: its stored articles, newest first, in the
    // article list and the preview, read on a worker.
    void ShowStoredArticles(uint64_t generation, const Text& url);
    // Reads the view of the library row `index` on a worker and shows it; `select` a row.
    void ChooseLibraryRow(int index, int select);
    // An article row was chosen or opened.
    void OnArticleChosen(int row);
    void OnArticleOpened(int row);
    // The marks changed: counts, bold rows and the article list follow.
    void MarksChanged();
    // The titles of the subscriptions by feed address, for the "サイト" column.
    std::map<Text, wxString> SiteTitles() const;
    // The articles `ids` as a notice names them: their titles and their sites' titles.
    std::vector<NoticeArticle> NoticeArticles(const std::vector<int64_t>& ids);
    // The feed addresses of the open file's sites, sorted: the library's views show their
    // articles only. The same object while the file's sites stay the same.
    std::shared_ptr<const std::vector<Text>> SitesOfFile();
    CVarloDoc* Doc() const;
    // Reads the downloaded feed and writes the first part of its preview page on a worker, then
    // shows them.
    void ReadChosenFeed(uint64_t generation, const Text& url, const std::string& path,
                        const ChosenAnswer& answer);
    // The reading arrived: the article list and the preview show the feed; a worker then makes
    // the rest of the page and records the articles in the library, from the same reading.
    void ApplyChosenList(const std::shared_ptr<ChosenRead>& read, std::shared_ptr<ListPart> list);
    // On the window's thread once the chosen site's download has ended.
    void FinishDownload(uint64_t generation, const CHttpDownload& download, const std::string& path,
                        const std::vector<std::pair<Text, unsigned>>& messages,
                        const Text& feedUrl);
    // Shows the running download's progress in a window of the window's thread, and passes its
    // cancel on.
    // Shows the chosen site's download as it stands: when it said it changed, and when the user
    // answered its window.
    void ShowDownloadProgress();
    void CloseProgressWindow();
    // Refills the article list from the document's feed and says in the status bar whether it
    // was cut short.
    void ShowFeedRead();
    wxString RowText(long row, long column) const;
    // The unseen articles of the site at `index` as last counted; -1 when never downloaded.
    int UnseenOf(int index) const;
    void OnItemChanged(wxListEvent& event);
    void OnItemActivated(wxListEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnListDestroyed(wxWindowDestroyEvent& event);
    void OnRightDown(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void ReadOnByRow(bool back);
    // Reads on as the page's scroll turned out, if the same row is still chosen.
    void ReadOnAfterScroll(PageScroll outcome, bool back, int row, int library, int site);
    // Records the download `read` took from the chosen site, read as `feed`, on a worker:
    // validators, cache copy, articles, and the seen marks with `markSeen`.
    void RecordChosenOffTheWindow(const std::shared_ptr<ChosenRead>& read,
                                  std::shared_ptr<const CRssFile> feed, bool markSeen);
    // Writes the preview page of the feed shown on a worker, with the view options of now, and
    // shows it; the feed is not read again.
    // Writes the preview page anew from the feed held, on a worker, and shows it unless `show` is
    // false (the pane shows another page, which stays).
    void RewritePreview(bool show = true);
    void MarkViewReadOffTheWindow(const LibraryView& view);
    // Writes marks through the store's writer, off the window's thread; the lists and counts
    // follow once they are written.
    void MarkOffTheWindow(std::function<void(CLibrary& library, CFeedStore& store)> write);
    void ShowStatus(const wxString& text);
    void AddSiteFrom(const Text& pageUrl);
    void ToggleOption(bool& option, const char* name);
    // The page shown is written anew with the options of now.
    void OptionsChanged();
    // The stored article of the library's row `row` alone in the preview, marked read when
    // `markRead` says so.
    void ShowLibraryArticle(int row, bool markRead);
    PreviewOptions Options() const;
    // The article of the selected row as the library holds it (id 0 when it holds none).
    std::optional<LibraryRow> ChosenArticle();
    void FinishFullText(uint64_t generation, const LibraryRow& article,
                        const WholeArticleFetch& result);
    void ShowFullTextPage(LibraryRow article, const std::string& html);
    // Shows the site dialog for `entry`; on OK copies the fields back, sets `category` and keeps
    // the site's own settings and password under its feed address (moved along when it changed).
    bool AskSite(COpmlItem& entry, Text& category, bool showDetails = false);
    void Place(COpmlItem* entry, std::unique_ptr<COpmlItem> owned, int index, const Text& category);

    CListCtrlBox* m_listCtrl = nullptr;
    CArticleView* m_articles = nullptr;
    CBrowserView* m_browser = nullptr;
    bool m_bInitialized = false;
    std::string m_strDownPath;
    Text m_strFeedAddress;  // the address "down.xml" was downloaded from
    int m_busy = 0;
    bool m_selecting = false;         // a selection made by the program itself
    bool m_updateWanted = false;      // the user chose another row during a download
    bool m_selectedUnchosen = false;  // a right click selected a row whose feed is not shown
    uint64_t m_generation = 0;        // raised by each choice: older reads are not shown
    int m_reading = 0;                // chosen feeds being read, written or recorded on a worker
    int m_unshown = 0;                // of them, those whose list and page are not shown yet
    std::function<void()> m_afterDownload;
    std::vector<int> m_unseenCounts;  // per site, as shown in the 新着 column
    std::vector<LibraryRowEntry> m_libraryRows{
        {LibraryView::Unread()}, {LibraryView::Starred()}, {LibraryView::Hidden()}};
    int m_chosenLibrary = -1;  // the library row the article list shows, -1 for a site
    Text m_chosenSite;         // the feed address of the site the article list shows
    int m_readingView = 0;     // views of the library being read on a worker
    std::shared_ptr<const std::vector<Text>> m_sitesOfFile;
    std::function<void()> m_afterMark;
    std::function<void(int64_t)> m_onUnreadCount;
    int64_t m_unreadCountTold = -1;
    std::shared_ptr<CRelayedProgress> m_download;  // the chosen site's download while it runs
    std::unique_ptr<CDownloadProgress> m_progressWindow;
    std::vector<std::unique_ptr<CDownloadProgress>> m_spentProgressWindows;
    bool m_progressClosed = false;  // the user closed the progress window; it stays closed
    std::shared_ptr<CRelayedProgress> m_fullText;  // the fetch of a whole article while it runs
    uint64_t m_fullTextGeneration = 0;             // raised by each 全文を表示
    wxDECLARE_DYNAMIC_CLASS(CVarloView);
};

}  // namespace varlo

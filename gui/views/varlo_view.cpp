#include "gui/views/varlo_view.h"

#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/toplevel.h>

#include <utility>
#include <vector>

#include "fetch/relayed_progress.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/settings.h"
#include "gui/platform/shell_open.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "shell/command_ids.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CVarloView, wxView);

namespace {

const char* const kView = "View";

}  // namespace

CVarloView::~CVarloView() {
    CancelDownload();
    if (m_listCtrl) m_listCtrl->Unbind(wxEVT_DESTROY, &CVarloView::OnListDestroyed, this);
}

void CVarloView::OnListDestroyed(wxWindowDestroyEvent& event) {
    // The window closes before the view goes: a result read meanwhile finds no list to fill.
    if (event.GetEventObject() == m_listCtrl) m_listCtrl = nullptr;
    event.Skip();
}

CVarloView::CVarloView() {
    ISettings& settings = Settings();
    m_bDescription = settings.GetInt(kView, "Description", 0) != 0;
    m_bLinkNew = settings.GetInt(kView, "LinkNew", 0) != 0;
    m_bSiteTitle = settings.GetInt(kView, "SiteTitle", 1) != 0;
    m_bSiteOutline = settings.GetInt(kView, "SiteOutline", 0) != 0;
}

bool CVarloView::CreatePane(wxWindow* parent) {
    m_listCtrl = new CListCtrlBox(parent, 1000, wxDefaultPosition, wxDefaultSize,
                                  CListCtrlBox::kVirtualStyle);
    m_listCtrl->SetRows({[this](long row, long column) { return RowText(row, column); },
                         [this](long row) { return IsRowBold(static_cast<int>(row)); },
                         {}});
    m_listCtrl->Bind(wxEVT_LIST_ITEM_SELECTED, &CVarloView::OnItemChanged, this);
    m_listCtrl->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CVarloView::OnItemActivated, this);
    m_listCtrl->Bind(wxEVT_CONTEXT_MENU, &CVarloView::OnContextMenu, this);
    m_listCtrl->Bind(wxEVT_DESTROY, &CVarloView::OnListDestroyed, this);
    // The rows live in an inner window of the list; the right button is pressed there.
    wxWindow* rows = m_listCtrl->GetTargetWindow() ? m_listCtrl->GetTargetWindow() : m_listCtrl;
    rows->Bind(wxEVT_RIGHT_DOWN, &CVarloView::OnRightDown, this);
    rows->Bind(wxEVT_LEFT_DOWN, &CVarloView::OnLeftDown, this);
    return true;
}

void CVarloView::SetPanes(CArticleView* articles, CBrowserView* browser) {
    m_articles = articles;
    m_browser = browser;
    if (m_articles) {
        m_articles->SetOnChoose([this](int row) { OnArticleChosen(row); });
        m_articles->SetOnOpen([this](int row) { OnArticleOpened(row); });
    }
}

CVarloDoc* CVarloView::Doc() const {
    return wxDynamicCast(GetDocument(), CVarloDoc);
}

void CVarloView::OnInitialUpdate() {
    // What is still being read belongs to the document that was open before.
    ++m_generation;
    if (!m_bInitialized && m_listCtrl) {
        m_listCtrl->AddColumn(Wx("ページ名"), 100);
        m_listCtrl->AddColumn(Wx("カテゴリ"), 100);
        m_listCtrl->AddColumn(Wx("アドレス"), 100);
        m_listCtrl->AddColumn(Wx("新着"), 100);
        m_bInitialized = true;
    }
    // The sites of an opened file are in use: the store keeps what it knows of them.
    if (CVarloDoc* doc = Doc()) {
        std::vector<Text> urls;
        for (int i = 0; i < doc->m_opmlFile.GetCount(); ++i) {
            urls.push_back(doc->m_opmlFile.GetAt(i)->m_strXmlUrl);
        }
        FeedMarks().Touch(urls);
        FeedMarks().RecordSiteCategories(doc->m_opmlFile);
    }
    RefreshList(-1);
}

void CVarloView::RefreshList(int select) {
    CVarloDoc* doc = Doc();
    if (!m_listCtrl || !doc) return;
    const COpmlFile& list = doc->m_opmlFile;
    int top = static_cast<int>(m_listCtrl->GetTopItem());
    m_selectedUnchosen = false;
    m_listCtrl->Freeze();
    m_listCtrl->DeleteAllItems();
    m_listCtrl->SetRowCount(LibraryRowCount() + list.GetCount());
    RefreshMarks();
    const int count = m_listCtrl->GetItemCount();
    if (top >= count - 1) top = count - 1;
    if (count > 0) m_listCtrl->ScrollToItem(top);
    bool selected = false;
    // `select` counts the subscriptions; the library's rows stand above them.
    if (select != -1) select = RowOfSite(select);
    if (select != -1 && count > 0) {
        if (select >= count - 1) select = count - 1;
        m_selecting = true;
        m_listCtrl->SelectItem(select);
        m_selecting = false;
        m_listCtrl->EnsureVisible(select);
        selected = true;
    }
    doc->UpdateAllViews(nullptr, nullptr);
    if (count > 0) m_listCtrl->AutoSizeColumns(0);
    m_listCtrl->Thaw();
    // The selection made here fetches the row's feed like a user's choice does.
    if (selected) UpdateFeed();
    m_listCtrl->SetFocus();
}

void CVarloView::OnItemChanged(wxListEvent& event) {
    if (m_selecting) return;
    const long row = event.GetIndex();
    const long state = m_listCtrl->GetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    if (state != (wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED)) return;
    if (IsBusy()) {
        // The feed of the row chosen now is fetched when the running download has ended.
        m_updateWanted = true;
        return;
    }
    UpdateFeed();
}

void CVarloView::OnItemActivated(wxListEvent&) {
    OnSiteEdit();
}

void CVarloView::OnContextMenu(wxContextMenuEvent& event) {
    wxMenu menu;
    menu.Append(cmd::kSiteEdit, Wx("サイトデータの修正(&S)..."));
    menu.Append(cmd::kSiteDelete, Wx("サイトデータの削除(&D)..."));
    menu.Append(cmd::kSiteAdd, Wx("サイトデータの追加(&A)..."));
    menu.AppendSeparator();
    menu.Append(cmd::kMarkSeen, Wx("既読にする(&R)"));
    wxWindow* frame = wxGetTopLevelParent(m_listCtrl);
    wxPoint position = event.GetPosition();
    position = position == wxDefaultPosition ? wxDefaultPosition : frame->ScreenToClient(position);
    frame->PopupMenu(&menu, position);
}

void CVarloView::MarkViewReadOffTheWindow(const LibraryView& view) {
    // A view may hold a hundred thousand unread articles.
    const LibraryView shown = view.Within(SitesOfFile());
    MarkOffTheWindow([shown](CLibrary& library, CFeedStore&) { library.MarkViewRead(shown); });
}

void CVarloView::MarkOffTheWindow(std::function<void(CLibrary&, CFeedStore&)> write) {
    if (!FeedMarks().Store().IsOpen()) return;
    RunOffWindow(
        this, InStore{FeedMarks().Writer()},
        [write = std::move(write)](CFeedStore* store) {
            if (store != nullptr) {
                CLibrary library(*store);
                write(library, *store);
            }
        },
        [](CVarloView& view) { view.MarksChanged(); });
}

void CVarloView::OnRightDown(wxMouseEvent& event) {
    // A right click selects its row for the context menu and nothing more: the site is chosen
    // (downloaded and marked seen) by a left click or the keyboard. The list's own handling that
    // follows finds the row selected already and leaves the selection alone.
    int flags = 0;
    const long row = m_listCtrl->HitTest(event.GetPosition(), flags);
    if (row >= 0 && m_listCtrl->GetSelectedItem() != row) {
        m_selecting = true;
        m_listCtrl->SelectItem(static_cast<int>(row));
        m_selecting = false;
        m_selectedUnchosen = true;
    }
    event.Skip();
}

void CVarloView::OnLeftDown(wxMouseEvent& event) {
    event.Skip();
    // The list reports no new selection for a click on the selected row; a row that a right click
    // selected is chosen by it all the same, once the list has handled the click.
    int flags = 0;
    const long row = m_listCtrl->HitTest(event.GetPosition(), flags);
    if (!m_selectedUnchosen || row < 0 || row != m_listCtrl->GetSelectedItem()) return;
    CallAfter([this] {
        if (m_selectedUnchosen) UpdateFeed();
    });
}

void CVarloView::ForgetFeed() {
    // A feed still being downloaded or read belongs to what was open before.
    ++m_generation;
    CancelDownload();
    m_strDownPath.clear();
    m_strFeedAddress.clear();
    m_updateWanted = false;
    m_selectedUnchosen = false;
    m_chosenLibrary = -1;
    m_chosenSite.clear();
    if (CVarloDoc* doc = Doc()) ReleaseInBackground(doc->SetFeed(nullptr));
    if (m_articles) m_articles->FillArticleList(-1);
    if (m_browser) m_browser->Navigate("about:blank");
    ShowStatus(Wx("ﾚﾃﾞｨ"));
}

void CVarloView::ShowStatus(const wxString& text) {
    auto* frame = m_listCtrl ? wxDynamicCast(wxGetTopLevelParent(m_listCtrl), wxFrame) : nullptr;
    if (frame && frame->GetStatusBar()) frame->SetStatusText(text, 0);
}

void CVarloView::RefreshMarks() {
    CVarloDoc* doc = Doc();
    if (!m_listCtrl || !doc) return;
    CLibrary& library = FeedMarks().Library();
    // Every site's count in one query, however many sites.
    const std::map<Text, int64_t> unread = library.UnreadCounts();
    const int count = doc->m_opmlFile.GetCount();
    std::vector<int> counts(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto found = unread.find(doc->m_opmlFile.GetAt(i)->m_strXmlUrl);
        counts[static_cast<size_t>(i)] =
            found != unread.end() ? static_cast<int>(found->second) : 0;
    }
    bool changed = counts != m_unseenCounts;
    m_unseenCounts = std::move(counts);
    for (LibraryRowEntry& row : m_libraryRows) {
        int64_t n = row.count;
        // The open file's sites only: other files' articles stay stored, unseen.
        if (row.view.kind == LibraryView::Kind::kUnread ||
            row.view.kind == LibraryView::Kind::kStarred ||
            row.view.kind == LibraryView::Kind::kHidden) {
            n = library.Count(row.view.Within(SitesOfFile()));
        }
        changed = changed || n != row.count;
        row.count = n;
        if (row.view.kind == LibraryView::Kind::kUnread && n != m_unreadCountTold &&
            m_onUnreadCount) {
            m_unreadCountTold = n;
            m_onUnreadCount(n);
        }
    }
    if (!changed) return;
    m_listCtrl->Refresh();
    // Bold text is wider: the columns follow it.
    if (count > 0) m_listCtrl->AutoSizeColumns(0);
}

int CVarloView::SelectedSite() const {
    const int row = m_listCtrl ? m_listCtrl->GetSelectedItem() : -1;
    return row >= LibraryRowCount() ? row - LibraryRowCount() : -1;
}

int CVarloView::SelectedLibraryRow() const {
    const int row = m_listCtrl ? m_listCtrl->GetSelectedItem() : -1;
    return row >= 0 && row < LibraryRowCount() ? row : -1;
}

int CVarloView::RowOfSite(int index) const {
    return index < 0 ? -1 : index + LibraryRowCount();
}

int CVarloView::UnseenOf(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_unseenCounts.size()
               ? m_unseenCounts[static_cast<size_t>(index)]
               : -1;
}

bool CVarloView::IsRowBold(int row) const {
    if (row >= 0 && row < LibraryRowCount()) {
        const LibraryRowEntry& entry = m_libraryRows[static_cast<size_t>(row)];
        return entry.view.kind == LibraryView::Kind::kUnread && entry.count > 0;
    }
    return UnseenOf(row - LibraryRowCount()) > 0;
}

wxString CVarloView::LibraryRowTitle(int index) const {
    if (index < 0 || index >= LibraryRowCount()) return {};
    const LibraryView& view = m_libraryRows[static_cast<size_t>(index)].view;
    switch (view.kind) {
        case LibraryView::Kind::kUnread:
            return Wx("未読の記事");
        case LibraryView::Kind::kStarred:
            return Wx("スター付き");
        case LibraryView::Kind::kHidden:
            return Wx("非表示の記事");
        case LibraryView::Kind::kSearch:
            return Wx("検索: ") + wxString::FromUTF8(view.words);
        default:
            break;
    }
    return {};
}

wxString CVarloView::RowText(long row, long column) const {
    if (row >= 0 && row < LibraryRowCount()) {
        if (column == 0) return LibraryRowTitle(static_cast<int>(row));
        if (column == 3) {
            return wxString::Format(
                "%lld", static_cast<long long>(m_libraryRows[static_cast<size_t>(row)].count));
        }
        return {};
    }
    row -= LibraryRowCount();
    CVarloDoc* doc = Doc();
    if (!doc || row < 0 || row >= doc->m_opmlFile.GetCount()) return {};
    const COpmlItem* entry = doc->m_opmlFile.GetAt(static_cast<int>(row));
    switch (column) {
        case 0:
            return ToWx(entry->m_strTitle);
        case 1:
            return ToWx(entry->m_strCategory);
        case 2:
            return ToWx(entry->m_strHtmlUrl);
        case 3: {
            const int unseen = UnseenOf(static_cast<int>(row));
            return unseen > 0 ? wxString::Format("%d", unseen) : wxString();
        }
        default:
            return {};
    }
}

void CVarloView::OnMarkSeen() {
    CVarloDoc* doc = Doc();
    if (!doc || !m_listCtrl) return;
    if (const int view = SelectedLibraryRow(); view >= 0) {
        // A view of the library: every article it shows is read.
        MarkViewReadOffTheWindow(m_libraryRows[static_cast<size_t>(view)].view);
        return;
    }
    const int row = SelectedSite();
    if (row < 0 || row >= doc->m_opmlFile.GetCount()) return;
    const Text url = doc->m_opmlFile.GetAt(row)->m_strXmlUrl;
    if (url.empty()) return;
    MarkOffTheWindow([url](CLibrary& library, CFeedStore& store) {
        library.MarkSiteRead(url);
        store.MarkSeen(url);
    });
}

void CVarloView::ShowFeedRead() {
    CVarloDoc* doc = Doc();
    if (!doc) return;
    if (m_articles) m_articles->OnArticleUpdate();
    // The status bar says so while the feed shown is one that was cut short.
    auto* frame = m_listCtrl ? wxDynamicCast(wxGetTopLevelParent(m_listCtrl), wxFrame) : nullptr;
    if (frame && frame->GetStatusBar()) {
        const wxString capped = Wx("記事が多すぎるため、最初の 100,000 件だけを読み込みました");
        const wxString limited = Wx("フィードが大きすぎるため、一部を読み込めませんでした");
        const wxString shown = frame->GetStatusBar()->GetStatusText(0);
        if (doc->Feed().m_bArticleCapReached) {
            frame->SetStatusText(capped, 0);
        } else if (doc->Feed().m_bTreeLimitReached) {
            frame->SetStatusText(limited, 0);
        } else if (shown == capped || shown == limited) {
            frame->SetStatusText(Wx("ﾚﾃﾞｨ"), 0);
        }
    }
}

PreviewOptions CVarloView::Options() const {
    PreviewOptions options;
    options.description = m_bDescription;
    options.linkNew = m_bLinkNew;
    options.siteTitle = m_bSiteTitle;
    options.siteOutline = m_bSiteOutline;
    options.scheme = m_scheme;
    return options;
}

void CVarloView::ShowPreview() {
    CVarloDoc* doc = Doc();
    if (!doc) return;
    WritePreviewPage(GetPreviewPath(), doc->Feed(), Options());
    if (m_browser) m_browser->Navigate("file://" + GetPreviewPath());
}

void CVarloView::ToggleOption(bool& option, const char* name) {
    if (IsBusy()) return;
    option = !option;
    Settings().WriteInt(kView, name, option ? 1 : 0);
    OptionsChanged();
}

void CVarloView::SetPageScheme(PageScheme scheme) {
    if (scheme == m_scheme) return;
    m_scheme = scheme;
    // While a download holds the list, the page it brings is written with the scheme of now.
    if (IsBusy()) return;
    // The guide or a web page shown stays; the preview is ready in the scheme when shown again.
    if (m_browser && !m_browser->Shows(GetPreviewPath())) {
        if (m_unshown == 0 && !m_strDownPath.empty() && m_chosenLibrary < 0) RewritePreview(false);
        return;
    }
    // A view of the library shows one stored article, or none yet: written anew as it is.
    if (m_chosenLibrary >= 0) {
        const long row = m_articles && m_articles->GetList() && m_articles->IsLibrary()
                             ? m_articles->GetList()->GetSelectedItem()
                             : -1;
        if (row >= 0) return ShowLibraryArticle(static_cast<int>(row), false);
        if (m_unshown == 0) RewritePreview();
        return;
    }
    OptionsChanged();
}

void CVarloView::OptionsChanged() {
    // A feed being read now is shown with the new options when it arrives. One already shown,
    // whose articles may still be being recorded, is written anew now from the feed as read.
    if (m_unshown > 0) return;
    // A view of the library shows its own articles: its page follows the options at the next
    // choice.
    if (m_chosenLibrary >= 0) return;
    if (m_strDownPath.empty()) {
        // Before any site was chosen there is nothing to read: an empty feed's page.
        if (CVarloDoc* doc = Doc()) ReleaseInBackground(doc->SetFeed(nullptr));
        ShowFeedRead();
        ShowPreview();
        return;
    }
    RewritePreview();
}

void CVarloView::OnViewDescription() {
    ToggleOption(m_bDescription, "Description");
}
void CVarloView::OnViewLinkNew() {
    ToggleOption(m_bLinkNew, "LinkNew");
}
void CVarloView::OnViewSiteOutline() {
    ToggleOption(m_bSiteOutline, "SiteOutline");
}
void CVarloView::OnViewSiteTitle() {
    ToggleOption(m_bSiteTitle, "SiteTitle");
}

void CVarloView::OnOpenInBrowser() {
    CVarloDoc* doc = Doc();
    if (!doc || !m_listCtrl) return;
    const int row = SelectedSite();
    if (row < 0 || row >= doc->m_opmlFile.GetCount()) return;
    OpenWithDefaultHandler(Cp932ToUtf8(doc->m_opmlFile.GetAt(row)->m_strHtmlUrl));
}

void CVarloView::FillPaneState(PaneState& state) const {
    CVarloDoc* doc = Doc();
    state.selectedRow = SelectedSite();
    state.rowCount = doc ? doc->m_opmlFile.GetCount() : 0;
    state.libraryRowSelected = SelectedLibraryRow() >= 0;
    if (m_articles && m_articles->GetList()) {
        state.articleCount = m_articles->GetList()->GetItemCount();
        state.articleSelected = m_articles->GetList()->GetSelectedItem() >= 0;
    }
    if (doc) {
        state.sortKey = doc->m_opmlFile.m_nSortKey;
        state.descending = doc->m_opmlFile.m_bDescending;
    }
    state.description = m_bDescription;
    state.linkNew = m_bLinkNew;
    state.siteOutline = m_bSiteOutline;
    state.siteTitle = m_bSiteTitle;
    if (m_browser) {
        const Text url = m_browser->GetLocationURL();
        state.browserShowsWebPage = url.find("file://") == Text::npos &&
                                    url.find("about:blank") == Text::npos && !url.empty();
        state.browserShowsPage = !url.empty() && url != "about:blank";
    }
}

}  // namespace varlo

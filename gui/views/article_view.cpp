#include "gui/views/article_view.h"

#include <wx/listctrl.h>
#include <wx/menu.h>

#include "feeds/dates.h"
#include "feeds/display_form.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/wx_text.h"
#include "shell/command_ids.h"
#include "update/stored_feed.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CArticleView, wxView);

namespace {
constexpr int kStarColumn = 2;
constexpr int kSiteColumn = 3;

wxString StarMark(bool starred) {
    return starred ? Wx("★") : wxString();
}
}  // namespace

bool CArticleView::CreatePane(wxWindow* parent) {
    m_list = new CListCtrlBox(parent, 1000, wxDefaultPosition, wxDefaultSize,
                              CListCtrlBox::kVirtualStyle);
    m_list->SetRows({[this](long row, long column) { return RowText(row, column); },
                     [this](long row) { return IsRowBold(static_cast<int>(row)); },
                     [this](long row) { return IsRowGrey(static_cast<int>(row)); }});
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, &CArticleView::OnSelected, this);
    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CArticleView::OnActivated, this);
    m_list->Bind(wxEVT_CONTEXT_MENU, &CArticleView::OnContextMenu, this);
    // A right click selects its row for the context menu without choosing it (which would mark
    // it read before the menu could toggle the mark).
    wxWindow* rows = m_list->GetTargetWindow() ? m_list->GetTargetWindow() : m_list;
    rows->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& event) {
        int flags = 0;
        const long row = m_list->HitTest(event.GetPosition(), flags);
        if (row >= 0 && m_list->GetSelectedItem() != row) {
            m_selecting = true;
            m_list->SelectItem(static_cast<int>(row));
            m_selecting = false;
        }
        event.Skip();
    });
    return m_list != nullptr;
}

CVarloDoc* CArticleView::Doc() const {
    return wxDynamicCast(GetDocument(), CVarloDoc);
}

void CArticleView::OnInitialUpdate() {
    if (!m_initialised && m_list) {
        m_list->AddColumn(Wx("タイトル"), 100);
        m_list->AddColumn(Wx("更新時間"), 100);
        m_list->AddColumn(Wx("★"), 30);
        m_initialised = true;
    }
    FillArticleList(-1);
}

wxString CArticleView::RowText(long row, long column) const {
    if (m_library) {
        const LibraryRow* stored = m_rows.At(FeedMarks().Library(), static_cast<size_t>(row));
        if (!stored) return {};
        switch (column) {
            case 0:
                return wxString::FromUTF8(stored->title);
            case 1:
                // An undated article is dated when it was first seen, as the views order it.
                return ToWx(
                    FormatDisplayDate(stored->date != 0 ? stored->date : stored->firstSeen));
            case kStarColumn:
                return StarMark(stored->starred);
            case kSiteColumn: {
                auto found = m_siteTitles.find(stored->feedUrl);
                return found != m_siteTitles.end() ? found->second : ToWx(stored->feedUrl);
            }
            default:
                return {};
        }
    }
    CVarloDoc* doc = Doc();
    if (!doc || row < 0 || row >= doc->Feed().GetSize()) return {};
    const CRssItem* item = doc->Feed().GetAt(static_cast<int>(row));
    if (column == 0) return ToWx(DisplayTitle(item->m_strTitle, item->m_nTitleKind));
    // A site's stored articles stand in for its feed: one its feed never dated shows no date.
    if (column == 1 && item->m_timeUpdated > 0) return ToWx(FormatDisplayDate(item->m_timeUpdated));
    if (column == kStarColumn) return StarMark(IsFeedRowStarred(static_cast<int>(row)));
    return {};
}

bool CArticleView::IsRowBold(int row) const {
    if (row < 0) return false;
    if (m_library) {
        const LibraryRow* stored = m_rows.At(FeedMarks().Library(), static_cast<size_t>(row));
        return stored && !stored->read;
    }
    return static_cast<size_t>(row) < m_bold.size() && m_bold[static_cast<size_t>(row)];
}

bool CArticleView::IsRowGrey(int row) const {
    if (row < 0) return false;
    if (m_library) {
        const LibraryRow* stored = m_rows.At(FeedMarks().Library(), static_cast<size_t>(row));
        return stored && stored->hidden;
    }
    if (m_hiddenKeys.empty()) return false;
    const Text key = FeedKeyAt(row);
    return !key.empty() && m_hiddenKeys.count(LibraryKeyOf(key)) != 0;
}

const LibraryRow* CArticleView::LibraryRowAt(int row) {
    if (!m_library || row < 0) return nullptr;
    return m_rows.At(FeedMarks().Library(), static_cast<size_t>(row));
}

Text CArticleView::FeedKeyAt(int row) const {
    const CVarloDoc* doc = Doc();
    if (m_library || !doc) return {};
    const CRssItem* article = doc->Feed().GetAt(row);
    return article != nullptr ? article->m_strKey : Text();
}

void CArticleView::SetFeedRowRead(int row, bool read) {
    const CVarloDoc* doc = Doc();
    if (m_library || row < 0 || !doc) return;
    const auto rows = static_cast<size_t>(doc->Feed().GetSize());
    if (m_bold.size() < rows) m_bold.resize(rows);
    if (static_cast<size_t>(row) >= m_bold.size()) return;
    m_bold[static_cast<size_t>(row)] = !read;
    if (m_unread.size() < rows) m_unread.resize(rows);
    if (static_cast<size_t>(row) < m_unread.size()) m_unread[static_cast<size_t>(row)] = !read;
    if (m_list) m_list->RefreshItem(row);
}

void CArticleView::SetFeedRowsRead() {
    if (m_library) return;
    m_bold.assign(m_bold.size(), false);
    m_unread.assign(m_unread.size(), false);
    if (m_list) m_list->Refresh();
}

bool CArticleView::IsFeedRowStarred(int row) const {
    if (m_library || m_starredKeys.empty()) return false;
    const Text key = FeedKeyAt(row);
    return !key.empty() && m_starredKeys.count(LibraryKeyOf(key)) != 0;
}

void CArticleView::ReadFeedStars() {
    m_starredKeys.clear();
    m_hiddenKeys.clear();
    if (m_library) return;
    for (const LibraryRef& hidden : FeedMarks().Library().HiddenSet()) {
        m_hiddenKeys.insert(hidden.key);
    }
    // Stars are few: the keys of all of them, rather than a lookup per row drawn.
    for (const LibraryRef& starred : FeedMarks().Library().StarredSet()) {
        m_starredKeys.insert(starred.key);
    }
}

void CArticleView::MarksChanged() {
    m_rows.Forget();
    ReadFeedStars();
    if (m_list) m_list->Refresh();
}

void CArticleView::OnArticleUpdate() {
    FillArticleList(0);
}

void CArticleView::SetSiteColumn(bool shown) {
    if (!m_list || !m_initialised) return;
    const bool has = m_list->GetColumnCount() > kSiteColumn;
    if (shown && !has) m_list->AddColumn(Wx("サイト"), 100);
    if (!shown && has) m_list->DeleteColumn(kSiteColumn);
}

void CArticleView::FillArticleList(int select) {
    CVarloDoc* doc = Doc();
    if (!m_list || !doc) return;
    const int top = static_cast<int>(m_list->GetTopItem());
    m_list->Freeze();
    m_list->DeleteAllItems();
    m_library = false;
    m_rows.Reset({});
    SetSiteColumn(false);
    const CRssFile& feed = doc->Feed();
    m_bold = std::move(m_unseen);
    m_unseen.clear();
    m_unread = std::move(m_nextUnread);
    m_nextUnread.clear();
    if (m_unread.size() != static_cast<size_t>(feed.GetSize())) m_unread.clear();
    // Marks that do not line up with the articles would make the wrong rows bold: none then.
    if (m_bold.size() != static_cast<size_t>(feed.GetSize())) m_bold.clear();
    // The list asks for the rows it shows; nothing is copied here, however long the feed.
    m_list->SetRowCount(feed.GetSize());
    AfterFill(top, select);
}

void CArticleView::ShowLibrary(std::vector<int64_t> ids, std::map<Text, wxString> siteTitles,
                               int select) {
    if (!m_list) return;
    m_list->Freeze();
    m_list->DeleteAllItems();
    m_library = true;
    m_bold.clear();
    m_unread.clear();
    m_siteTitles = std::move(siteTitles);
    const long count = static_cast<long>(ids.size());
    m_rows.Reset(std::move(ids));
    SetSiteColumn(true);
    m_list->SetRowCount(count);
    AfterFill(0, select);
}

void CArticleView::AfterFill(int top, int select) {
    ReadFeedStars();
    const int count = m_list->GetItemCount();
    if (top >= count - 1) top = count - 1;
    m_list->ScrollToItem(top);
    if (select != -1 && count > 0) {
        if (select >= count - 1) select = count - 1;
        m_selecting = true;
        m_list->SelectItem(select);
        m_selecting = false;
        m_list->EnsureVisible(select);
    }
    if (CVarloDoc* doc = Doc()) doc->UpdateAllViews(nullptr, nullptr);
    m_list->SetFocus();
    if (count > 0) m_list->AutoSizeColumns(0);
    m_list->Thaw();
}

void CArticleView::ChooseRow(int row) {
    if (!m_list || row < 0 || row >= m_list->GetItemCount()) return;
    m_selecting = true;
    m_list->SelectItem(row);
    m_selecting = false;
    m_list->EnsureVisible(row);
    if (m_onChoose) m_onChoose(row);
}

void CArticleView::OnSelected(wxListEvent& event) {
    if (m_selecting) return;
    const long row = event.GetIndex();
    if (m_onChoose && row >= 0) m_onChoose(static_cast<int>(row));
}

void CArticleView::OnActivated(wxListEvent& event) {
    const long row = event.GetIndex();
    if (m_onOpen && row >= 0) m_onOpen(static_cast<int>(row));
}

void CArticleView::OnContextMenu(wxContextMenuEvent& event) {
    wxMenu menu;
    menu.Append(cmd::kToggleRead, Wx("既読/未読の切り替え(&M)"));
    menu.Append(cmd::kToggleStar, Wx("スターの切り替え(&S)"));
    menu.Append(cmd::kShowFullText, Wx("全文を表示(&L)"));
    menu.AppendSeparator();
    menu.Append(cmd::kMarkAllRead, Wx("すべて既読にする(&A)"));
    wxWindow* frame = wxGetTopLevelParent(m_list);
    wxPoint position = event.GetPosition();
    position = position == wxDefaultPosition ? wxDefaultPosition : frame->ScreenToClient(position);
    frame->PopupMenu(&menu, position);
}

}  // namespace varlo

#include "gui/views/article_view.h"

#include "feeds/dates.h"
#include "feeds/display_form.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/wx_text.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CArticleView, wxView);

bool CArticleView::CreatePane(wxWindow* parent) {
    m_list = new CListCtrlBox(parent, 1000);
    return m_list != nullptr;
}

CVarloDoc* CArticleView::Doc() const {
    return wxDynamicCast(GetDocument(), CVarloDoc);
}

void CArticleView::OnInitialUpdate() {
    if (!m_initialised && m_list) {
        m_list->AddColumn(Wx("タイトル"), 100);
        m_list->AddColumn(Wx("更新時間"), 100);
        m_initialised = true;
    }
    FillArticleList(-1);
}

bool CArticleView::IsRowBold(int row) const {
    if (!m_list || row < 0 || row >= m_list->GetItemCount()) return false;
    const wxFont font = m_list->GetItemFont(row);
    return font.IsOk() && font.GetWeight() == wxFONTWEIGHT_BOLD;
}

void CArticleView::OnArticleUpdate() {
    FillArticleList(0);
}

void CArticleView::FillArticleList(int select) {
    CVarloDoc* doc = Doc();
    if (!m_list || !doc) return;
    int top = static_cast<int>(m_list->GetTopItem());
    m_list->Freeze();
    m_list->DeleteAllItems();
    const CRssFile& feed = doc->m_rssFile;
    wxFont bold = m_list->GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    std::vector<bool> unseen = std::move(m_unseen);
    m_unseen.clear();
    // Marks that do not line up with the articles would make the wrong rows bold: none then.
    if (unseen.size() != static_cast<size_t>(feed.GetSize())) unseen.clear();
    for (int i = 0; i < feed.GetSize(); ++i) {
        const CRssItem* item = feed.GetAt(i);
        const long row =
            m_list->AddItem(0, ToWx(DisplayTitle(item->m_strTitle, item->m_nTitleKind)), -1);
        m_list->AddItem(1, ToWx(FormatDisplayDate(item->m_timeUpdated)), -1);
        if (static_cast<size_t>(i) < unseen.size() && unseen[static_cast<size_t>(i)]) {
            m_list->SetItemFont(row, bold);
        }
    }
    const int count = m_list->GetItemCount();
    if (top >= count - 1) top = count - 1;
    m_list->ScrollToItem(top);
    if (select != -1 && count > 0) {
        if (select >= count - 1) select = count - 1;
        m_list->SelectItem(select);
        m_list->EnsureVisible(select);
    }
    doc->UpdateAllViews(nullptr, nullptr);
    m_list->SetFocus();
    if (count > 0) m_list->AutoSizeColumns(0);
    m_list->Thaw();
}

}  // namespace varlo

#include "gui/controls/list_ctrl_box.h"

#include <wx/imaglist.h>
#include <wx/renderer.h>
#include <wx/settings.h>

#include <algorithm>

#include "shell/placement.h"

namespace varlo {

CListCtrlBox::CListCtrlBox(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                           long style)
    : wxListCtrl(parent, id, pos, size, style) {
    // The rows live in an inner window of the list (the one it scrolls); the clicks arrive there.
    wxWindow* rows = GetTargetWindow() ? GetTargetWindow() : this;
    rows->Bind(wxEVT_RIGHT_DOWN, &CListCtrlBox::OnRightDown, this);
}

long CListCtrlBox::AddColumn(const wxString& heading, int width) {
    return InsertColumn(GetColumnCount(), heading, wxLIST_FORMAT_LEFT, width);
}

long CListCtrlBox::AddItem(int subItem, const wxString& text, int image) {
    // A virtual list holds no rows of its own.
    if (IsVirtual()) return -1;
    if (subItem == 0) return InsertItem(GetItemCount(), text, image);
    const long last = GetItemCount() - 1;
    if (last < 0 || subItem < 0 || subItem >= GetColumnCount()) return -1;
    return SetItem(last, subItem, text) ? last : -1;
}

void CListCtrlBox::AutoSizeColumns(int flag) {
    for (int column = 0; column < GetColumnCount(); ++column) {
        if (flag) {
            SetColumnWidth(column, wxLIST_AUTOSIZE_USEHEADER);
        } else {
            // Content alone would hide the heading of an empty or narrow column.
            SetColumnWidth(column, std::max(ContentWidth(column), HeadingWidth(column)));
        }
    }
    // The heading is a window of its own beside the rows: left to itself it keeps the old widths
    // until something else repaints it, out of line with the rows below.
    for (wxWindow* child : GetChildren()) {
        if (child != GetTargetWindow()) child->Refresh();
    }
}

int CListCtrlBox::ContentWidth(int column) const {
    int width = 0;
    // A virtual list may hold a million rows: the rows on screen (and a page more) are measured.
    long first = 0, end = GetItemCount();
    if (IsVirtual()) {
        first = std::max(0L, GetTopItem());
        end = std::min(end, first + 2L * std::max(GetCountPerPage(), 20));
    }
    wxFont bold = GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    for (long row = first; row < end; ++row) {
        // Every row is measured in bold: a row turns bold for what is new or unread long after
        // the columns were fitted, and its text must not be cut then.
        int textWidth = 0;
        GetTextExtent(GetItemText(row, column), &textWidth, nullptr, nullptr, nullptr, &bold);
        width = std::max(width, textWidth);
    }
    int imageWidth = 0, imageHeight = 0;
    if (column == 0 && GetImageList(wxIMAGE_LIST_SMALL) &&
        GetImageList(wxIMAGE_LIST_SMALL)->GetSize(0, imageWidth, imageHeight)) {
        width += imageWidth + kCellMargin;
    }
    return width + 2 * kCellMargin;
}

int CListCtrlBox::HeadingWidth(int column) const {
    wxListItem heading;
    heading.SetMask(wxLIST_MASK_TEXT);
    if (!GetColumn(column, heading)) return 0;
    // The header draws its text with a wider padding than the cells do.
    return GetTextExtent(heading.GetText()).x + 4 * kCellMargin;
}

int CListCtrlBox::GetSelectedItem() const {
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

int CListCtrlBox::SelectItem(int row) {
    const long states = wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED;
    SetItemState(row, states, states);
    return 0;
}

void CListCtrlBox::DeleteAllItems() {
    wxListCtrl::DeleteAllItems();
}

void CListCtrlBox::SetRowCount(long count) {
    if (!IsVirtual()) return;
    SetItemCount(std::max(0L, count));
    // Rows that stay in place may have changed all the same.
    Refresh();
}

bool CListCtrlBox::IsRowBold(long row) const {
    if (row < 0 || row >= GetItemCount()) return false;
    if (IsVirtual()) return m_rows.bold && m_rows.bold(row);
    const wxFont font = GetItemFont(row);
    return font.IsOk() && font.GetWeight() == wxFONTWEIGHT_BOLD;
}

wxString CListCtrlBox::OnGetItemText(long item, long column) const {
    return m_rows.text ? m_rows.text(item, column) : wxString();
}

wxItemAttr* CListCtrlBox::OnGetItemAttr(long item) const {
    const bool isBold = m_rows.bold && m_rows.bold(item);
    const bool isGrey = m_rows.grey && m_rows.grey(item);
    if (!isBold && !isGrey) return nullptr;
    wxFont font = GetFont();
    if (isBold) font.SetWeight(wxFONTWEIGHT_BOLD);
    wxItemAttr& attr = isGrey ? m_rowAttr : m_boldAttr;
    attr.SetFont(font);
    if (isGrey) attr.SetTextColour(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    return &attr;
}

int CListCtrlBox::ScrollToItem(int row) {
    if (row < 0 || row >= GetItemCount()) return -1;
    const long top = GetTopItem();
    wxRect first, second;
    GetItemRect(top, first);
    // With a single row there is no next row to measure; its own height is the step.
    const int step = top + 1 < GetItemCount() && GetItemRect(top + 1, second) ? second.y - first.y
                                                                              : first.height;
    ScrollList(0, step * static_cast<int>(row - top));
    return 0;
}

int CListCtrlBox::RowHeight() const {
    wxRect rect;
    if (GetItemCount() > 0 && GetItemRect(GetTopItem(), rect) && rect.height > 0) {
        return rect.height;
    }
    // An empty list measures as the list lays out its rows: the font's height and the margin the
    // toolkit's list puts around a row's text on GTK (6 pixels, not the 4 it uses elsewhere). Any
    // less and a pane sized for eight rows shows seven and a half once they come.
    wxWindow* rows = GetTargetWindow() ? GetTargetWindow() : const_cast<CListCtrlBox*>(this);
    return rows->GetTextExtent("H").y + kRowMargin;
}

int CListCtrlBox::PaneHeightForRows(int rows) const {
    // Above the rows stands the heading, as high as the theme draws a header button; the
    // borders add what the style gives them. Both are known before the list is laid out. Below
    // them a horizontal scroll bar may come with rows wider than the pane (long titles), and
    // must not take a row's room.
    auto* self = const_cast<CListCtrlBox*>(this);
    const int chrome = wxRendererNative::Get().GetHeaderButtonHeight(self) +
                       std::max(0, GetSize().y - GetClientSize().y) +
                       std::max(0, wxSystemSettings::GetMetric(wxSYS_HSCROLL_Y, self));
    return ListPaneHeight(rows, RowHeight(), chrome);
}

void CListCtrlBox::OnRightDown(wxMouseEvent& event) {
    event.Skip();
    // The parent hears of the click after the list has handled it (selection first), as a
    // right-button press at the point in the list's own coordinates.
    wxWindow* parent = GetParent();
    if (!parent) return;
    wxMouseEvent forwarded(event);
    auto* source = static_cast<wxWindow*>(event.GetEventObject());
    forwarded.SetPosition(ScreenToClient(source->ClientToScreen(event.GetPosition())));
    forwarded.SetEventObject(this);
    forwarded.SetId(GetId());
    parent->GetEventHandler()->AddPendingEvent(forwarded);
}

}  // namespace varlo

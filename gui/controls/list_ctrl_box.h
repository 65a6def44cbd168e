#pragma once
// The report list of the site list and the article list: a list control in report mode with
// the few operations those views need, each with a fixed result.

#include <wx/listctrl.h>

#include <functional>

namespace varlo {

// Where a virtual list takes its rows from: asked only for the rows it draws or is asked about.
struct ListRows {
    std::function<wxString(long row, long column)> text;
    std::function<bool(long row)> bold;  // rows shown in a bold font; none when empty
    std::function<bool(long row)> grey;  // rows shown in grey text; none when empty
};

class CListCtrlBox : public wxListCtrl {
  public:
    // The style of a virtual list: the rows come from SetRows and SetRowCount.
    static constexpr long kVirtualStyle =
        wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES;

    // A report list with single selection and grid lines (control 1000 of the views' templates).
    CListCtrlBox(wxWindow* parent, wxWindowID id = 1000, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize,
                 long style = wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES);

    // Appends a left-aligned column of `width` pixels; returns its index (-1 on failure).
    long AddColumn(const wxString& heading, int width);
    // Sub-item 0 appends a row (with the image unless it is -1) and returns its index; another
    // sub-item sets that column of the last row and returns the row; -1 and no effect when there
    // is no last row or no such column.
    long AddItem(int subItem, const wxString& text, int image = -1);
    // Fits every column to its content in bold (any row may turn bold later) and its heading: a
    // column is never narrower than its heading, so an empty column still shows what it is. The
    // headings are redrawn with the rows.
    void AutoSizeColumns(int flag);
    // The first selected row, -1 when none.
    int GetSelectedItem() const;
    // Gives `row` the selected and focused states; returns 0.
    int SelectItem(int row);
    // Removes every row.
    void DeleteAllItems();
    // A virtual list: where its rows come from, and how many there are now (the rows on screen
    // are asked for again).
    void SetRows(ListRows rows) { m_rows = std::move(rows); }
    void SetRowCount(long count);
    // Whether `row` is shown in a bold font.
    bool IsRowBold(long row) const;
    // Scrolls so that `row` becomes the first visible row; -1 and nothing when it is not a row.
    int ScrollToItem(int row);
    // The height of one row, in pixels, whether or not there are rows.
    int RowHeight() const;
    // The height the whole control needs to show `rows` rows below its heading.
    int PaneHeightForRows(int rows) const;

  protected:
    wxString OnGetItemText(long item, long column) const override;
    wxItemAttr* OnGetItemAttr(long item) const override;

  private:
    static constexpr int kCellMargin = 6;  // pixels on either side of a cell's text
    static constexpr int kRowMargin = 6;   // pixels a row adds to its text's height
    int ContentWidth(int column) const;
    int HeadingWidth(int column) const;
    void OnRightDown(wxMouseEvent& event);
    ListRows m_rows;
    mutable wxItemAttr m_boldAttr;
    mutable wxItemAttr m_rowAttr;  // a row bold and grey at once
};

}  // namespace varlo

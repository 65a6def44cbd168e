#include "gui/controls/list_ctrl_box.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/panel.h>
#include <memory>

#include <optional>

#include "gui_test_support.h"

namespace varlo {
namespace {

// A list 200 pixels high on a panel of a shown frame, so that rows can scroll.
class ListCtrlBoxTest : public ::testing::Test {
  protected:
    ListCtrlBoxTest() {
        m_frame->Show();
        PumpEvents();
    }
    ~ListCtrlBoxTest() override {
        m_frame->Destroy();
        test::PumpEvents();
    }
    static void PumpEvents() { test::PumpEvents(); }
    void FillRows(int count) {
        list->AddColumn("Title", 100);
        for (int i = 0; i < count; ++i) list->AddItem(0, wxString::Format("row %d", i));
        PumpEvents();
    }

  private:
    wxFrame* m_frame = new wxFrame(nullptr, wxID_ANY, "list", wxPoint(0, 0), wxSize(400, 300));

  protected:
    wxPanel* panel = new wxPanel(m_frame);
    CListCtrlBox* list = new CListCtrlBox(panel, 1000, wxPoint(0, 0), wxSize(300, 200));
};

TEST_F(ListCtrlBoxTest, OnAnEmptyListSubItemsAndScrollingHaveNoEffect) {
    list->AddColumn("A", 50);
    list->AddColumn("B", 50);
    list->AddColumn("C", 50);
    EXPECT_EQ(list->AddItem(2, "x"), -1);
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->ScrollToItem(0), -1);
    EXPECT_EQ(list->GetSelectedItem(), -1);
}

TEST_F(ListCtrlBoxTest, AnEmptyListMeasuresItsRowsAsHighAsTheyWillBe) {
    CListCtrlBox* virtualList =
        new CListCtrlBox(panel, 1001, wxPoint(0, 0), wxSize(300, 200), CListCtrlBox::kVirtualStyle);
    virtualList->SetRows({[](long, long) { return wxString("row"); }, {}, {}});
    virtualList->AddColumn("Title", 100);
    PumpEvents();
    for (CListCtrlBox* box : {list, virtualList}) {
        const int empty = box->RowHeight();
        if (box == list) {
            FillRows(3);
        } else {
            box->SetRowCount(3);
        }
        PumpEvents();
        wxRect first;
        ASSERT_TRUE(box->GetItemRect(0, first));
        EXPECT_EQ(empty, first.height);
        EXPECT_EQ(box->RowHeight(), first.height);
    }
}

TEST_F(ListCtrlBoxTest, AutoSizeMeasuresEveryRowInBoldForARowThatTurnsBoldLater) {
    CListCtrlBox* virtualList =
        new CListCtrlBox(panel, 1001, wxPoint(0, 0), wxSize(300, 200), CListCtrlBox::kVirtualStyle);
    // The list outlives this body (the panel takes it down later) and may paint until then: its
    // rows hold what they read, never this body's locals.
    auto bold = std::make_shared<bool>(false);
    const wxString date = "2026-12-09 00:00";
    virtualList->SetRows({[date](long, long) { return date; }, [bold](long) { return *bold; }, {}});
    virtualList->AddColumn("D", 10);
    virtualList->SetRowCount(2);
    virtualList->AutoSizeColumns(0);
    *bold = true;  // as an article marked unread again
    wxFont font = virtualList->GetFont();
    font.SetWeight(wxFONTWEIGHT_BOLD);
    int width = 0;
    virtualList->GetTextExtent(date, &width, nullptr, nullptr, nullptr, &font);
    EXPECT_GT(virtualList->GetColumnWidth(0), width + 8) << "the text and its margins";
}

TEST_F(ListCtrlBoxTest, SubItemZeroAppendsRowsAndOthersFillTheLastRow) {
    EXPECT_EQ(list->AddColumn("Title", 120), 0);
    EXPECT_EQ(list->AddColumn("Date", 80), 1);
    EXPECT_EQ(list->GetColumnWidth(0), 120);
    EXPECT_EQ(list->AddItem(0, "first"), 0);
    EXPECT_EQ(list->AddItem(1, "2024/01/01"), 0);
    EXPECT_EQ(list->AddItem(0, "second", 3), 1);
    EXPECT_EQ(list->AddItem(1, "2024/01/02"), 1);
    EXPECT_EQ(list->AddItem(4, "no such column"), -1);
    EXPECT_EQ(list->GetItemText(0, 1), "2024/01/01");
    EXPECT_EQ(list->GetItemText(1, 1), "2024/01/02");
    wxListItem item;
    item.SetId(1);
    item.SetMask(wxLIST_MASK_IMAGE);
    ASSERT_TRUE(list->GetItem(item));
    EXPECT_EQ(item.GetImage(), 3);
}

TEST_F(ListCtrlBoxTest, SelectItemSelectsAndFocusesOneRowAndDeleteAllClears) {
    FillRows(5);
    EXPECT_EQ(list->SelectItem(3), 0);
    EXPECT_EQ(list->GetItemState(3, wxLIST_STATE_FOCUSED), wxLIST_STATE_FOCUSED);
    list->SelectItem(1);
    EXPECT_EQ(list->GetSelectedItem(), 1);
    list->DeleteAllItems();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetSelectedItem(), -1);
    list->AddItem(0, "only");
    EXPECT_EQ(list->ScrollToItem(0), 0);  // a single row has no next row to measure by
}

TEST_F(ListCtrlBoxTest, ScrollToItemMakesTheRowTheFirstVisibleOneUnlessItIsNoRow) {
    FillRows(60);
    EXPECT_EQ(list->ScrollToItem(20), 0);
    PumpEvents();
    EXPECT_EQ(list->GetTopItem(), 20);
    EXPECT_EQ(list->ScrollToItem(5), 0);
    EXPECT_EQ(list->ScrollToItem(60), -1);
    EXPECT_EQ(list->ScrollToItem(-1), -1);
    PumpEvents();
    EXPECT_EQ(list->GetTopItem(), 5);
}

TEST_F(ListCtrlBoxTest, AutoSizeFitsContentButNeverHidesAHeading) {
    const wxString heading = "A rather long column heading";
    const wxString content = "content much longer than its own column heading";
    list->AddColumn(heading, 10);
    list->AddColumn("B", 10);
    list->AddColumn(heading, 10);  // an empty column, as the category column often is
    list->AddItem(0, "x");
    list->AddItem(1, content);
    for (int flag : {0, 1}) {
        list->AutoSizeColumns(flag);
        EXPECT_GE(list->GetColumnWidth(0), list->GetTextExtent(heading).x) << flag;
        EXPECT_GE(list->GetColumnWidth(1), list->GetTextExtent(content).x) << flag;
        EXPECT_GE(list->GetColumnWidth(2), list->GetTextExtent(heading).x) << flag;
    }
    EXPECT_TRUE(list->HasFlag(wxLC_HRULES) && list->HasFlag(wxLC_VRULES)) << "grid lines";
}

TEST_F(ListCtrlBoxTest, RightButtonIsPassedOnToTheParentInListCoordinates) {
    FillRows(5);
    std::optional<wxMouseEvent> heard;
    panel->Bind(wxEVT_RIGHT_DOWN, [&](wxMouseEvent& event) { heard = event; });
    wxWindow* rows = list->GetTargetWindow();
    wxMouseEvent press(wxEVT_RIGHT_DOWN);
    press.SetEventObject(rows);
    press.SetPosition(wxPoint(7, 9));
    press.SetShiftDown(true);
    rows->ProcessWindowEvent(press);
    PumpEvents();
    ASSERT_TRUE(heard.has_value());
    const wxPoint expected = list->ScreenToClient(rows->ClientToScreen(wxPoint(7, 9)));
    EXPECT_EQ(heard->GetPosition(), expected);
    EXPECT_GT(expected.y, 9);  // below the column headings
    EXPECT_TRUE(heard->ShiftDown());
    EXPECT_EQ(heard->GetEventObject(), list);
}

}  // namespace
}  // namespace varlo

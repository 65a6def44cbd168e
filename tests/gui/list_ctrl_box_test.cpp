#include "app/list_ctrl_box.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include <optional>

#include "gui_test_support.h"

namespace varlo {
namespace {

// A list on a panel of a frame, 200 pixels high so that rows can scroll.
class ListCtrlBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "list", wxPoint(0, 0), wxSize(400, 300));
        panel = new wxPanel(m_frame);
        list = new CListCtrlBox(panel, 1000, wxPoint(0, 0), wxSize(300, 200));
        m_frame->Show();
        test::PumpEvents();
    }
    void TearDown() override {
        m_frame->Destroy();
        test::PumpEvents();
    }
    void FillRows(int count) {
        list->AddColumn("Title", 100);
        for (int i = 0; i < count; ++i) list->AddItem(0, wxString::Format("row %d", i));
        test::PumpEvents();
    }

    wxPanel* panel = nullptr;
    CListCtrlBox* list = nullptr;

  private:
    wxFrame* m_frame = nullptr;
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

TEST_F(ListCtrlBoxTest, ColumnsAreAppendedLeftAlignedWithTheirWidth) {
    EXPECT_EQ(list->AddColumn(wxString::FromUTF8("タイトル"), 120), 0);
    EXPECT_EQ(list->AddColumn(wxString::FromUTF8("日付"), 80), 1);
    EXPECT_EQ(list->GetColumnCount(), 2);
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT | wxLIST_MASK_WIDTH);
    ASSERT_TRUE(list->GetColumn(1, column));
    EXPECT_EQ(column.GetText(), wxString::FromUTF8("日付"));
    EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_LEFT);
    EXPECT_EQ(list->GetColumnWidth(0), 120);
}

TEST_F(ListCtrlBoxTest, SubItemZeroAppendsRowsAndOthersFillTheLastRow) {
    list->AddColumn("Title", 100);
    list->AddColumn("Date", 100);
    EXPECT_EQ(list->AddItem(0, "first"), 0);
    EXPECT_EQ(list->AddItem(1, "2024/01/01"), 0);
    EXPECT_EQ(list->AddItem(0, "second", 3), 1);
    EXPECT_EQ(list->AddItem(1, "2024/01/02"), 1);
    EXPECT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetItemText(0, 0), "first");
    EXPECT_EQ(list->GetItemText(0, 1), "2024/01/01");
    EXPECT_EQ(list->GetItemText(1, 1), "2024/01/02");
    wxListItem item;
    item.SetId(1);
    item.SetMask(wxLIST_MASK_IMAGE);
    ASSERT_TRUE(list->GetItem(item));
    EXPECT_EQ(item.GetImage(), 3);
}

TEST_F(ListCtrlBoxTest, SubItemOfAMissingColumnHasNoEffect) {
    list->AddColumn("Title", 100);
    list->AddItem(0, "only");
    EXPECT_EQ(list->AddItem(4, "lost"), -1);
    EXPECT_EQ(list->GetItemText(0, 0), "only");
}

TEST_F(ListCtrlBoxTest, SelectItemSelectsAndFocusesAndReturnsZero) {
    FillRows(5);
    EXPECT_EQ(list->SelectItem(3), 0);
    EXPECT_EQ(list->GetSelectedItem(), 3);
    EXPECT_EQ(list->GetItemState(3, wxLIST_STATE_FOCUSED), wxLIST_STATE_FOCUSED);
    list->SelectItem(1);
    EXPECT_EQ(list->GetSelectedItem(), 1);  // single selection
}

TEST_F(ListCtrlBoxTest, DeleteAllItemsEmptiesTheList) {
    FillRows(4);
    list->SelectItem(2);
    list->DeleteAllItems();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetSelectedItem(), -1);
    EXPECT_EQ(list->GetColumnCount(), 1);
}

TEST_F(ListCtrlBoxTest, ScrollToItemMakesTheRowTheFirstVisibleOne) {
    FillRows(60);
    EXPECT_EQ(list->ScrollToItem(20), 0);
    test::PumpEvents();
    EXPECT_EQ(list->GetTopItem(), 20);
    EXPECT_EQ(list->ScrollToItem(5), 0);
    test::PumpEvents();
    EXPECT_EQ(list->GetTopItem(), 5);
}

TEST_F(ListCtrlBoxTest, ScrollToItemBeyondTheRowsReturnsMinusOneAndStays) {
    FillRows(60);
    list->ScrollToItem(10);
    test::PumpEvents();
    EXPECT_EQ(list->ScrollToItem(60), -1);
    EXPECT_EQ(list->ScrollToItem(-1), -1);
    test::PumpEvents();
    EXPECT_EQ(list->GetTopItem(), 10);
}

TEST_F(ListCtrlBoxTest, ScrollToItemOnASingleRowIsHarmless) {
    FillRows(1);
    EXPECT_EQ(list->ScrollToItem(0), 0);
    EXPECT_EQ(list->GetTopItem(), 0);
}

TEST_F(ListCtrlBoxTest, AutoSizeFitsContentAndWithTheFlagTheHeadingToo) {
    list->AddColumn("A rather long column heading", 10);
    list->AddColumn("B", 10);
    list->AddItem(0, "x");
    list->AutoSizeColumns(1);
    const int withHeading = list->GetColumnWidth(0);
    EXPECT_GE(withHeading, list->GetTextExtent("A rather long column heading").x);
    list->AutoSizeColumns(0);
    EXPECT_LT(list->GetColumnWidth(0), withHeading) << list->GetColumnWidth(0);
    list->AddItem(0, "A row whose text is much wider than the heading of its column");
    list->AutoSizeColumns(0);
    EXPECT_GE(list->GetColumnWidth(0),
              list->GetTextExtent("A row whose text is much wider than the heading").x);
}

TEST_F(ListCtrlBoxTest, RightButtonIsPassedOnToTheParentInListCoordinates) {
    FillRows(5);
    std::optional<wxMouseEvent> heard;
    panel->Bind(wxEVT_RIGHT_DOWN, [&](wxMouseEvent& event) { heard = event; });
    wxWindow* rows = list->GetTargetWindow();
    ASSERT_NE(rows, nullptr);
    wxMouseEvent press(wxEVT_RIGHT_DOWN);
    press.SetEventObject(rows);
    press.SetPosition(wxPoint(7, 9));
    press.SetShiftDown(true);
    press.SetRightDown(true);
    rows->ProcessWindowEvent(press);
    test::PumpEvents();
    ASSERT_TRUE(heard.has_value());
    const wxPoint expected = list->ScreenToClient(rows->ClientToScreen(wxPoint(7, 9)));
    EXPECT_EQ(heard->GetPosition(), expected);
    EXPECT_GT(expected.y, 9);  // below the column headings
    EXPECT_TRUE(heard->ShiftDown());
    EXPECT_FALSE(heard->ControlDown());
    EXPECT_EQ(heard->GetEventObject(), list);
}

}  // namespace
}  // namespace varlo

// Details of the main window a user notices: grid lines, the program's icon, where the page
// information appears, headings that stay readable and list heights that survive a restart.

#include <wx/splitter.h>
#include <wx/statbmp.h>

#include "app_fixture.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/platform/program_icon.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"

namespace varlo::test {
namespace {

using WindowDetails = AppTest;

// The pixels of an icon, to tell the program's own icon from a stock one.
wxImage Pixels(const wxBitmap& bitmap) {
    return bitmap.ConvertToImage();
}

TEST_F(WindowDetails, BothListsShowGridLinesAndTheFrameCarriesTheProgramIcon) {
    ASSERT_TRUE(Start());
    for (wxWindow* list : {Frame().SiteList()->GetList(), Frame().ArticleList()->GetList()}) {
        EXPECT_TRUE(list->HasFlag(wxLC_HRULES) && list->HasFlag(wxLC_VRULES));
    }
    ASSERT_FALSE(ProgramIcons().IsEmpty());
    EXPECT_EQ(Frame().GetIcons().GetIconCount(), ProgramIcons().GetIconCount());
}

TEST_F(WindowDetails, TheAboutBoxShowsTheProgramIcon) {
    ASSERT_TRUE(Start());
    ExpectModal([](wxDialog* shown) {
        wxStaticBitmap* picture = nullptr;
        for (wxWindow* child : shown->GetChildren()) {
            if (auto* bitmap = dynamic_cast<wxStaticBitmap*>(child)) picture = bitmap;
        }
        EXPECT_NE(picture, nullptr);
        if (!picture) return wxID_OK;
        const wxImage shown_image = Pixels(picture->GetBitmap());
        const wxIcon own =
            ProgramIcons().GetIcon(shown_image.GetSize(), wxIconBundle::FALLBACK_NEAREST_LARGER);
        wxBitmap ownBitmap;
        ownBitmap.CopyFromIcon(own);
        const wxImage expected = Pixels(ownBitmap);
        EXPECT_EQ(shown_image.GetSize(), expected.GetSize());
        if (shown_image.GetSize() == expected.GetSize()) {
            const size_t bytes = 3u * shown_image.GetWidth() * shown_image.GetHeight();
            EXPECT_TRUE(std::equal(shown_image.GetData(), shown_image.GetData() + bytes,
                                   expected.GetData()));
        }
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kAppAbout);
    ExpectNoPendingModals();
}

TEST_F(WindowDetails, PageInformationIsCentredOnTheMainWindow) {
    ASSERT_TRUE(Start());
    Frame().SetSize(40, 30, 900, 700);
    PumpEvents();
    const wxPoint frameCentre = Frame().GetScreenRect().GetPosition() +
                                wxSize(Frame().GetSize().x / 2, Frame().GetSize().y / 2);
    ExpectModal([&](wxDialog* shown) {
        const wxRect rect = shown->GetScreenRect();
        const wxPoint centre = rect.GetPosition() + wxSize(rect.width / 2, rect.height / 2);
        // The lower panes' centre lies well below the frame's: a few pixels of rounding only.
        EXPECT_LE(std::abs(centre.x - frameCentre.x), 4);
        EXPECT_LE(std::abs(centre.y - frameCentre.y), 4);
        return wxID_OK;
    });
    Frame().Browser()->ShowPageInfo();
    ExpectNoPendingModals();
}

TEST_F(WindowDetails, AnEmptyCategoryColumnStillShowsItsHeading) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file,
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head><title>t"
              "</title></head><body><outline title=\"Subscriptions\">"
              "<outline title=\"A\" htmlUrl=\"http://a.example/\" /></outline></body></opml>");
    ASSERT_TRUE(Start({file}));
    auto* list = static_cast<CListCtrlBox*>(Frame().SiteList()->GetList());
    ASSERT_EQ(SiteRowCount(), 1);
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        list->GetColumn(column, heading);
        EXPECT_GE(list->GetColumnWidth(column), list->GetTextExtent(heading.GetText()).x)
            << heading.GetText();
    }
    SaveScreenshot(&Frame(), "window_details");
}

TEST_F(WindowDetails, ListHeightsAreKeptAcrossARestartAndFittedToTheWindow) {
    ASSERT_TRUE(Start());
    // At the first start each list has room for eight rows, the browser pane for more.
    for (CListCtrlBox* list : {Frame().SiteList()->GetList(), Frame().ArticleList()->GetList()}) {
        const int rowsRoom = list->GetTargetWindow()->GetClientSize().y;
        EXPECT_GE(rowsRoom, 8 * list->RowHeight())
            << "list " << list->GetSize().y << " rows " << rowsRoom;
    }
    EXPECT_GT(Frame().Browser()->GetPaneWindow()->GetSize().y, 100);
    Frame().OuterSplitter()->SetSashPosition(140);
    Frame().InnerSplitter()->SetSashPosition(90);
    PumpEvents();
    Stop();
    EXPECT_EQ(StoredSettings()->GetInt("Window size", "SiteListHeight", 0), 140);
    EXPECT_EQ(StoredSettings()->GetInt("Window size", "ArticleListHeight", 0), 90);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().OuterSplitter()->GetSashPosition(), 140);
    EXPECT_EQ(Frame().InnerSplitter()->GetSashPosition(), 90);
    Stop();

    // Heights larger than the window leave the other panes their room.
    StoredSettings()->WriteInt("Window size", "SiteListHeight", 5000);
    StoredSettings()->WriteInt("Window size", "ArticleListHeight", 5000);
    ASSERT_TRUE(Start());
    const int height = Frame().OuterSplitter()->GetClientSize().y;
    EXPECT_LT(Frame().OuterSplitter()->GetSashPosition(), height);
    EXPECT_LT(Frame().InnerSplitter()->GetSashPosition(),
              Frame().InnerSplitter()->GetClientSize().y);
    EXPECT_GT(Frame().InnerSplitter()->GetClientSize().y, 0);
}

}  // namespace
}  // namespace varlo::test

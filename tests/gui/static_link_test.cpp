#include "app/static_link.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <string>
#include <vector>

#include "gui_test_support.h"
#include "platform/gui/shell_open.h"
#include "support/test_support.h"

namespace varlo {
namespace {

// A frame holding one link, and launchers that record instead of opening.
class StaticLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "links");
        m_previous = SetShellLauncher({[this](const std::string& address) {
                                           opened.push_back(address);
                                           return launchSucceeds;
                                       },
                                       [this](const std::string& path) {
                                           opened.push_back(path);
                                           return launchSucceeds;
                                       }});
    }
    void TearDown() override {
        SetShellLauncher(m_previous);
        m_frame->Destroy();
        test::PumpEvents();
    }
    CStaticLink* Link(const wxString& label, const std::string& target = std::string()) {
        return new CStaticLink(m_frame, wxID_ANY, label, wxPoint(0, 0), wxSize(200, 20), target);
    }
    static void Click(wxWindow* window) {
        wxMouseEvent down(wxEVT_LEFT_DOWN);
        down.SetEventObject(window);
        window->ProcessWindowEvent(down);
    }

    std::vector<std::string> opened;
    bool launchSucceeds = true;

  private:
    wxFrame* m_frame = nullptr;
    ShellLauncher m_previous;
};

TEST_F(StaticLinkTest, StartsBlueAndUnderlinedWithAHandPointer) {
    CStaticLink* link = Link("https://example.org/");
    EXPECT_EQ(link->LinkColour(), wxColour(0, 0, 255));
    EXPECT_EQ(link->GetForegroundColour(), wxColour(0, 0, 255));
    EXPECT_TRUE(link->GetFont().GetUnderlined());
    EXPECT_TRUE(link->GetCursor().IsOk());
}

TEST_F(StaticLinkTest, ClickOpensTheTargetAndTurnsPurple) {
    CStaticLink* link = Link("Support", "mailto:help@example.org");
    Click(link);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:help@example.org");
    EXPECT_EQ(link->LinkColour(), wxColour(128, 0, 128));
    EXPECT_EQ(link->GetForegroundColour(), wxColour(128, 0, 128));
}

TEST_F(StaticLinkTest, WithoutATargetOpensItsOwnText) {
    CStaticLink* link = Link("http://example.org/page");
    Click(link);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "http://example.org/page");
}

TEST_F(StaticLinkTest, StaysBlueWhenTheHandlerCannotOpenIt) {
    launchSucceeds = false;
    CStaticLink* link = Link("http://example.org/");
    Click(link);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(link->LinkColour(), wxColour(0, 0, 255));
}

TEST_F(StaticLinkTest, RefusedTargetIsNotLaunchedAndSaysWhy) {
    test::MessageCapture messages;
    CStaticLink* link = Link("click", "javascript:alert(1)");
    EXPECT_FALSE(link->OpenLink());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(link->LinkColour(), wxColour(0, 0, 255));
}

TEST_F(StaticLinkTest, EmptyTextAndTargetDoNothing) {
    test::MessageCapture messages;
    CStaticLink* link = Link("");
    EXPECT_FALSE(link->OpenLink());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(messages.Messages().empty());
}

}  // namespace
}  // namespace varlo

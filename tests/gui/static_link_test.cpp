#include "gui/controls/static_link.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <memory>

#include "dialog_test_util.h"
#include "gui_test_support.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

// A frame to hold links; destroyed after each test.
class StaticLinkTest : public ::testing::Test {
  protected:
    ~StaticLinkTest() override {
        m_frame->Destroy();
        PumpEvents();
    }
    CStaticLink* Link(const wxString& label, const std::string& target = std::string()) {
        return new CStaticLink(m_frame, wxID_ANY, label, wxPoint(0, 0), wxSize(200, 20), target);
    }
    static void Click(wxWindow* window) {
        wxMouseEvent down(wxEVT_LEFT_DOWN);
        down.SetEventObject(window);
        window->ProcessWindowEvent(down);
    }

  private:
    wxFrame* m_frame = new wxFrame(nullptr, wxID_ANY, "links");
};

TEST_F(StaticLinkTest, ClickOpensTheTargetAndTurnsTheBlueLinkPurple) {
    RecordingLauncher launcher;
    CStaticLink* link = Link("Support", "mailto:help@example.org");
    EXPECT_EQ(link->LinkColour(), wxColour(0, 0, 255));
    EXPECT_TRUE(link->GetFont().GetUnderlined());
    Click(link);
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"mailto:help@example.org"});
    EXPECT_EQ(link->LinkColour(), wxColour(128, 0, 128));
}

TEST_F(StaticLinkTest, WithoutATargetOpensItsOwnText) {
    RecordingLauncher launcher;
    Click(Link("http://example.org/page"));
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"http://example.org/page"});
}

TEST_F(StaticLinkTest, StaysBlueWhenTheHandlerFails) {
    RecordingLauncher launcher(false);
    MessageCapture messages;
    CStaticLink* link = Link("http://example.org/");
    EXPECT_FALSE(link->OpenLink());
    EXPECT_EQ(link->LinkColour(), wxColour(0, 0, 255));
    EXPECT_EQ(messages.Messages().size(), 1u) << "the failed launch is told";
}

TEST_F(StaticLinkTest, RefusedTargetSaysWhyAndEmptyOneDoesNothing) {
    RecordingLauncher launcher;
    MessageCapture messages;
    EXPECT_FALSE(Link("click", "javascript:alert(1)")->OpenLink());
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_FALSE(Link("")->OpenLink());
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(launcher.opened.empty());
}

}  // namespace
}  // namespace varlo

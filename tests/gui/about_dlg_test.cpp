#include "gui/controls/about_dlg.h"

#include <gtest/gtest.h>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui/controls/static_link.h"
#include "gui_test_support.h"
#include "platform/product.h"
#include "screenshot.h"

namespace varlo {
namespace {

using namespace test;

TEST(AboutBox, ShowsTheMakersLinksWhichOpenTheMailAddressAndTheShownPage) {
    RecordingLauncher launcher;
    CAboutDlg dialog(nullptr);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("Varloのﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(TemplateControl<CStaticLink>(*shown, 206)->GetLabel(), "support@example.org");
        EXPECT_EQ(TemplateControl<CStaticLink>(*shown, 156)->GetLabel(), kHomePageAddress);
        SaveScreenshot(shown, "about_dlg");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    ExpectNoPendingModals();
    dialog.m_mailLink->OpenLink();
    dialog.m_homeLink->OpenLink();
    EXPECT_EQ(launcher.opened,
              (std::vector<std::string>{"mailto:support@example.org", kHomePageAddress}));
}

}  // namespace
}  // namespace varlo

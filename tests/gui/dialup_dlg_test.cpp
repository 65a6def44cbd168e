#include "gui/controls/dialup_dlg.h"

#include <gtest/gtest.h>
#include <wx/choice.h>

#include "dialog_test_util.h"
#include "fetch/ras_connection.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/settings.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/fake_dialup.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

wxChoice* Entries(wxDialog* shown) {
    return TemplateControl<wxChoice>(*shown, 1004);
}

// A phone book of four entries, settings in memory, and the stored entry name.
class DialupDialogTest : public ::testing::Test {
  protected:
    // Shows the dialog with `stored` remembered; `answer` sees it and gives its result.
    int Show(const Text& stored, std::function<int(wxDialog*)> answer) {
        settings.WriteString("System", "DialupEntry", stored);
        writes = settings.WriteCount();
        CDialupDlg dialog(nullptr, connection, settings);
        ExpectModal(std::move(answer));
        const int result = dialog.DoModal();
        ExpectNoPendingModals();
        return result;
    }
    Text Stored() { return settings.GetString("System", "DialupEntry", "(missing)"); }

    FakeDialupService service;
    CRasConnection connection{service};
    MemorySettings settings;
    size_t writes = 0;

    DialupDialogTest() {
        service.entries = std::vector<std::string>{"office", "Home", "isp-b", "ISP-a"};
    }
};

TEST_F(DialupDialogTest, ListsTheEntriesSortedWithTheStoredOneSelected) {
    Show("office", [](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("ダイヤルアップ接続"));
        const wxArrayString names = Entries(shown)->GetStrings();
        EXPECT_EQ(std::vector<wxString>(names.begin(), names.end()),
                  (std::vector<wxString>{"Home", "ISP-a", "isp-b", "office"}));
        EXPECT_EQ(Entries(shown)->GetStringSelection(), "office");
        SaveScreenshot(shown, "dialup_dlg");
        return wxID_CANCEL;
    });
}

TEST_F(DialupDialogTest, StoredNameSelectsTheFirstEntryItBeginsWithoutCase) {
    Show("isp", [](wxDialog* shown) {
        EXPECT_EQ(Entries(shown)->GetStringSelection(), "ISP-a");
        return wxID_CANCEL;
    });
}

TEST_F(DialupDialogTest, OkStoresTheChosenEntry) {
    EXPECT_EQ(Show("Home",
                   [](wxDialog* shown) {
                       Entries(shown)->SetStringSelection("isp-b");
                       return wxID_OK;
                   }),
              1);
    EXPECT_EQ(Stored(), "isp-b");
    EXPECT_TRUE(service.calls.empty());  // the dialog only chooses; dialling is the caller's
}

TEST_F(DialupDialogTest, CancelStoresNothing) {
    EXPECT_EQ(Show("Home",
                   [](wxDialog* shown) {
                       Entries(shown)->SetStringSelection("office");
                       return wxID_CANCEL;
                   }),
              2);
    EXPECT_EQ(settings.WriteCount(), writes);
}

TEST_F(DialupDialogTest, DeletedStoredEntryOrUnreadableBookSelectNothingAndOkStoresEmpty) {
    auto nothingSelected = [](wxDialog* shown) {
        EXPECT_EQ(Entries(shown)->GetSelection(), wxNOT_FOUND);
        return wxID_OK;
    };
    Show("gone", nothingSelected);
    EXPECT_EQ(Stored(), "");
    service.entries.reset();
    Show("Home", nothingSelected);
    EXPECT_EQ(Stored(), "");
}

TEST_F(DialupDialogTest, WithoutDialupNetworkingItSaysSoInsteadOfAnEmptyList) {
    MessageCapture messages;
    service.available = false;
    CDialupDlg dialog(nullptr, connection, settings);
    EXPECT_EQ(dialog.DoModal(), 2);  // no dialog was expected: one shown would fail the test
    ExpectNoPendingModals();
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"ダイヤルアップネットワークを利用できません"});
}

TEST(DialupEntryOrder, SortsAndFindsWithoutCaseButNeverFoldsATrailByte) {
    EXPECT_EQ(CDialupDlg::SortEntries({"b", "A", "a", "C"}),
              (std::vector<Text>{"A", "a", "b", "C"}));
    EXPECT_EQ(CDialupDlg::FindPrefix({"Alpha", "beta"}, "BE"), 1);
    EXPECT_EQ(CDialupDlg::FindPrefix({"Alpha", "beta"}, "alphabet"), -1);
    // "ア" is 0x83 0x41: its trail byte is an "A", which must not match an "a".
    EXPECT_EQ(CDialupDlg::FindPrefix({Sjis("ア")},
                                     "\x83"
                                     "a"),
              -1);
    EXPECT_EQ(CDialupDlg::FindPrefix({Sjis("ア")}, Sjis("ア")), 0);
}

}  // namespace
}  // namespace varlo

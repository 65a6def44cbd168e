#include "app/dialup_dlg.h"

#include <gtest/gtest.h>
#include <wx/choice.h>

#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/settings.h"
#include "fetch/ras_connection.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/fake_dialup.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ExpectModal;
using test::Sjis;

std::vector<wxString> Listed(wxDialog* shown) {
    std::vector<wxString> names;
    auto* list = TemplateControl<wxChoice>(*shown, 1004);
    for (unsigned i = 0; i < list->GetCount(); ++i) names.push_back(list->GetString(i));
    return names;
}

wxString Selected(wxDialog* shown) {
    return TemplateControl<wxChoice>(*shown, 1004)->GetStringSelection();
}

// A phone book of four entries and settings in memory.
class DialupDialogTest : public ::testing::Test {
  protected:
    DialupDialogTest() {
        service.entries = std::vector<std::string>{"office", "Home", "isp-b", "ISP-a"};
    }

    test::FakeDialupService service;
    CRasConnection connection{service};
    MemorySettings settings;
};

TEST_F(DialupDialogTest, ListsTheEntriesSortedWithTheStoredOneSelected) {
    settings.WriteString("System", "DialupEntry", "office");
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), wxString::FromUTF8("ダイヤルアップ接続"));
        EXPECT_EQ(Listed(shown), (std::vector<wxString>{"Home", "ISP-a", "isp-b", "office"}));
        EXPECT_EQ(Selected(shown), "office");
        test::SaveScreenshot(shown, "dialup_dlg");
        return wxID_CANCEL;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    test::ExpectNoPendingModals();
}

TEST_F(DialupDialogTest, StoredNameSelectsTheFirstEntryItBegins) {
    settings.WriteString("System", "DialupEntry", "isp");
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(Selected(shown), "ISP-a");
        return wxID_CANCEL;
    });
    dialog.DoModal();
}

TEST_F(DialupDialogTest, DeletedStoredEntrySelectsNothingAndOkStoresEmpty) {
    settings.WriteString("System", "DialupEntry", "gone");
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(TemplateControl<wxChoice>(*shown, 1004)->GetSelection(), wxNOT_FOUND);
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strEntry, "");
    EXPECT_EQ(settings.GetString("System", "DialupEntry", "unset"), "");
}

TEST_F(DialupDialogTest, OkStoresTheChosenEntry) {
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        auto* list = TemplateControl<wxChoice>(*shown, 1004);
        list->SetStringSelection("isp-b");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strEntry, "isp-b");
    EXPECT_EQ(settings.GetString("System", "DialupEntry", ""), "isp-b");
    EXPECT_TRUE(service.calls.empty());  // the dialog only chooses; dialling is the caller's
}

TEST_F(DialupDialogTest, CancelStoresNothing) {
    settings.WriteString("System", "DialupEntry", "Home");
    const size_t writes = settings.WriteCount();
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        TemplateControl<wxChoice>(*shown, 1004)->SetStringSelection("office");
        return wxID_CANCEL;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(settings.WriteCount(), writes);
    EXPECT_EQ(settings.GetString("System", "DialupEntry", ""), "Home");
}

TEST_F(DialupDialogTest, UnreadablePhoneBookGivesAnEmptyList) {
    service.entries.reset();
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        EXPECT_TRUE(Listed(shown).empty());
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(settings.GetString("System", "DialupEntry", "unset"), "");
}

TEST_F(DialupDialogTest, JapaneseEntryNamesAreShownAndStoredAsSystemText) {
    service.entries = std::vector<std::string>{"会社", "自宅"};
    settings.WriteString("System", "DialupEntry", Sjis("自"));
    CDialupDlg dialog(nullptr, connection, settings);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(Selected(shown), wxString::FromUTF8("自宅"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(settings.GetString("System", "DialupEntry", ""), Sjis("自宅"));
}

TEST(DialupEntryOrder, SortsWithoutCaseThenByBytes) {
    EXPECT_EQ(CDialupDlg::SortEntries({"b", "A", "a", "C"}),
              (std::vector<Text>{"A", "a", "b", "C"}));
}

TEST(DialupEntryOrder, PrefixIgnoresCaseOfLettersOnly) {
    const std::vector<Text> names = {"Alpha", "beta"};
    EXPECT_EQ(CDialupDlg::FindPrefix(names, "BE"), 1);
    EXPECT_EQ(CDialupDlg::FindPrefix(names, "alphabet"), -1);
    EXPECT_EQ(CDialupDlg::FindPrefix(names, ""), 0);
}

TEST(DialupEntryOrder, TrailBytesAreNeverTakenForLetters) {
    // "ア" is 0x83 0x41: its trail byte is an "A", which must not match an "a".
    const std::vector<Text> names = {Sjis("ア")};
    EXPECT_EQ(CDialupDlg::FindPrefix(names,
                                     "\x83"
                                     "a"),
              -1);
    EXPECT_EQ(CDialupDlg::FindPrefix(names, Sjis("ア")), 0);
}

}  // namespace
}  // namespace varlo

#include "app/site_item_dlg.h"

#include <gtest/gtest.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "app/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ExpectModal;
using test::Sjis;

wxString Utf8(const char* text) {
    return wxString::FromUTF8(text);
}

void Fill(CSiteItemDlg& dialog) {
    dialog.m_strTitle = Sjis("日記");
    dialog.m_strCategory = Sjis("趣味");
    dialog.m_strUrl = "http://example.org/";
    dialog.m_strFeed = "http://example.org/index.rdf";
}

TEST(SiteItemDialog, ShowsTheFieldsInTheirControls) {
    CSiteItemDlg dialog(nullptr);
    Fill(dialog);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), Utf8("サイト情報"));
        EXPECT_EQ(TemplateControl<wxTextCtrl>(*shown, 1001)->GetValue(), Utf8("日記"));
        EXPECT_EQ(TemplateControl<wxComboBox>(*shown, 1002)->GetValue(), Utf8("趣味"));
        EXPECT_EQ(TemplateControl<wxTextCtrl>(*shown, 1003)->GetValue(), "http://example.org/");
        EXPECT_EQ(TemplateControl<wxTextCtrl>(*shown, 1004)->GetValue(),
                  "http://example.org/index.rdf");
        return wxID_CANCEL;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    test::ExpectNoPendingModals();
}

TEST(SiteItemDialog, GivesBackEveryEditedTextOnOk) {
    CSiteItemDlg dialog(nullptr);
    Fill(dialog);
    ExpectModal([](wxDialog* shown) {
        TemplateControl<wxTextCtrl>(*shown, 1001)->SetValue(Utf8("新しい題"));
        TemplateControl<wxComboBox>(*shown, 1002)->SetValue(Utf8("ニュース"));
        TemplateControl<wxTextCtrl>(*shown, 1003)->SetValue("https://example.net/");
        TemplateControl<wxTextCtrl>(*shown, 1004)->SetValue("https://example.net/atom.xml");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_strTitle, Sjis("新しい題"));
    EXPECT_EQ(dialog.m_strCategory, Sjis("ニュース"));
    EXPECT_EQ(dialog.m_strUrl, "https://example.net/");
    EXPECT_EQ(dialog.m_strFeed, "https://example.net/atom.xml");
}

TEST(SiteItemDialog, KeepsEveryFieldOnCancel) {
    CSiteItemDlg dialog(nullptr);
    Fill(dialog);
    ExpectModal([](wxDialog* shown) {
        TemplateControl<wxTextCtrl>(*shown, 1001)->SetValue("changed");
        TemplateControl<wxComboBox>(*shown, 1002)->SetValue("changed");
        return wxID_CANCEL;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(dialog.m_strTitle, Sjis("日記"));
    EXPECT_EQ(dialog.m_strCategory, Sjis("趣味"));
}

TEST(SiteItemDialog, OffersTheCategoriesInTheirOrderAndKeepsTheTypedOne) {
    const std::vector<Text> categories = {Sjis("ニュース"), "Blog", Sjis("趣味")};
    CSiteItemDlg dialog(nullptr);
    Fill(dialog);
    dialog.m_strCategory = Sjis("未分類");
    dialog.m_pCategories = &categories;
    ExpectModal([](wxDialog* shown) {
        auto* combo = TemplateControl<wxComboBox>(*shown, 1002);
        EXPECT_EQ(combo->GetCount(), 3u);
        EXPECT_EQ(combo->GetString(0), Utf8("ニュース"));
        EXPECT_EQ(combo->GetString(1), "Blog");
        EXPECT_EQ(combo->GetString(2), Utf8("趣味"));
        // Filling the list after the text must not replace the text.
        EXPECT_EQ(combo->GetValue(), Utf8("未分類"));
        test::SaveScreenshot(shown, "site_item_dlg");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strCategory, Sjis("未分類"));
}

TEST(SiteItemDialog, WithoutCategoriesHasAnEmptyListAndTakesATypedCategory) {
    CSiteItemDlg dialog(nullptr);
    ExpectModal([](wxDialog* shown) {
        auto* combo = TemplateControl<wxComboBox>(*shown, 1002);
        EXPECT_EQ(combo->GetCount(), 0u);
        combo->SetValue(Utf8("技術"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strCategory, Sjis("技術"));
}

TEST(SiteItemDialog, ShownTwiceListsTheCategoriesOnce) {
    const std::vector<Text> categories = {"A", "B"};
    CSiteItemDlg dialog(nullptr);
    dialog.m_pCategories = &categories;
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    dialog.DoModal();
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(TemplateControl<wxComboBox>(*shown, 1002)->GetCount(), 2u);
        return wxID_CANCEL;
    });
    dialog.DoModal();
    test::ExpectNoPendingModals();
}

TEST(SiteItemDialog, IsLaidOutInDialogUnits) {
    CSiteItemDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(211, 108)));
    EXPECT_EQ(TemplateControl<wxTextCtrl>(dialog, 1004)->GetPosition(),
              dialog.ConvertDialogToPixels(wxPoint(47, 61)));
    EXPECT_EQ(TemplateControl<wxComboBox>(dialog, 1002)->GetPosition(),
              dialog.ConvertDialogToPixels(wxPoint(46, 23)));
}

}  // namespace
}  // namespace varlo

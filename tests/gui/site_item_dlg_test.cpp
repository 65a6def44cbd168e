#include "gui/controls/site_item_dlg.h"

#include <gtest/gtest.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

wxTextCtrl* Edit(wxDialog* shown, int id) {
    return TemplateControl<wxTextCtrl>(*shown, id);
}
wxComboBox* Combo(wxDialog* shown) {
    return TemplateControl<wxComboBox>(*shown, 1002);
}

// A dialog filled as the site list fills it for an existing site.
struct FilledDialog : CSiteItemDlg {
    FilledDialog() : CSiteItemDlg(nullptr) {
        m_strTitle = Sjis("日記");
        m_strCategory = Sjis("趣味");
        m_strUrl = "http://example.org/";
        m_strFeed = "http://example.org/index.rdf";
    }
};

TEST(SiteItemDialog, ShowsTheFieldsAndGivesBackEveryEditedTextOnOk) {
    FilledDialog dialog;
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("サイト情報"));
        EXPECT_EQ(Edit(shown, 1001)->GetValue(), U8("日記"));
        EXPECT_EQ(Combo(shown)->GetValue(), U8("趣味"));
        EXPECT_EQ(Edit(shown, 1003)->GetValue(), "http://example.org/");
        EXPECT_EQ(Edit(shown, 1004)->GetValue(), "http://example.org/index.rdf");
        Edit(shown, 1001)->SetValue(U8("新しい題"));
        Combo(shown)->SetValue(U8("ニュース"));
        Edit(shown, 1003)->SetValue("https://example.net/");
        Edit(shown, 1004)->SetValue("https://example.net/atom.xml");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_strTitle, Sjis("新しい題"));
    EXPECT_EQ(dialog.m_strCategory, Sjis("ニュース"));
    EXPECT_EQ(dialog.m_strUrl, "https://example.net/");
    EXPECT_EQ(dialog.m_strFeed, "https://example.net/atom.xml");
}

TEST(SiteItemDialog, OffersTheCategoriesInTheirOrderOnceAndKeepsTheTypedOne) {
    const std::vector<Text> categories = {Sjis("ニュース"), "Blog", Sjis("趣味")};
    FilledDialog dialog;
    dialog.m_strCategory = Sjis("未分類");
    dialog.m_pCategories = &categories;
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    dialog.DoModal();  // a second showing must not list them twice
    ExpectModal([](wxDialog* shown) {
        const wxArrayString listed = Combo(shown)->GetStrings();
        EXPECT_EQ(std::vector<wxString>(listed.begin(), listed.end()),
                  (std::vector<wxString>{U8("ニュース"), "Blog", U8("趣味")}));
        // Filling the list after the text must not replace the text.
        EXPECT_EQ(Combo(shown)->GetValue(), U8("未分類"));
        SaveScreenshot(shown, "site_item_dlg");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strCategory, Sjis("未分類"));
}

TEST(SiteItemDialog, WithoutCategoriesHasAnEmptyListAndTakesATypedCategory) {
    CSiteItemDlg dialog(nullptr);
    ExpectModal([](wxDialog* shown) {
        EXPECT_TRUE(Combo(shown)->IsListEmpty());
        Combo(shown)->SetValue(U8("技術"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_strCategory, Sjis("技術"));
}

}  // namespace
}  // namespace varlo

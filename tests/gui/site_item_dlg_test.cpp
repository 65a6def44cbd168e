#include "gui/controls/site_item_dlg.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
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

template <class T>
T* Control(wxDialog* shown, int id) {
    return TemplateControl<T>(*shown, id);
}

TEST(SiteItemDialog, TheDetailsTabShowsTheSitesOwnSettingsAndGivesBackTheChanges) {
    FilledDialog dialog;
    dialog.m_strFeed = "https://example.org/index.rdf";
    dialog.m_settings.interval = 30;
    dialog.m_settings.user = "ann";
    dialog.m_settings.fullText = true;
    dialog.m_hasPassword = true;
    dialog.m_showDetails = true;
    ExpectModal([](wxDialog* shown) {
        auto* tabs = Control<wxNotebook>(shown, 1010);
        EXPECT_EQ(tabs->GetSelection(), 1);
        EXPECT_EQ(tabs->GetPageText(1), U8("詳細"));
        EXPECT_EQ(Control<wxChoice>(shown, 1101)->GetSelection(), 1);
        EXPECT_EQ(Control<wxSpinCtrl>(shown, 1102)->GetValue(), 30);
        EXPECT_FALSE(Control<wxTextCtrl>(shown, 1104)->IsEnabled());  // Varlo's own agent
        EXPECT_EQ(Control<wxTextCtrl>(shown, 1105)->GetValue(), "ann");
        EXPECT_TRUE(Control<wxTextCtrl>(shown, 1106)->GetValue().empty());  // never shown
        EXPECT_EQ(Control<wxChoice>(shown, 1107)->GetSelection(), 0);
        EXPECT_TRUE(Control<wxCheckBox>(shown, 1111)->GetValue());  // notify: on by default
        EXPECT_TRUE(Control<wxCheckBox>(shown, 1112)->GetValue());
        EXPECT_FALSE(Control<wxCheckBox>(shown, 1113)->GetValue());
        SaveScreenshot(shown, "site_item_dlg_details");
        Control<wxChoice>(shown, 1101)->SetSelection(0);
        Control<wxChoice>(shown, 1103)->SetSelection(2);
        Control<wxTextCtrl>(shown, 1104)->SetValue("Reader/1.0");
        Control<wxTextCtrl>(shown, 1106)->SetValue("new secret");
        Control<wxChoice>(shown, 1107)->SetSelection(1);
        Control<wxSpinCtrl>(shown, 1108)->SetValue(14);
        Control<wxSpinCtrl>(shown, 1109)->SetValue(500);
        Control<wxChoice>(shown, 1110)->SetSelection(2);
        Control<wxCheckBox>(shown, 1111)->SetValue(false);
        Control<wxCheckBox>(shown, 1113)->SetValue(true);
        return wxID_OK;
    });
    ASSERT_EQ(dialog.DoModal(), 1);
    const SiteSettings& s = dialog.m_settings;
    EXPECT_EQ(s.interval, 0);
    EXPECT_EQ(s.agentKind, UserAgentKind::kCustom);
    EXPECT_EQ(s.agent, "Reader/1.0");
    EXPECT_EQ(s.keepDays, 14);
    EXPECT_EQ(s.keepArticles, 500);
    EXPECT_EQ(s.display, ArticleDisplay::kWebPage);
    EXPECT_FALSE(s.notify);
    EXPECT_TRUE(s.fullText);
    EXPECT_TRUE(s.noProxy);
    EXPECT_TRUE(dialog.m_passwordChanged);
    EXPECT_EQ(dialog.m_password, "new secret");
}

TEST(SiteItemDialog, APasswordForAPlainHttpFeedIsKeptOnlyOnceTheUserAgreedToSendItUnencrypted) {
    for (const int answer : {kIdNo, kIdYes}) {
        FilledDialog dialog;  // its feed is http://
        MessageCapture messages(answer);
        ExpectModal([](wxDialog* shown) {
            Control<wxTextCtrl>(shown, 1105)->SetValue("ann");
            Control<wxTextCtrl>(shown, 1106)->SetValue("pw");
            return wxID_OK;
        });
        EXPECT_EQ(dialog.DoModal(), answer == kIdYes ? 1 : 2);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_NE(messages.Messages()[0].find("暗号化されずに"), std::string::npos);
        EXPECT_EQ(dialog.m_settings.plainHttpAllowed, answer == kIdYes);
        // Agreed once, never asked again.
        if (answer == kIdYes) {
            ExpectModal([](wxDialog*) { return wxID_OK; });
            EXPECT_EQ(dialog.DoModal(), 1);
            EXPECT_EQ(messages.Messages().size(), 1u);
        }
    }
}

TEST(SiteItemDialog, AUserAgentThatIsNotPrintableAsciiIsRefused) {
    FilledDialog dialog;
    MessageCapture messages;
    ExpectModal([](wxDialog* shown) {
        Control<wxChoice>(shown, 1103)->SetSelection(2);
        Control<wxTextCtrl>(shown, 1104)->SetValue(U8("日本語のエージェント"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(dialog.m_settings.agentKind, UserAgentKind::kVarlo);
}

}  // namespace
}  // namespace varlo

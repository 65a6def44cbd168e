#include "gui/controls/site_item_dlg.h"

#include <strings.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "encoding/codepage.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/secret_memory.h"
#include "store/library.h"

namespace varlo {
namespace {

// The choices' first entry follows what holds for every site; the second is the site's own.
constexpr int kFollow = 0;
constexpr int kOwn = 1;
constexpr int kDefaultMinutes = 60;

}  // namespace

CSiteItemDlg::CSiteItemDlg(wxWindow* parent) {
    Create(parent, 130, Wx("サイト情報"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE);
    SetFont(TemplateFont());
    m_tabs = new wxNotebook(this, 1010);
    BuildSitePage();
    BuildDetailsPage();
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok =
        new wxButton(this, wxID_OK, "OK", wxDefaultPosition, ConvertDialogToPixels(wxSize(50, 14)));
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, ConvertDialogToPixels(wxSize(10, 0)).x);
    buttons->Add(new wxButton(this, wxID_CANCEL, Wx("ｷｬﾝｾﾙ"), wxDefaultPosition,
                              ConvertDialogToPixels(wxSize(50, 14))));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(m_tabs, 1, wxEXPAND | wxALL, 6);
    column->Add(buttons, 0, wxALIGN_CENTER | wxBOTTOM, 8);
    SetSizerAndFit(column);
    Bind(wxEVT_BUTTON, &CSiteItemDlg::OnOk, this, wxID_OK);
    m_editTitle->SetFocus();
}

void CSiteItemDlg::BuildSitePage() {
    auto* page = new wxPanel(m_tabs);
    page->SetFont(TemplateFont());
    AddTemplateText(*page, -1, Wx("タイトル(&T):"), 2, 5, 36, 8);
    m_editTitle = AddTemplateEdit(*page, 1001, 46, 3, 150, 14);
    AddTemplateText(*page, -1, Wx("カテゴリ(&C):"), 3, 25, 37, 8);
    // The template's height of 85 is that of the opened list; the closed box is as high as an
    // edit field.
    const wxRect combo = TemplateRect(*page, 46, 23, 150, 14);
    m_comboCategory = new wxComboBox(page, 1002, wxEmptyString, combo.GetPosition(),
                                     combo.GetSize(), 0, nullptr, wxCB_DROPDOWN);
    AddTemplateText(*page, -1, Wx("URL(&U):"), 3, 45, 26, 8);
    m_editUrl = AddTemplateEdit(*page, 1003, 47, 41, 150, 14);
    AddTemplateText(*page, -1, Wx("FEED(&F):"), 3, 65, 29, 8);
    m_editFeed = AddTemplateEdit(*page, 1004, 47, 61, 150, 14);
    page->SetMinSize(page->ConvertDialogToPixels(wxSize(205, 80)));
    m_tabs->AddPage(page, Wx("サイト"));
}

void CSiteItemDlg::BuildDetailsPage() {
    auto* page = new wxPanel(m_tabs);
    page->SetFont(TemplateFont());
    const int gap = page->ConvertDialogToPixels(wxSize(4, 0)).x;
    auto* grid = new wxFlexGridSizer(2, gap, gap);
    auto label = [&](const char* text) {
        grid->Add(new wxStaticText(page, wxID_ANY, Wx(text)), 0, wxALIGN_CENTER_VERTICAL);
    };
    auto row = [&](std::initializer_list<wxWindow*> windows) {
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        for (wxWindow* window : windows)
            line->Add(window, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
        grid->Add(line, 0, wxEXPAND);
    };
    // Wide enough for the number and the toolkit's two buttons beside it.
    const wxSize number = page->ConvertDialogToPixels(wxSize(72, 14));

    label("更新間隔(&I):");
    m_interval = new wxChoice(page, 1101);
    m_interval->Append(Wx("全体の設定に従う"));
    m_interval->Append(Wx("指定する"));
    m_minutes =
        new wxSpinCtrl(page, 1102, wxEmptyString, wxDefaultPosition, number, wxSP_ARROW_KEYS,
                       SiteSettings::kMinInterval, SiteSettings::kMaxInterval, kDefaultMinutes);
    row({m_interval, m_minutes, new wxStaticText(page, wxID_ANY, Wx("分ごと"))});

    label("ユーザーエージェント(&A):");
    m_agent = new wxChoice(page, 1103);
    m_agent->Append(Wx("Varlo (標準)"));
    m_agent->Append(Wx("ブラウザーと同じ"));
    m_agent->Append(Wx("指定する"));
    m_agentText = new wxTextCtrl(page, 1104, wxEmptyString, wxDefaultPosition,
                                 page->ConvertDialogToPixels(wxSize(110, 14)));
    m_agentText->SetMaxLength(SiteSettings::kMaxUserAgentBytes);
    row({m_agent, m_agentText});

    label("ユーザー名(&N):");
    m_user = new wxTextCtrl(page, 1105, wxEmptyString, wxDefaultPosition,
                            page->ConvertDialogToPixels(wxSize(110, 14)));
    row({m_user, new wxStaticText(page, wxID_ANY, Wx("(Basic / Digest 認証)"))});
    label("パスワード(&P):");
    m_passwordEdit = new wxTextCtrl(page, 1106, wxEmptyString, wxDefaultPosition,
                                    page->ConvertDialogToPixels(wxSize(110, 14)), wxTE_PASSWORD);
    row({m_passwordEdit});

    label("保存する記事(&K):");
    m_keep = new wxChoice(page, 1107);
    m_keep->Append(Wx("全体の設定に従う"));
    m_keep->Append(Wx("指定する"));
    m_keepDays =
        new wxSpinCtrl(page, 1108, wxEmptyString, wxDefaultPosition, number, wxSP_ARROW_KEYS, 1,
                       SiteSettings::kMaxKeepDays, CLibrary::kDefaultKeepDays);
    m_keepArticles = new wxSpinCtrl(page, 1109, wxEmptyString, wxDefaultPosition,
                                    page->ConvertDialogToPixels(wxSize(80, 14)), wxSP_ARROW_KEYS, 1,
                                    static_cast<int>(CLibrary::kMaxArticlesPerSite),
                                    static_cast<int>(CLibrary::kMaxArticlesPerSite));
    row({m_keep, m_keepDays, new wxStaticText(page, wxID_ANY, Wx("日、")), m_keepArticles,
         new wxStaticText(page, wxID_ANY, Wx("件まで"))});

    label("記事の表示(&D):");
    m_display = new wxChoice(page, 1110);
    m_display->Append(Wx("フィードの本文"));
    m_display->Append(Wx("記事の全文"));
    m_display->Append(Wx("Web ページ"));
    row({m_display});

    grid->AddSpacer(0);
    auto* checks = new wxBoxSizer(wxVERTICAL);
    m_notify = new wxCheckBox(page, 1111, Wx("新着を通知する(&O)"));
    m_fullText = new wxCheckBox(page, 1112, Wx("全文を取得する(&G)"));
    m_noProxy = new wxCheckBox(page, 1113, Wx("プロキシを使わない(&X)"));
    for (wxCheckBox* check : {m_notify, m_fullText, m_noProxy}) checks->Add(check, 0, wxBOTTOM, 2);
    grid->Add(checks);

    auto* border = new wxBoxSizer(wxVERTICAL);
    border->Add(grid, 1, wxEXPAND | wxALL, page->ConvertDialogToPixels(wxSize(5, 0)).x);
    page->SetSizer(border);
    m_tabs->AddPage(page, Wx("詳細"));
    for (wxChoice* choice : {m_interval, m_agent, m_keep}) {
        choice->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { EnableDetails(); });
    }
}

void CSiteItemDlg::ShowSettings() {
    const SiteSettings& s = m_settings;
    m_interval->SetSelection(s.interval > 0 ? kOwn : kFollow);
    m_minutes->SetValue(s.interval > 0 ? s.interval : kDefaultMinutes);
    m_agent->SetSelection(static_cast<int>(s.agentKind));
    m_agentText->ChangeValue(s.agentKind == UserAgentKind::kCustom ? FromUtf8(s.agent)
                                                                   : wxString());
    m_user->ChangeValue(FromUtf8(s.user));
    m_passwordEdit->ChangeValue(wxString());
    m_passwordEdit->SetHint(m_hasPassword ? Wx("(保存済み)") : wxString());
    const bool ownKeep = s.keepDays > 0 || s.keepArticles > 0;
    m_keep->SetSelection(ownKeep ? kOwn : kFollow);
    m_keepDays->SetValue(s.keepDays > 0 ? s.keepDays : CLibrary::kDefaultKeepDays);
    m_keepArticles->SetValue(s.keepArticles > 0 ? s.keepArticles
                                                : static_cast<int>(CLibrary::kMaxArticlesPerSite));
    m_display->SetSelection(static_cast<int>(s.display));
    m_notify->SetValue(s.notify);
    m_fullText->SetValue(s.fullText);
    m_noProxy->SetValue(s.noProxy);
    EnableDetails();
}

void CSiteItemDlg::EnableDetails() {
    m_minutes->Enable(m_interval->GetSelection() == kOwn);
    m_agentText->Enable(m_agent->GetSelection() == static_cast<int>(UserAgentKind::kCustom));
    m_keepDays->Enable(m_keep->GetSelection() == kOwn);
    m_keepArticles->Enable(m_keep->GetSelection() == kOwn);
}

bool CSiteItemDlg::TakeSettings() {
    SiteSettings s = m_settings;
    s.interval = m_interval->GetSelection() == kOwn ? m_minutes->GetValue() : 0;
    const std::string agent = ToUtf8(m_agentText->GetValue());
    switch (m_agent->GetSelection()) {
        case 1:
            s.agentKind = UserAgentKind::kBrowser;
            s.agent.clear();
            break;
        case 2:
            if (const Text refused =
                    SetSiteSetting(s, "userAgent", agent.empty() ? "varlo" : agent);
                !refused.empty()) {
                m_tabs->SetSelection(1);
                m_agentText->SetFocus();
                ShowMessageBox(refused, kMbOk | kMbIconWarning);
                return false;
            }
            break;
        default:
            s.agentKind = UserAgentKind::kVarlo;
            s.agent.clear();
            break;
    }
    if (const Text refused = SetSiteSetting(s, "user", ToUtf8(m_user->GetValue()));
        !refused.empty()) {
        m_tabs->SetSelection(1);
        ShowMessageBox(refused, kMbOk | kMbIconWarning);
        return false;
    }
    const bool ownKeep = m_keep->GetSelection() == kOwn;
    s.keepDays = ownKeep ? m_keepDays->GetValue() : 0;
    s.keepArticles = ownKeep ? m_keepArticles->GetValue() : 0;
    s.display = static_cast<ArticleDisplay>(std::max(0, m_display->GetSelection()));
    s.notify = m_notify->GetValue();
    s.fullText = m_fullText->GetValue();
    s.noProxy = m_noProxy->GetValue();

    std::string password = ToUtf8(m_passwordEdit->GetValue());
    const bool typed = !password.empty();
    // A password travels over plain http only once the user has agreed to it.
    const std::string feed(Trim(Cp932ToUtf8(FromWx(m_editFeed->GetValue()))));
    const bool plain = feed.size() >= 7 && strncasecmp(feed.c_str(), "http://", 7) == 0;
    if (plain && !s.user.empty() && (typed || m_hasPassword) && !s.plainHttpAllowed) {
        const int answer = ShowMessageBox(
            Jp("このサイトのアドレスは http です。パスワードは暗号化されずに送られます。"
               "送ってもよろしいですか？"),
            kMbYesNo | kMbIconWarning);
        if (answer != kIdYes) {
            WipeString(password);
            m_tabs->SetSelection(1);
            return false;
        }
        s.plainHttpAllowed = true;
    }
    m_settings = s;
    // A user name emptied takes its password with it; an empty field keeps the one kept.
    m_passwordChanged = typed || (s.user.empty() && m_hasPassword);
    WipeString(m_password);
    m_password = s.user.empty() ? std::string() : password;
    WipeString(password);
    return true;
}

void CSiteItemDlg::OnOk(wxCommandEvent&) {
    m_taken = TakeSettings();
    if (m_taken) EndModal(wxID_OK);
}

int CSiteItemDlg::DoModal() {
    m_editTitle->ChangeValue(ToWx(m_strTitle));
    // The list is still empty: the category goes into the edit field.
    m_comboCategory->Clear();
    m_comboCategory->ChangeValue(ToWx(m_strCategory));
    m_editUrl->ChangeValue(ToWx(m_strUrl));
    m_editFeed->ChangeValue(ToWx(m_strFeed));
    ShowSettings();
    m_tabs->SetSelection(m_showDetails ? 1 : 0);
    if (m_showDetails) m_user->SetFocus();
    CentreOnParent();
    if (m_pCategories) {
        for (const Text& category : *m_pCategories) m_comboCategory->Append(ToWx(category));
    }
    m_taken = false;
    // A dialog answered without its button (tests) takes its settings here.
    if (ShowModal() != wxID_OK || (!m_taken && !TakeSettings())) return kIdCancel;
    m_strTitle = FromWx(m_editTitle->GetValue());
    m_strCategory = FromWx(m_comboCategory->GetValue());
    m_strUrl = FromWx(m_editUrl->GetValue());
    m_strFeed = FromWx(m_editFeed->GetValue());
    return kIdOk;
}

}  // namespace varlo

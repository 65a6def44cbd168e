#pragma once
// The site dialog: title, category, web page address and feed address of one subscribed site on
// its first tab, and on the tab "詳細" what the user sets for the site alone (update interval,
// user agent, credentials, keeping, display, notifying, whole articles, the proxy).

#include <wx/dialog.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "store/site_settings.h"

class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxNotebook;
class wxSpinCtrl;
class wxTextCtrl;

namespace varlo {

class CSiteItemDlg : public wxDialog {
  public:
    explicit CSiteItemDlg(wxWindow* parent);

    // Shows the dialog with the fields; on OK (1) the fields hold the edited texts, on Cancel (2)
    // they are unchanged.
    int DoModal();

    // The categories offered in the combo box, in their order; owned by the caller, may be null.
    const std::vector<Text>* m_pCategories = nullptr;
    // The category combo box (control 1002).
    wxComboBox* m_comboCategory = nullptr;
    // The texts (code page 932).
    Text m_strCategory;
    Text m_strTitle;
    Text m_strUrl;
    Text m_strFeed;

    // The site's own settings; on OK as the user left them.
    SiteSettings m_settings;
    // Whether a password is kept for the site. On OK, `m_passwordChanged` says whether the user
    // typed another one, `m_password` (UTF-8; empty forgets the one kept).
    bool m_hasPassword = false;
    bool m_passwordChanged = false;
    std::string m_password;
    // Opens at the tab "詳細" (a feed that asked for credentials).
    bool m_showDetails = false;
    // The tabs (control 1010): the site, then "詳細".
    wxNotebook* m_tabs = nullptr;

  private:
    void BuildSitePage();
    void BuildDetailsPage();
    void ShowSettings();
    // Takes the settings from the controls; false after saying what is wrong.
    bool TakeSettings();
    void EnableDetails();
    void OnOk(wxCommandEvent& event);

    wxTextCtrl* m_editTitle = nullptr;
    wxTextCtrl* m_editUrl = nullptr;
    wxTextCtrl* m_editFeed = nullptr;
    wxChoice* m_interval = nullptr;
    wxSpinCtrl* m_minutes = nullptr;
    wxChoice* m_agent = nullptr;
    wxTextCtrl* m_agentText = nullptr;
    wxTextCtrl* m_user = nullptr;
    wxTextCtrl* m_passwordEdit = nullptr;
    wxChoice* m_keep = nullptr;
    wxSpinCtrl* m_keepDays = nullptr;
    wxSpinCtrl* m_keepArticles = nullptr;
    wxChoice* m_display = nullptr;
    wxCheckBox* m_notify = nullptr;
    wxCheckBox* m_fullText = nullptr;
    wxCheckBox* m_noProxy = nullptr;
    bool m_taken = false;  // OK took the settings
};

}  // namespace varlo

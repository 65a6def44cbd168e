#include "gui/views/browser_view.h"

#include <wx/filename.h>
#include <wx/stattext.h>

#include "encoding/address_text.h"
#include "fetch/http_download.h"
#include "gui/controls/prop_dlg.h"
#include "gui/platform/shell_open.h"
#include "gui/platform/web_focus.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "shell/browser_policy.h"
#include "shell/help_page.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CBrowserView, wxView);

bool CBrowserView::CreatePane(wxWindow* parent) {
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) {
        m_fallback = new wxStaticText(parent, wxID_ANY, Wx("ブラウザを使用できません"));
        return true;
    }
    m_web = wxWebView::New(parent, wxID_ANY, wxWebViewDefaultURLStr, wxDefaultPosition,
                           wxDefaultSize, wxWebViewBackendDefault, wxBORDER_NONE);
    if (m_web == nullptr) return false;
    // Scripts of the pages the user visits are theirs to run; the preview page forbids its own
    // through its content security policy.
    m_web->EnableContextMenu(true);
    // A click in a page gives it the focus, and so makes the pane active: the frame must hear of
    // it.
    ReportWebFocus(m_web);
    // Every navigation, the page's own included, passes the address rule before it starts.
    m_gestures.Watch(m_web);
    m_web->Bind(wxEVT_WEBVIEW_NAVIGATING, &CBrowserView::OnNavigating, this);
    // The page shown is the one the engine committed to; until then it is the one before.
    m_web->Bind(wxEVT_WEBVIEW_NAVIGATED, [this](wxWebViewEvent& event) {
        m_shownUrl = event.GetURL();
        event.Skip();
    });
    m_web->Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& event) {
        m_fill.PageLoaded();
        event.Skip();
    });
    // A link meant for a new window ("LinkNew") opens in the user's default browser; only web
    // addresses are passed on.
    m_web->Bind(wxEVT_WEBVIEW_NEWWINDOW, [](wxWebViewEvent& event) {
        const std::string url(event.GetURL().utf8_str());
        if (url.starts_with("http://") || url.starts_with("https://")) {
            OpenWithDefaultHandler(url);
        }
    });
    return true;
}

wxWindow* CBrowserView::GetPaneWindow() const {
    return m_web ? static_cast<wxWindow*>(m_web) : m_fallback;
}

wxString BrowserAddressOf(const Text& address) {
    const wxString text = ToWx(address);
    if (text.StartsWith("file://")) {
        // "file://" followed by a plain path: encode the path as a proper file address.
        const wxString path = text.Mid(7);
        if (path.StartsWith("/")) return wxFileName::FileNameToURL(wxFileName(path));
        return text;
    }
    if (text.StartsWith("/")) return wxFileName::FileNameToURL(wxFileName(text));
    return wxString::FromUTF8(AddressToUtf8(address));
}

bool CBrowserView::Allow(const wxString& url, const Text& shownAs, Asker asker) {
    const std::string address(url.utf8_str());
    const BrowserNavigation decision = ClassifyNavigation(
        address, GetPreviewPath(), m_guidePath.empty() ? HelpPagePath() : m_guidePath);
    if (decision == BrowserNavigation::kLoad) return true;
    if (decision == BrowserNavigation::kMail) {
        // Only the user starts a mail, and only with what the address shows: a page's script
        // alone never does, and fields such as "attach" never reach the mail program.
        if (asker != Asker::kPageScript) OpenWithDefaultHandler(MailAddressToHandOn(address));
        return false;
    }
    // A page's script that keeps trying gets one answer per page shown; more would bury the
    // window under messages. A click of the user's is always answered.
    if (asker == Asker::kPageScript) {
        const wxString page = m_web ? m_web->GetCurrentURL() : wxString();
        if (m_answeredPage == page) return false;
        m_answeredPage = page;
    }
    if (asker == Asker::kVarlo) {
        ShowMessageBox(NotWebAddressText(shownAs), kMbOk | kMbIconWarning);
        return false;
    }
    // The engine waits for its answer: the message comes afterwards, one at a time.
    if (!m_refusalPending) {
        m_refusalPending = true;
        CallAfter([this, shownAs] {
            ShowMessageBox(NotWebAddressText(shownAs), kMbOk | kMbIconWarning);
            m_refusalPending = false;
        });
    }
    return false;
}

void CBrowserView::OnNavigating(wxWebViewEvent& event) {
    const bool user = event.GetNavigationAction() == wxWEBVIEW_NAV_ACTION_USER ||
                      m_gestures.FromUser(std::string(event.GetURL().utf8_str()));
    const Asker asker = user ? Asker::kPageUser : Asker::kPageScript;
    if (!Allow(event.GetURL(), FromWx(event.GetURL()), asker)) event.Veto();
}

void CBrowserView::Navigate(const Text& address, const Text& shownAs) {
    if (!m_web) return;
    const wxString url = BrowserAddressOf(address);
    // Refused here as well: a javascript: address would run inside the page shown without ever
    // being a navigation the engine asks about.
    if (Allow(url, shownAs.empty() ? address : shownAs, Asker::kVarlo)) m_web->LoadURL(url);
}

void CBrowserView::FillPage(const std::string& path, const std::string& token,
                            std::vector<PageFill::Piece> pieces, int total) {
    m_fill.Start(m_web, path, token, std::move(pieces), total);
}

void CBrowserView::ShowLocalPage(const std::string& path, const std::string& section) {
    if (!m_web) return;
    wxString url = wxFileName::FileNameToURL(wxFileName(wxString::FromUTF8(path)));
    if (!section.empty()) url += "#" + wxString::FromUTF8(section);
    if (Allow(url, Utf8ToCp932(path), Asker::kVarlo)) m_web->LoadURL(url);
}

void CBrowserView::ShowGuide(const std::string& path, const std::string& section) {
    m_guidePath = path;
    ShowLocalPage(path, section);
}

bool CBrowserView::Shows(const std::string& path) const {
    const wxString page = wxFileName::FileNameToURL(wxFileName(wxString::FromUTF8(path)));
    // The engine's own address: a page Varlo asked for is the one the pane is about to show.
    return m_web && m_web->GetCurrentURL().BeforeFirst('#') == page;
}

Text CBrowserView::GetLocationURL() const {
    if (!m_web) return {};
    // The engine names a page as soon as it starts loading it, a redirection's target as soon as
    // it is asked about it (even one refused), and names the page shown again only once that load
    // has ended. The pane's address is the page it shows: the engine's address only while that is
    // the same document (a jump to an anchor moves within it).
    const wxString current = m_web->GetCurrentURL();
    if (m_shownUrl.empty()) {
        const std::string address(current.utf8_str());
        return ClassifyNavigation(address, GetPreviewPath()) == BrowserNavigation::kLoad
                   ? FromWx(current)
                   : Text();
    }
    return FromWx(current.BeforeFirst('#') == m_shownUrl.BeforeFirst('#') ? current : m_shownUrl);
}

Text CBrowserView::GetLocationName() const {
    return m_web ? FromWx(m_web->GetCurrentTitle()) : Text();
}

void CBrowserView::GoBack() {
    if (m_web && m_web->CanGoBack()) m_web->GoBack();
}

void CBrowserView::GoForward() {
    if (m_web && m_web->CanGoForward()) m_web->GoForward();
}

void CBrowserView::GoHome() {
    // There is no system browser home page here: home is the program's own preview page.
    if (m_web && wxFileName::FileExists(wxString::FromUTF8(GetPreviewPath()))) {
        Navigate(GetPreviewPath());
    } else if (m_web) {
        m_web->LoadURL(wxWebViewDefaultURLStr);
    }
}

void CBrowserView::Stop() {
    // The stop command also ends a download of Varlo's own (a feed, a page for discovery).
    CHttpDownload::CancelRunning();
    if (m_web) m_web->Stop();
}

void CBrowserView::Refresh() {
    if (m_web) m_web->Reload();
}

void CBrowserView::ShowPageInfo() {
    CPropDlg dialog(GetPaneWindow() ? wxGetTopLevelParent(GetPaneWindow()) : nullptr);
    dialog.m_strTitle = GetLocationName();
    dialog.m_strUrl = GetLocationURL();
    dialog.DoModal();
}

}  // namespace varlo

#pragma once
// The pane that shows web content: the preview page, a site's own page, and whatever the user
// reaches from there.

#include <wx/docview.h>
#include <wx/webview.h>

#include <wx/weakref.h>

#include <string>
#include <vector>

#include "gui/platform/navigation_gesture.h"
#include "gui/views/page_fill.h"
#include "platform/text.h"

namespace varlo {

class CBrowserView : public wxView {
  public:
    CBrowserView() = default;
    // Creates the browser control as a child of `parent`; nothing is loaded until the first
    // navigation.
    bool CreatePane(wxWindow* parent);
    wxWebView* GetWebView() const { return m_web; }
    wxWindow* GetPaneWindow() const;

    // Loads an address: a web address, the preview page (a "file://" address or its plain path)
    // or about:blank. A mailto: address goes to the mail program; anything else loads nothing and
    // the user is told, naming `shownAs` (the address itself when empty).
    void Navigate(const Text& address, const Text& shownAs = {});
    // Loads the local page at `path` (UTF-8), at its `section` (an anchor; none when empty), as
    // the address rule allows.
    void ShowLocalPage(const std::string& path, const std::string& section = {});
    // Shows the user guide's page `path` (one of its schemes) at `section`, as ShowLocalPage does;
    // that page is the guide from now on.
    void ShowGuide(const std::string& path, const std::string& section = {});
    // True while the page shown is the guide.
    bool ShowsGuide() const { return !m_guidePath.empty() && Shows(m_guidePath); }
    // True while the page shown is the local file `path` (UTF-8), at any of its anchors.
    bool Shows(const std::string& path) const;
    // The address of the page shown (empty before the first navigation): never that of a page
    // still loading or of a navigation refused.
    Text GetLocationURL() const;
    // The title of the page shown.
    Text GetLocationName() const;

    // The articles the preview page `path` was written without (its marker naming `token`), added
    // to it once it is shown, and again whenever it is loaded anew; replaces any before.
    void FillPage(const std::string& path, const std::string& token,
                  std::vector<PageFill::Piece> pieces, int total);
    void StopFilling() { m_fill.Clear(); }
    // True while the page given pieces may still lack some of them.
    bool IsFillingPage() const { return m_fill.Filling(); }

    void GoBack();
    void GoForward();
    void GoHome();
    void Stop();
    void Refresh();
    // Shows the page information dialog for the page shown.
    void ShowPageInfo();

    void OnDraw(wxDC*) override {}
    bool OnClose(bool) override { return true; }
    // The main window keeps its own caption.
    void OnChangeFilename() override {}

  private:
    // Who asks for a navigation.
    enum class Asker { kVarlo, kPageUser, kPageScript };
    // Applies the address rule to `url`; false when the navigation must not happen (a mail
    // address was handed on, or the user is told of the refusal, naming `shownAs`).
    bool Allow(const wxString& url, const Text& shownAs, Asker asker);
    void OnNavigating(wxWebViewEvent& event);

    NavigationGestures m_gestures;
    PageFill m_fill;
    wxString m_shownUrl;  // the address of the last page the engine committed to
    bool m_refusalPending = false;
    wxString m_answeredPage;  // the page whose script had its one refusal
    std::string m_guidePath;  // the guide's page last shown, in its scheme
    // Gone with its window, which the frame may destroy before this view.
    wxWeakRef<wxWebView> m_web;
    wxWindow* m_fallback = nullptr;  // shown when no browser engine is available
    wxDECLARE_DYNAMIC_CLASS(CBrowserView);
};

// The address the browser engine is given for an address or plain path (file addresses encoded).
wxString BrowserAddressOf(const Text& address);

}  // namespace varlo

#pragma once
// The pane that shows web content: the preview page, a site's own page, and whatever the user
// reaches from there.

#include <wx/docview.h>
#include <wx/webview.h>

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

    // Loads an address: a web address, a "file://" address or a plain local path.
    void Navigate(const Text& address);
    // The address of the page shown (empty before the first navigation).
    Text GetLocationURL() const;
    // The title of the page shown.
    Text GetLocationName() const;

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
    wxWebView* m_web = nullptr;
    wxWindow* m_fallback = nullptr;  // shown when no browser engine is available
    wxDECLARE_DYNAMIC_CLASS(CBrowserView);
};

// The address the browser engine is given for an address or plain path (file addresses encoded).
wxString BrowserAddressOf(const Text& address);

}  // namespace varlo

#include "gui/app/cont_frame_wnd.h"

#include <wx/display.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "gui/platform/settings.h"

namespace varlo {

namespace {

// The width of a window border; the desktop may not tell, and then it is one pixel.
int BorderWidth(wxSystemMetric metric) {
    const int width = wxSystemSettings::GetMetric(metric);
    return width > 0 ? width : 1;
}

}  // namespace

CContFrameWnd::CContFrameWnd(wxDocManager* manager, const wxString& title)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, title, wxPoint(100, 100), wxSize(600, 400)) {
    Bind(wxEVT_SIZE, &CContFrameWnd::OnGeometry, this);
    Bind(wxEVT_MOVE, &CContFrameWnd::OnGeometry, this);
}

void CContFrameWnd::OnGeometry(wxEvent& event) {
    // The restored rectangle is what the next start uses, also when the window is closed
    // maximised or minimised.
    if (!IsMaximized() && !IsIconized() && IsShown()) m_normalRect = GetRect();
    event.Skip();
}

bool CContFrameWnd::Show(bool show) {
    if (show && m_bFirstActivation) {
        m_bFirstActivation = false;
        LoadWindowPlacement();
        return true;
    }
    return wxDocParentFrame::Show(show);
}

void CContFrameWnd::LoadWindowPlacement() {
    ISettings& settings = Settings();
    WindowPlacement placement;
    placement.maxX = -BorderWidth(wxSYS_BORDER_X);
    placement.maxY = -BorderWidth(wxSYS_BORDER_Y);
    const Text rect = settings.GetString(m_strSection, m_strRect, {});
    std::optional<WindowPlacement> parsed;
    if (!rect.empty()) parsed = ParseRect(rect, placement);
    if (parsed) {
        placement = *parsed;
    } else {
        // Nothing saved (or nothing usable): a size for the screen the window opens on.
        const int index = wxDisplay::GetFromWindow(this);
        const wxRect area = wxDisplay(index == wxNOT_FOUND ? 0u : unsigned(index)).GetClientArea();
        const WindowPlacement first =
            FirstStartPlacement(area.GetLeft(), area.GetTop(), area.GetWidth(), area.GetHeight());
        placement.left = first.left;
        placement.top = first.top;
        placement.right = first.right;
        placement.bottom = first.bottom;
    }
    placement.showCmd = settings.GetInt(m_strSection, m_strShowCmd, 1);
    placement.flags = settings.GetInt(m_strSection, m_strFlags, 0);
    m_flags = placement.flags;
    if (wxToolBar* bar = GetToolBar())
        bar->Show(settings.GetInt(m_strSection, m_strToolBar, 1) != 0);
    if (wxStatusBar* bar = GetStatusBar()) {
        bar->Show(settings.GetInt(m_strSection, m_strStatusBar, 1) != 0);
    }
    m_normalRect = wxRect(placement.left, placement.top, placement.right - placement.left,
                          placement.bottom - placement.top);
    SetSize(m_normalRect);
    SendSizeEvent();
    wxDocParentFrame::Show(true);
    if (placement.showCmd == kShowMaximized) {
        Maximize(true);
    } else if (placement.showCmd == kShowMinimized) {
        Iconize(true);
    }
}

WindowPlacement CContFrameWnd::CurrentPlacement() const {
    WindowPlacement placement;
    placement.left = m_normalRect.GetLeft();
    placement.top = m_normalRect.GetTop();
    placement.right = m_normalRect.GetRight() + 1;
    placement.bottom = m_normalRect.GetBottom() + 1;
    placement.maxX = -BorderWidth(wxSYS_BORDER_X);
    placement.maxY = -BorderWidth(wxSYS_BORDER_Y);
    placement.showCmd = IsIconized()    ? kShowMinimized
                        : IsMaximized() ? kShowMaximized
                                        : kShowNormal;
    placement.flags = m_flags;
    return placement;
}

void CContFrameWnd::SaveWindowPlacement() {
    ISettings& settings = Settings();
    const WindowPlacement placement = CurrentPlacement();
    settings.WriteString(m_strSection, m_strRect, FormatRect(placement));
    settings.WriteInt(m_strSection, m_strShowCmd, placement.showCmd);
    settings.WriteInt(m_strSection, m_strFlags, placement.flags);
    if (wxToolBar* bar = GetToolBar()) {
        settings.WriteInt(m_strSection, m_strToolBar, bar->IsShown() ? 1 : 0);
    }
    if (wxStatusBar* bar = GetStatusBar()) {
        settings.WriteInt(m_strSection, m_strStatusBar, bar->IsShown() ? 1 : 0);
    }
}

}  // namespace varlo

#include "gui/controls/static_link.h"

#include <wx/cursor.h>
#include <wx/dcclient.h>
#include <wx/utils.h>

#include "gui/platform/shell_open.h"

namespace varlo {

const wxColour CStaticLink::kUnvisited(0, 0, 255);
const wxColour CStaticLink::kVisited(128, 0, 128);

CStaticLink::CStaticLink(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                         const wxSize& size, const std::string& target)
    : wxGenericStaticText(parent, id, label, pos, size, wxST_NO_AUTORESIZE), m_link(target) {
    wxFont font = GetFont();
    font.SetUnderlined(true);
    SetFont(font);
    SetForegroundColour(m_color);
    SetCursor(wxCursor(wxCURSOR_HAND));
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) { OpenLink(); });
    Bind(wxEVT_PAINT, &CStaticLink::OnPaint, this);
}

void CStaticLink::OnPaint(wxPaintEvent&) {
    // Drawn here rather than by the base, which greys its text whenever the window is inactive.
    wxPaintDC dc(this);
    dc.SetFont(GetFont());
    dc.SetTextForeground(m_color);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawLabel(GetLabelText(), GetClientRect(),
                 (GetWindowStyle() & wxALIGN_MASK) | wxALIGN_CENTER_VERTICAL);
}

bool CStaticLink::OpenLink() {
    std::string target = m_link.empty() ? GetLabel().utf8_string() : m_link;
    if (target.empty()) return false;
    if (!OpenWithDefaultHandler(target)) {
        wxBell();
        return false;
    }
    m_color = kVisited;
    SetForegroundColour(m_color);
    Refresh();
    return true;
}

}  // namespace varlo

#pragma once
// A static text that works as a link: blue and underlined with a hand pointer, it opens its
// target with the default handler when clicked and turns purple once opened.

#include <wx/colour.h>
// The port's own static text first: the generic one's header, included first, keeps it out of
// every file compiled with this one.
#include <wx/stattext.h>

#include <wx/generic/stattextg.h>

#include <string>

namespace varlo {

class CStaticLink : public wxGenericStaticText {
  public:
    // A link showing `label` at a position of `parent`; an empty `target` means the label itself.
    CStaticLink(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                const wxSize& size, const std::string& target = std::string());

    // Opens the target (the label when no target was given); on success the link turns purple,
    // on failure it beeps and stays as it was. False when nothing was opened.
    bool OpenLink();

    // The target as given (UTF-8).
    const std::string& Target() const { return m_link; }
    // The colour the text is drawn in now.
    const wxColour& LinkColour() const { return m_color; }

    static const wxColour kUnvisited;  // red 0, green 0, blue 255
    static const wxColour kVisited;    // red 128, green 0, blue 128

  private:
    void OnPaint(wxPaintEvent& event);

    std::string m_link;
    wxColour m_color = kUnvisited;
};

}  // namespace varlo

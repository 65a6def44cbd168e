#pragma once
// Dialogs laid out like their resource templates: sizes and positions in dialog units of the
// template font (the default GUI font at 9 points), converted to pixels when controls are placed.

#include <wx/dialog.h>
#include <wx/font.h>

class wxButton;
class wxStaticText;
class wxTextCtrl;

namespace varlo {

// The font of every template dialog: the desktop's GUI font at 9 points.
wxFont TemplateFont();

// A template control id as a toolkit id: 1 and 2 are the standard OK and Cancel buttons, -1 is
// "no id".
wxWindowID TemplateId(int id);

// Creates `dialog` with the template font and a client area of `cx` x `cy` dialog units.
bool CreateTemplateDialog(wxDialog& dialog, wxWindow* parent, int id, const wxString& title, int cx,
                          int cy, long style = wxDEFAULT_DIALOG_STYLE);

// A rectangle of dialog units of `dialog` in pixels.
wxRect TemplateRect(const wxWindow& dialog, int x, int y, int cx, int cy);

// A static text at a template position (style: alignment and the like).
wxStaticText* AddTemplateText(wxWindow& dialog, int id, const wxString& text, int x, int y, int cx,
                              int cy, long style = 0);
// An edit control at a template position.
wxTextCtrl* AddTemplateEdit(wxWindow& dialog, int id, int x, int y, int cx, int cy, long style = 0);
// A push button at a template position; the default button answers the Enter key.
wxButton* AddTemplateButton(wxWindow& dialog, int id, const wxString& label, int x, int y, int cx,
                            int cy, bool isDefault = false);

// The control `id` of `dialog` as `T`, or null when it is missing or of another kind.
template <class T>
T* TemplateControl(const wxWindow& dialog, int id) {
    return dynamic_cast<T*>(dialog.FindWindow(TemplateId(id)));
}

}  // namespace varlo

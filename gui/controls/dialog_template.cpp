#include "gui/controls/dialog_template.h"

#include <wx/button.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace varlo {

wxFont TemplateFont() {
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(9);
    return font;
}

wxWindowID TemplateId(int id) {
    switch (id) {
        case 1:
            return wxID_OK;
        case 2:
            return wxID_CANCEL;
        case -1:
            return wxID_ANY;
        default:
            return id;
    }
}

bool CreateTemplateDialog(wxDialog& dialog, wxWindow* parent, int id, const wxString& title, int cx,
                          int cy, long style) {
    if (!dialog.Create(parent, id, title, wxDefaultPosition, wxDefaultSize, style)) return false;
    // The font must be set before any conversion: dialog units are measured in it.
    dialog.SetFont(TemplateFont());
    dialog.SetClientSize(dialog.ConvertDialogToPixels(wxSize(cx, cy)));
    return true;
}

wxRect TemplateRect(const wxWindow& dialog, int x, int y, int cx, int cy) {
    return wxRect(dialog.ConvertDialogToPixels(wxPoint(x, y)),
                  dialog.ConvertDialogToPixels(wxSize(cx, cy)));
}

wxStaticText* AddTemplateText(wxWindow& dialog, int id, const wxString& text, int x, int y, int cx,
                              int cy, long style) {
    wxRect rect = TemplateRect(dialog, x, y, cx, cy);
    auto* label =
        new wxStaticText(&dialog, TemplateId(id), text, rect.GetPosition(), wxDefaultSize, style);
    // This desktop's font is wider than the one the templates were measured in: a text wider
    // than its place grows (leftwards when right-aligned) instead of being cut off.
    const int needed = label->GetBestSize().x;
    if (needed > rect.width) {
        if (style & wxALIGN_RIGHT) rect.x = std::max(0, rect.GetRight() + 1 - needed);
        rect.width = needed;
    }
    label->SetSize(rect);
    // Later texts keep the size: the layout does not move while a window is open.
    label->SetWindowStyle(label->GetWindowStyle() | wxST_NO_AUTORESIZE);
    return label;
}

wxTextCtrl* AddTemplateEdit(wxWindow& dialog, int id, int x, int y, int cx, int cy, long style) {
    const wxRect rect = TemplateRect(dialog, x, y, cx, cy);
    return new wxTextCtrl(&dialog, TemplateId(id), wxEmptyString, rect.GetPosition(),
                          rect.GetSize(), style);
}

wxButton* AddTemplateButton(wxWindow& dialog, int id, const wxString& label, int x, int y, int cx,
                            int cy, bool isDefault) {
    const wxRect rect = TemplateRect(dialog, x, y, cx, cy);
    auto* button = new wxButton(&dialog, TemplateId(id), label, rect.GetPosition(), rect.GetSize());
    if (isDefault) button->SetDefault();
    return button;
}

}  // namespace varlo

#include "gui/controls/about_dlg.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/toplevel.h>

#include <string>

#include "gui/controls/dialog_template.h"
#include "gui/controls/static_link.h"
#include "gui/platform/program_icon.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/product.h"

namespace varlo {

const char* const CAboutDlg::kSupportMail = "support@example.org";

CAboutDlg::CAboutDlg(wxWindow* parent) {
    CreateTemplateDialog(*this, parent, 100, Wx("Varloのﾊﾞｰｼﾞｮﾝ情報"), 170, 153);
    // The program's icon is the one its main window carries.
    const wxRect iconRect = TemplateRect(*this, 11, 17, 20, 20);
    wxIcon icon;
    if (auto* frame = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(parent))) {
        icon = frame->GetIcon();
    }
    if (!icon.IsOk())
        icon = ProgramIcons().GetIcon(iconRect.GetSize(), wxIconBundle::FALLBACK_NEAREST_LARGER);
    if (!icon.IsOk()) {
        icon = wxArtProvider::GetIcon(wxART_INFORMATION, wxART_MESSAGE_BOX, iconRect.GetSize());
    }
    new wxStaticBitmap(this, wxID_ANY, icon, iconRect.GetPosition(), iconRect.GetSize());
    AddTemplateText(*this, -1, Wx("Varlo バージョン ") + kVersion, 41, 3, 119, 8);
    const wxRect mail = TemplateRect(*this, 41, 34, 90, 8);
    m_mailLink = new CStaticLink(this, 206, kSupportMail, mail.GetPosition(), mail.GetSize(),
                                 std::string("mailto:") + kSupportMail);
    const wxRect home = TemplateRect(*this, 41, 47, 90, 8);
    m_homeLink = new CStaticLink(this, 156, kHomePageAddress, home.GetPosition(), home.GetSize());
    AddTemplateButton(*this, 1, "OK", 52, 132, 69, 14, true)->SetFocus();
}

int CAboutDlg::DoModal() {
    CentreOnParent();
    return ShowModal() == wxID_OK ? kIdOk : kIdCancel;
}

}  // namespace varlo

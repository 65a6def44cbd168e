#include "gui/controls/http_download_dlg.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"

namespace varlo {

CHttpDownloadDlg::CHttpDownloadDlg(wxWindow* owner) : m_owner(owner) {}

CHttpDownloadDlg::~CHttpDownloadDlg() {
    if (m_window) m_window->Destroy();
}

CHttpDownloadDlg::GaugeState CHttpDownloadDlg::GaugeFor(int64_t rangeMax, int64_t position) {
    if (rangeMax <= 0) return {1, 0};
    position = std::clamp<int64_t>(position, 0, rangeMax);
    // Bars count in int: a longer file is shown in steps of `scale` bytes.
    const int64_t scale = rangeMax / INT_MAX + 1;
    return {static_cast<int>(rangeMax / scale), static_cast<int>(position / scale)};
}

void CHttpDownloadDlg::OpenWindow() {
    if (m_window) m_window->Destroy();
    auto* window = new wxDialog();
    CreateTemplateDialog(*window, m_owner.get(), 1544, Wx("ダウンロード"), 228, 99);
    m_message = AddTemplateText(*window, -1, Wx("ダウンロード中です..."), 10, 5, 180, 12);
    m_file = AddTemplateText(*window, 156, "http://", 17, 19, 180, 12, wxST_ELLIPSIZE_MIDDLE);
    const wxRect bar = TemplateRect(*window, 17, 34, 192, 24);
    m_bar = new wxGauge(window, 269, 1, bar.GetPosition(), bar.GetSize(),
                        wxGA_HORIZONTAL | wxGA_SMOOTH);
    m_counter = AddTemplateText(*window, 1001, "0/0", 144, 60, 67, 9, wxALIGN_RIGHT);
    AddTemplateButton(*window, 1003, Wx("キャンセル"), 69, 81, 80, 13)
        ->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancelButton(); });
    // The close box closes the window without cancelling: the download goes on unseen.
    window->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { OnCloseBox(); });
    // Escape does what the close box does.
    window->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE) {
            OnCloseBox();
        } else {
            event.Skip();
        }
    });
    m_window = window;
    window->CentreOnParent();
    window->Show();
}

void CHttpDownloadDlg::CloseWindow() {
    wxDialog* window = m_window;
    m_window = nullptr;
    m_message = m_file = m_counter = nullptr;
    m_bar = nullptr;
    // Destroying is deferred to idle time, so this is safe inside the window's own handlers.
    if (window) window->Destroy();
}

void CHttpDownloadDlg::ShowFields() {
    if (!m_window) return;
    const GaugeState gauge = GaugeFor(RangeMax(), Position());
    m_bar->SetRange(gauge.range);
    m_bar->SetValue(gauge.value);
    m_message->SetLabelText(ToWx(MessageText()));
    m_counter->SetLabelText(ToWx(CounterText()));
    m_file->SetLabelText(ToWx(FileText()));
}

void InstallDownloadProgressWindows(wxWindow* owner) {
    wxWeakRef<wxWindow> weakOwner(owner);
    SetDownloadProgressFactory([weakOwner]() -> std::unique_ptr<CDownloadProgress> {
        return std::make_unique<CHttpDownloadDlg>(weakOwner.get());
    });
}

}  // namespace varlo

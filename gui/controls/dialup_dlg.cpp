#include "gui/controls/dialup_dlg.h"

#include <wx/choice.h>

#include <algorithm>

#include "fetch/ras_connection.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/settings.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {
namespace {

// ASCII letters in lower case; double-byte characters are copied whole so that a trail byte is
// never taken for a letter.
Text Folded(const Text& text) {
    Text folded;
    folded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            folded += text[i];
            folded += text[++i];
        } else {
            folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        }
    }
    return folded;
}

}  // namespace

CDialupDlg::CDialupDlg(wxWindow* parent, CRasConnection& connection, ISettings& settings)
    : m_connection(connection), m_settings(settings) {
    CreateTemplateDialog(*this, parent, 134, Wx("ダイヤルアップ接続"), 187, 62);
    AddTemplateText(*this, -1, Wx("接続先(&C)"), 6, 9, 34, 8);
    const wxRect list = TemplateRect(*this, 46, 7, 117, 14);
    m_comboEntry = new wxChoice(this, 1004, list.GetPosition(), list.GetSize());
    AddTemplateButton(*this, 1, "OK", 37, 37, 50, 14, true);
    AddTemplateButton(*this, 2, Wx("ｷｬﾝｾﾙ"), 91, 37, 50, 14);
    m_comboEntry->SetFocus();
}

std::vector<Text> CDialupDlg::SortEntries(std::vector<Text> names) {
    std::stable_sort(names.begin(), names.end(), [](const Text& a, const Text& b) {
        const Text foldedA = Folded(a), foldedB = Folded(b);
        return foldedA != foldedB ? foldedA < foldedB : a < b;
    });
    return names;
}

int CDialupDlg::FindPrefix(const std::vector<Text>& names, const Text& prefix) {
    const Text folded = Folded(prefix);
    for (size_t i = 0; i < names.size(); ++i) {
        if (Folded(names[i]).starts_with(folded)) return static_cast<int>(i);
    }
    return -1;
}

int CDialupDlg::DoModal() {
    // Without dial-up networking an empty list would leave the user guessing: say why instead.
    if (!m_connection.CheckAvailable()) return kIdCancel;
    // An unreadable phone book simply leaves the list empty.
    m_connection.EnumEntries();
    std::vector<Text> names;
    m_connection.FillEntryList(names);
    m_entries = SortEntries(std::move(names));
    m_comboEntry->Clear();
    for (const Text& name : m_entries) m_comboEntry->Append(ToWx(name));
    m_strEntry = m_settings.GetString("System", "DialupEntry", Text());
    m_comboEntry->SetSelection(FindPrefix(m_entries, m_strEntry));
    CentreOnParent();
    if (ShowModal() != wxID_OK) return kIdCancel;
    const int selected = m_comboEntry->GetSelection();
    m_strEntry = selected >= 0 && static_cast<size_t>(selected) < m_entries.size()
                     ? m_entries[static_cast<size_t>(selected)]
                     : Text();
    m_settings.WriteString("System", "DialupEntry", m_strEntry);
    return kIdOk;
}

}  // namespace varlo

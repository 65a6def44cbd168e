#include "gui/document/varlo_doc.h"

#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CVarloDoc, wxDocument);

bool CVarloDoc::OnNewDocument() {
    DeleteContents();
    Modify(false);
    return true;
}

bool CVarloDoc::DeleteContents() {
    m_opmlFile.Clear();
    return true;
}

bool CVarloDoc::OnOpenDocument(const wxString& path) {
    const wxScopedCharBuffer utf8 = path.utf8_str();
    if (!m_opmlFile.ReadOpml(std::string(utf8.data(), utf8.length()))) {
        ShowMessageBox(Jp("ファイルを開けません"), kMbOk | kMbIconError);
        return false;
    }
    return true;
}

bool CVarloDoc::OnSaveDocument(const wxString& path) {
    const wxScopedCharBuffer utf8 = path.utf8_str();
    const bool saved = m_opmlFile.WriteOpml(std::string(utf8.data(), utf8.length()));
    if (saved) Modify(false);
    return saved;
}

}  // namespace varlo

#include "gui/document/varlo_doc.h"

#include <filesystem>
#include <string>

#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CVarloDoc, wxDocument);

namespace {

std::string PathOf(const wxString& path) {
    const wxScopedCharBuffer utf8 = path.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return ec ? a == b : same;
}

}  // namespace

bool CVarloDoc::OnNewDocument() {
    DeleteContents();
    Modify(false);
    return true;
}

std::shared_ptr<const CRssFile> CVarloDoc::SetFeed(std::shared_ptr<const CRssFile> feed) {
    std::shared_ptr<const CRssFile> before = std::move(m_feed);
    m_feed = feed ? std::move(feed) : std::make_shared<const CRssFile>();
    return before;
}

bool CVarloDoc::DeleteContents() {
    m_opmlFile.Clear();
    m_lossyPath.clear();
    m_lossyCount = 0;
    return true;
}

bool CVarloDoc::OnOpenDocument(const wxString& path) {
    const std::string file = PathOf(path);
    if (!m_opmlFile.ReadOpml(file)) {
        ShowMessageBox(Jp("ファイルを開けません"), kMbOk | kMbIconError);
        return false;
    }
    m_lossyCount = m_opmlFile.m_nUnreadItems;
    m_lossyPath = m_lossyCount > 0 ? file : std::string();
    if (m_lossyCount > 0) {
        ShowMessageBox(Jp("読み込めなかった項目が ") + std::to_string(m_lossyCount) +
                           Jp(" 件あります。保存すると失われます。"),
                       kMbOk | kMbIconWarning);
    }
    return true;
}

bool CVarloDoc::OnSaveDocument(const wxString& path) {
    const std::string file = PathOf(path);
    const bool overLossyFile = m_lossyCount > 0 && SameFile(file, m_lossyPath);
    if (overLossyFile &&
        ShowMessageBox(Jp("読み込めなかった項目が ") + std::to_string(m_lossyCount) +
                           Jp(" 件あります。このファイルに保存すると失われます。上書きしますか？"),
                       kMbYesNo | kMbIconWarning) != kIdYes) {
        return false;
    }
    int leftOut = 0;
    const bool saved = m_opmlFile.WriteOpml(file, &leftOut);
    if (saved) Modify(false);
    if (saved && leftOut > 0) {
        ShowMessageBox(LeftOutCharactersMessage(leftOut), kMbOk | kMbIconWarning);
    }
    // Once written over, the file no longer holds what could not be read.
    if (saved && overLossyFile) {
        m_lossyPath.clear();
        m_lossyCount = 0;
    }
    return saved;
}

}  // namespace varlo

#include "gui/document/varlo_doc.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "encoding/codepage.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

wxIMPLEMENT_DYNAMIC_CLASS(CVarloDoc, wxDocument);

namespace {

std::string PathOf(const wxString& path) {
    const wxScopedCharBuffer utf8 = path.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

// Why `path` cannot be read, as the system tells it when it fails to open it; empty when it opens.
Text OpenFailureReason(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        const bool folder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        const bool empty = !folder && fstat(fd, &st) == 0 && st.st_size == 0;
        close(fd);
        if (folder) return Jp("フォルダーです");
        if (empty) return Jp("ファイルが空です");
        return {};
    }
    switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return Jp("ファイルが見つかりません");
        case EACCES:
        case EPERM:
            return Jp("ファイルを読む許可がありません");
        case ELOOP:
            return Jp("リンクの先をたどれません");
        default:
            return Jp("ファイルを読み込めません (エラー ") + std::to_string(errno) + ")";
    }
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
    // What the reading has to say becomes the reason of one message that names the file.
    std::vector<std::pair<Text, unsigned>> said;
    MessageBoxHandler previous = SetMessageBoxHandler([&said](const Text& text, unsigned style) {
        said.emplace_back(text, style);
        return static_cast<int>(kIdOk);
    });
    bool read = false;
    try {
        read = m_opmlFile.ReadOpml(file);
    } catch (...) {
        SetMessageBoxHandler(std::move(previous));
        throw;
    }
    SetMessageBoxHandler(std::move(previous));
    if (!read) {
        // The system's own reason where it refused the file (not there, not allowed, a folder),
        // else what the reading said ("OPMLファイルではありません"), else a file of no OPML body.
        Text reason = OpenFailureReason(file);
        if (reason.empty() && !said.empty()) reason = said.back().first;
        if (reason.empty()) reason = Jp("OPML の body 要素がありません");
        ShowMessageBox(Jp("ファイルを開けません: ") + Utf8ToCp932(file) + "\n" + reason,
                       kMbOk | kMbIconError);
        return false;
    }
    for (const auto& [text, style] : said) ShowMessageBox(text, style);
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

#include "xml/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <new>

#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "xml/encoding.h"
#include "xml/japanese_decoding.h"
#include "xml/plain_file.h"
#include "xml/writer.h"

namespace varlo {

std::unique_ptr<CMXMLNode> CMXMLDocument::CloneNode() const {
    auto copy = std::make_unique<CMXMLDocument>();
    copy->m_encoding = m_encoding;
    if (const CMXMLElement* root = GetDocumentElement()) copy->AppendChild(root->CloneNode());
    return copy;
}

CMXMLElement* CMXMLDocument::GetDocumentElement() const {
    CMXMLNode* first = GetFirstChild();
    return first && first->GetNodeType() == kElementNode ? static_cast<CMXMLElement*>(first)
                                                         : nullptr;
}

std::unique_ptr<CMXMLElement> CMXMLDocument::CreateElement(std::string_view name) {
    auto element = std::make_unique<CMXMLElement>();
    element->SetNodeName(name);
    return element;
}

void CMXMLDocument::ParseXML(std::string text) {
    // The prolog: the XML declaration (whose encoding is noted), processing instructions, DOCTYPE
    // and comments are skipped, each up to its first ">"; other bytes before the root are dropped.
    std::string_view rest = text;
    bool inItem = false;
    size_t itemStart = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (inItem) {
            if (rest[i] == '>') {
                const CMXMLElement item(rest.substr(itemStart, i - itemStart + 1));
                if (item.NodeName() == "?xml") m_encoding = item.GetAttribute("encoding");
                inItem = false;
            }
        } else if (rest[i] == '<') {
            if (i + 1 < rest.size() && (rest[i + 1] == '?' || rest[i + 1] == '!')) {
                inItem = true;
                itemStart = i;
            } else {
                rest.remove_prefix(i);
                break;
            }
        }
    }
    rest = Trim(rest, "\r\n \t");

    std::optional<Text> converted = DecodeJapaneseXmlText(rest, m_encoding);
    if (converted) {
        // The file's bytes are no longer needed: free them before the tree is built.
        std::string().swap(text);
        rest = *converted;
    } else if (!IsAscii(rest) && IsUTF8(rest)) {
        // Converted where it lies: code page 932 never needs more bytes than UTF-8, so a large
        // feed is not held twice.
        if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
        char* begin = text.data() + (rest.data() - text.data());
        rest = std::string_view(begin, Utf8ToCp932InPlace(begin, rest.size()));
    }
    auto root = std::make_unique<CMXMLElement>();
    root->ParseXML(rest);
    AppendChild(std::move(root));
    SetXmlFormat(XmlFormat::Compact);
}

bool CMXMLDocument::LoadFile(const std::string& path) {
    CPlainFile file;
    try {
        file.Open(path, "rb");
        std::string text = file.ReadAll();
        file.Close();
        ParseXML(std::move(text));
        return true;
    } catch (const CMorvaFileException& e) {
        ShowMessageBox(e.GetMessage(), kMbOk | kMbIconError);
    } catch (const std::bad_alloc&) {
        // Memory ran out while the text was converted or the tree built: drop the partial tree.
        if (CMXMLNode* last = GetLastChild(); last && last != GetDocumentElement())
            DeleteChildren();
        ShowMessageBox(Jp(CPlainFile::kBufferFailed) + ":" + Utf8ToCp932(path),
                       kMbOk | kMbIconError);
    }
    return false;
}

namespace {

// The file that a save replaces: a link is followed so that the link itself stays.
std::string SaveTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto resolved = std::filesystem::canonical(path, ec);
        if (!ec) return resolved.string();
    }
    return path;
}

// Permissions for the new file: those of the file it replaces, else the usual ones for new files.
mode_t NewFileMode(const std::string& target) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool CMXMLDocument::SaveFile(const std::string& path) {
    // The new content goes to a temporary file beside the target, which replaces the target only
    // once it is completely written and synced: a failed save leaves the old file as it was.
    const std::string target = SaveTarget(path);
    std::string temporary = target + ".XXXXXX";
    bool created = false;
    auto fail = [&](const Text& message) {
        if (created) std::remove(temporary.c_str());
        ShowMessageBox(message, kMbOk | kMbIconError);
        return false;
    };
    try {
        const std::string utf8 = TextToUTF8(GetXML());
        const int fd = mkstemp(temporary.data());
        if (fd < 0) {
            return fail(Jp(CPlainFile::kOpenFailed) + ":" + Utf8ToCp932(path));
        }
        created = true;
        fchmod(fd, NewFileMode(target));
        close(fd);
        CPlainFile file;
        file.SetReportedPath(path);
        file.Open(temporary, "wb");
        file.Write(utf8);
        file.Sync();
        file.Close();
        if (std::rename(temporary.c_str(), target.c_str()) != 0) {
            return fail(Jp(CPlainFile::kWriteFailed) + ":" + Utf8ToCp932(path));
        }
        return true;
    } catch (const CMorvaFileException& e) {
        return fail(e.GetMessage());
    } catch (const std::bad_alloc&) {
        return fail(Jp(CPlainFile::kWriteFailed) + ":" + Utf8ToCp932(path));
    }
}

}  // namespace varlo

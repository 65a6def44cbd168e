#include "xml/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <new>

#include "encoding/codepage.h"
#include "encoding/declared_encoding.h"
#include "encoding/japanese_detect.h"
#include "encoding/latin_text.h"
#include "platform/allocator.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "xml/encoding.h"
#include "xml/japanese_decoding.h"
#include "xml/parse_limits.h"
#include "xml/plain_file.h"
#include "xml/text_buffer.h"
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

namespace {

// The memory budget of a tree: bytes per byte of the text parsed, and bytes any text may use.
constexpr size_t kTreeBytesPerTextByte = 13;
constexpr size_t kTreeBytesAlways = 1 << 20;

// The root element's markup without what a host appended after its end tag (a comment from a
// cache plug-in, a script, text): when the text does not end with the root's end tag, the root
// ends at the last end tag of its name. A text without any such end tag is left as it is.
std::string_view CutAfterRoot(std::string_view rest) {
    if (rest.size() < 2 || rest[0] != '<') return rest;
    const size_t nameEnd = rest.find_first_of("> \t\r\n/", 1);
    if (nameEnd == std::string_view::npos || nameEnd == 1) return rest;
    const std::string_view name = rest.substr(1, nameEnd - 1);
    std::string close = "</";
    close += name;
    for (size_t at = rest.rfind(close); at != std::string_view::npos && at > 0;
         at = rest.rfind(close, at - 1)) {
        size_t gt = at + close.size();
        while (gt < rest.size() && IsXmlSpace(rest[gt])) ++gt;
        if (gt < rest.size() && rest[gt] == '>') return rest.substr(0, gt + 1);
    }
    return rest;
}

}  // namespace

namespace {

std::atomic<uint64_t> g_parseCount{0};

}  // namespace

uint64_t CMXMLDocument::ParseCount() {
    return g_parseCount.load(std::memory_order_relaxed);
}

void CMXMLDocument::ParseXML(std::string text) {
    g_parseCount.fetch_add(1, std::memory_order_relaxed);
    ParseLimitWatch watch;
    // UTF-16 and UTF-32 are brought to UTF-8 first, so that the markup can be found at all; the
    // byte order mark (or "<" written in them) is their declaration.
    bool utf8Declared = false;
    if (std::optional<std::string> wide = DecodeWideText(text)) {
        text = std::move(*wide);
        utf8Declared = true;
    }
    // The text ends at its first zero byte.
    if (const size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);

    // The prolog: the XML declaration (whose encoding is noted), processing instructions and
    // DOCTYPE are skipped, each up to its first ">", and comments up to their "-->"; other bytes
    // before the root are dropped.
    std::string_view rest = text;
    bool inItem = false;
    size_t itemStart = 0;
    const bool utf8Mark = rest.starts_with("\xEF\xBB\xBF");
    for (size_t i = 0; i < rest.size(); ++i) {
        if (inItem) {
            if (rest[i] == '>') {
                const CMXMLElement item(rest.substr(itemStart, i - itemStart + 1));
                if (item.NodeName() == "?xml") m_encoding = item.GetAttribute("encoding");
                inItem = false;
            }
        } else if (rest[i] == '<') {
            const size_t commentEnd = rest.substr(i).starts_with("<!--") ? rest.find("-->", i + 4)
                                                                         : std::string_view::npos;
            if (commentEnd != std::string_view::npos) {
                // A comment ends at "-->": a ">" inside it (feeds describe themselves in one)
                // would otherwise make its rest the root.
                i = commentEnd + 2;
            } else if (i + 1 < rest.size() && (rest[i + 1] == '?' || rest[i + 1] == '!')) {
                inItem = true;
                itemStart = i;
            } else {
                rest.remove_prefix(i);
                break;
            }
        }
    }
    rest = CutAfterRoot(Trim(rest, "\r\n \t"));

    // A UTF-8 byte order mark declares UTF-8 as well: a stray bad byte then costs one "?", not the
    // whole text.
    if (utf8Mark) utf8Declared = true;
    const DeclaredEncoding declared = ClassifyEncoding(m_encoding);
    std::optional<Text> converted;
    // Whether the text as it stands is well-formed UTF-8, found out once at most.
    std::optional<bool> wellFormed;
    const auto isUtf8 = [&wellFormed, &rest] {
        if (!wellFormed) wellFormed = IsUTF8(rest);
        return *wellFormed;
    };
    // Western text that declares nothing and is no UTF-8 is windows-1252, as browsers read it;
    // its accented letters would otherwise pass for Japanese.
    if (!utf8Declared && declared == DeclaredEncoding::None && !IsAscii(rest) && !isUtf8() &&
        LooksLikeWindows1252(rest) && !IsUtf8WithStrayBytes(rest)) {
        converted = Windows1252ToUtf8(rest);
        utf8Declared = true;
    }
    if (!converted && !utf8Declared) converted = DecodeJapaneseXmlText(rest, m_encoding);
    if (!converted && !utf8Declared && declared == DeclaredEncoding::Other && !IsAscii(rest) &&
        !IsEightBitUtf8(rest)) {
        // Well-formed UTF-8 wins over the declaration, as it does over the Japanese ones: feeds
        // moved to UTF-8 often keep their old declaration.
        converted = ConvertWithIconv(rest, IconvName(m_encoding));
        if (converted) utf8Declared = true;
    }
    if (converted && utf8Declared) {
        Utf8ToCp932InPlace(*converted);
        KeepTextBuffer(std::move(text));
        rest = *converted;
    } else if (converted) {
        // The file's bytes are no longer needed: free them before the tree is built.
        KeepTextBuffer(std::move(text));
        rest = *converted;
    } else if (!IsAscii(rest) &&
               (utf8Declared || isUtf8() ||
                (declared == DeclaredEncoding::None && IsUtf8WithStrayBytes(rest)) ||
                (declared == DeclaredEncoding::Utf8 && IsMostlyUtf8(rest)))) {
        // A stray byte (a word processor's quote) is the windows-1252 character a browser shows.
        const bool strayBytes = !isUtf8();
        // Converted where it lies: code page 932 needs no more bytes than UTF-8 except for carried
        // references, so a large feed is normally not held twice.
        const size_t offset = static_cast<size_t>(rest.data() - text.data());
        text.resize(offset + rest.size());
        text.erase(0, offset);
        if (strayBytes) text = StrayBytesAsWindows1252(text);
        Utf8ToCp932InPlace(text);
        // Japanese shrinks by a third: give the rest back before the tree is built (in place: a
        // shrink would copy the text once more), unless the buffer serves the next reading whole.
        if (text.capacity() > kKeptTextBufferBytes) ReleaseUnusedCapacity(text);
        rest = text;
    }
    // Hostile markup (millions of tiny elements or text nodes) would make a tree dozens of times
    // the size of its text; the tree stops growing at a multiple that ordinary feeds (about two)
    // never reach, so that loading anything stays within a fixed multiple of its size.
    watch.SetMemoryBudget(rest.size() * kTreeBytesPerTextByte + kTreeBytesAlways);
    // The tree points into the text rather than copying it: the root element keeps it.
    auto root = std::make_unique<CMXMLElement>();
    std::string& kept = converted ? *converted : text;
    if (rest.empty() || rest.data() < kept.data() || rest.data() >= kept.data() + kept.size()) {
        root->ParseXML(rest);
    } else {
        root->ParseKeptXML(std::move(kept), rest);
    }
    AppendChild(std::move(root));
    SetXmlFormat(XmlFormat::Compact);
    m_limitReached = watch.Reached();
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

#include "fetch/text_file.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "encoding/codepage.h"
#include "encoding/declared_encoding.h"
#include "encoding/japanese_detect.h"
#include "encoding/latin_text.h"
#include "platform/message_box.h"

namespace varlo {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The whole file, or false when it cannot be opened or read (a folder, for instance).
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string data;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) data.append(buffer, got);
    if (std::ferror(file.get())) return false;
    bytes = std::move(data);
    return true;
}

bool EqualsNoCaseAt(std::string_view text, size_t at, std::string_view lower) {
    if (at + lower.size() > text.size()) return false;
    for (size_t i = 0; i < lower.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

std::string DeclaredPageCharset(std::string_view bytes) {
    // The declaration stands in the head, near the start; the rest of the page is not searched.
    const std::string_view head = bytes.substr(0, 4096);
    for (size_t at = 0; at + 8 <= head.size(); ++at) {
        if (!EqualsNoCaseAt(head, at, "charset=")) continue;
        const size_t tag = head.rfind('<', at);
        if (tag == std::string_view::npos || !EqualsNoCaseAt(head, tag, "<meta") ||
            head.find('>', tag) < at)
            continue;
        size_t start = at + 8;
        while (start < head.size() &&
               (head[start] == '"' || head[start] == '\'' || head[start] == ' '))
            ++start;
        size_t end = start;
        while (end < head.size() &&
               (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
                head[end] == '_' || head[end] == '.' || head[end] == ':'))
            ++end;
        return std::string(head.substr(start, end - start));
    }
    return {};
}

Text NormaliseLineBreaks(std::string_view text, int lineBreak) {
    if (lineBreak != kLineBreakLf && lineBreak != kLineBreakCr) return Text(text);
    Text out;
    out.reserve(text.size() + text.size() / 16);
    const char breakByte = lineBreak == kLineBreakLf ? '\n' : '\r';
    size_t start = 0;
    while (true) {
        const size_t at = text.find(breakByte, start);
        if (at == std::string_view::npos) break;
        out.append(text.substr(start, at - start));
        out.append("\r\n");
        start = at + 1;
        // A CR LF pair in a CR text is one break, not two.
        if (lineBreak == kLineBreakCr && start < text.size() && text[start] == '\n') ++start;
    }
    out.append(text.substr(start));
    return out;
}

int CTextFile::Load(const std::string& path) {
    m_strPath = path;
    if (!ReadWholeFile(path, m_strRaw)) {
        ShowMessageBox(Jp("ファイルが見つかりません"), kMbOk | kMbIconError);
        return 0;
    }
    // A page in UTF-16 says so by its byte order mark, and a page in an encoding other than the
    // Japanese ones by its meta element: either is read as the UTF-8 it becomes. Well-formed
    // UTF-8 wins over a declaration, as it does for feeds.
    // UTF-8 with a few stray bytes of windows-1252 in it, and windows-1252 that declares nothing,
    // are read as browsers read them, not as Japanese.
    bool western = false;
    if (std::optional<std::string> wide = DecodeWideText(m_strRaw)) {
        m_strRaw = std::move(*wide);
    } else if (!IsAsciiText(m_strRaw) && !IsEightBitUtf8(m_strRaw)) {
        const std::string charset = DeclaredPageCharset(m_strRaw);
        const DeclaredEncoding declared = ClassifyEncoding(charset);
        if (declared == DeclaredEncoding::Other) {
            if (std::optional<std::string> utf8 = ConvertWithIconv(m_strRaw, IconvName(charset)))
                m_strRaw = std::move(*utf8);
        } else if (declared == DeclaredEncoding::Utf8 && IsMostlyUtf8(m_strRaw)) {
            m_strRaw = StrayBytesAsWindows1252(m_strRaw);
            western = true;
        } else if (declared == DeclaredEncoding::None && LooksLikeWindows1252(m_strRaw)) {
            m_strRaw = Windows1252ToUtf8(m_strRaw);
            western = true;
        }
    }
    m_nCode = western ? kCodeUtf8 : DetectJapaneseCode(m_strRaw);
    if (m_nCode == kCodeShiftJis && IsUtf8(m_strRaw)) m_nCode = kCodeUtf8;
    // An emoji starts with a byte that looks like EUC-JP, and accented letters look like either
    // Japanese encoding; well-formed UTF-8 is UTF-8 all the same.
    // A page whose only bytes above ASCII are a few no-break spaces decides nothing for the
    // Japanese detection, yet is UTF-8 all the same.
    if ((m_nCode == kCodeEucJp || m_nCode == kCodeEucOrSjis || m_nCode == kCodeAscii) &&
        IsEightBitUtf8(m_strRaw))
        m_nCode = kCodeUtf8;
    m_nLineBreak = DetectLineBreak(m_strRaw);

    Text text = m_bConvert ? NormaliseLineBreaks(m_strRaw, m_nLineBreak) : std::move(m_strRaw);
    m_strRaw.clear();
    m_strRaw.shrink_to_fit();
    if (m_bConvert) {
        if (m_nCode == kCodeJis || m_nCode == kCodeEucJp) {
            // Each file starts in ASCII mode (the converter keeps no state between texts), so a
            // page that ends in two-byte mode cannot garble the next one.
            text = ConvertJapaneseLines(text, m_nCode, false);
        } else if (m_nCode == kCodeUtf8) {
            text = ConvertUtf8(text);
        }
    }
    m_strText = std::move(text);
    return 1;
}

}  // namespace varlo

#include "store/text_fold.h"

#include <utf8proc.h>

#include <algorithm>

#include "encoding/carried_reference.h"

namespace varlo {
namespace {

// A base character gathers at most this many marks; what follows more of them (a text made to
// stack marks without end) starts a character of its own, so folding stays linear.
constexpr size_t kMaxCluster = 32;

constexpr utf8proc_option_t kFoldOptions = static_cast<utf8proc_option_t>(
    UTF8PROC_COMPAT | UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD | UTF8PROC_IGNORE);

bool IsMark(utf8proc_category_t category) {
    return category == UTF8PROC_CATEGORY_MN || category == UTF8PROC_CATEGORY_MC ||
           category == UTF8PROC_CATEGORY_ME;
}

bool IsHangulSyllable(char32_t c) {
    return c >= 0xAC00 && c <= 0xD7A3;
}

bool IsHangulLeadingJamo(char32_t c) {
    return c >= 0x1100 && c <= 0x115F;
}

// Letters whose accents search ignores: Latin, Greek and Cyrillic.
bool DropsAccents(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0x24F) ||
           (c >= 0x250 && c <= 0x2AF) || (c >= 0x370 && c <= 0x52F) ||
           (c >= 0x1C80 && c <= 0x1C8F) || (c >= 0x1D00 && c <= 0x1DBF) ||
           (c >= 0x1E00 && c <= 0x1FFF) || (c >= 0x2C60 && c <= 0x2C7F) ||
           (c >= 0x2DE0 && c <= 0x2DFF) || (c >= 0xA640 && c <= 0xA69F) ||
           (c >= 0xA720 && c <= 0xA7FF) || (c >= 0xAB30 && c <= 0xAB6F);
}

// Kana and the common Han characters fold to themselves: none has a compatibility form or a case,
// and a voiced kana that decomposes composes again to itself. Japanese text is mostly these, and
// they skip the decomposition.
bool FoldsToItself(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3041 && c <= 0x3096) ||
           (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC || (c >= 0x3400 && c <= 0x4DBF);
}

bool IsCjk(char32_t c) {
    return (c >= 0x3041 && c <= 0x3096) ||    // hiragana
           (c >= 0x309D && c <= 0x309F) ||    // its iteration marks and yori
           (c >= 0x30A1 && c <= 0x30FA) ||    // katakana
           (c >= 0x30FC && c <= 0x30FF) ||    // the long vowel mark, iteration marks, koto
           (c >= 0x31F0 && c <= 0x31FF) ||    // small katakana for Ainu
           (c >= 0x3005 && c <= 0x3007) ||    // 々 〆 〇
           c == 0x303B ||                     // 〻
           (c >= 0x3400 && c <= 0x4DBF) ||    // Han, extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // Han
           (c >= 0xF900 && c <= 0xFAFF) ||    // Han compatibility ideographs
           (c >= 0x20000 && c <= 0x3FFFF) ||  // Han, supplementary planes
           (c >= 0x1B000 && c <= 0x1B16F) ||  // historic kana
           (c >= 0xAC00 && c <= 0xD7FF) ||    // Hangul syllables and jamo
           (c >= 0x1100 && c <= 0x11FF) ||    // Hangul jamo
           (c >= 0x3131 && c <= 0x318E) ||    // Hangul compatibility jamo
           (c >= 0xA960 && c <= 0xA97F);      // Hangul jamo, extension A
}

}  // namespace

CharClass ClassOf(char32_t c) {
    if (c < 0x80) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        return alnum ? CharClass::kWord : CharClass::kSeparator;
    }
    if (IsCjk(c)) return CharClass::kCjk;
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
        case UTF8PROC_CATEGORY_LU:
        case UTF8PROC_CATEGORY_LL:
        case UTF8PROC_CATEGORY_LT:
        case UTF8PROC_CATEGORY_LM:
        case UTF8PROC_CATEGORY_LO:
        case UTF8PROC_CATEGORY_ND:
        case UTF8PROC_CATEGORY_NL:
        case UTF8PROC_CATEGORY_NO:
            return CharClass::kWord;
        case UTF8PROC_CATEGORY_SO:
            return CharClass::kSymbol;
        default:
            return CharClass::kSeparator;
    }
}

bool TextFolder::Attaches(char32_t c) const {
    if (c < 0x80) return false;
    const utf8proc_property_t* property = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
    if (property->combining_class != 0 ||
        IsMark(static_cast<utf8proc_category_t>(property->category))) {
        return true;
    }
    // Conjoining vowels and finals of Hangul join the syllable they follow.
    const char32_t base = m_cluster.front().codepoint;
    return c >= 0x1160 && c <= 0x11FF && (IsHangulLeadingJamo(base) || IsHangulSyllable(base));
}

bool TextFolder::Next(FoldedChar& out) {
    // An ASCII character that ASCII text or the end follows is a cluster of its own, folded to
    // itself in lower case: it skips the machinery below, which costs many times more. It may be
    // waiting already, read ahead by that machinery.
    if (m_cluster.empty()) {
        const bool waiting = m_readyAt + 1 == m_readySize && m_ready[m_readyAt] < 0x80 &&
                             m_source.EndsOrAsciiTextNext();
        if (waiting || (m_readyAt >= m_readySize && m_source.NextLoneAscii(m_readyFrom))) {
            char32_t c = waiting ? m_ready[m_readyAt++] : m_readyFrom.codepoint;
            if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
            m_text.assign(1, static_cast<char>(c));
            out.text = m_text;
            out.kind = ClassOf(c);
            out.begin = m_readyFrom.begin;
            out.end = m_readyFrom.end;
            return true;
        }
    }
    for (;;) {
        while (m_readyAt < m_readySize) {
            const char32_t c = m_ready[m_readyAt];
            if (!m_cluster.empty() && (m_cluster.size() >= kMaxCluster || !Attaches(c))) {
                Finish(out);
                return true;
            }
            m_cluster.push_back(Piece{c, m_readyFrom.begin, m_readyFrom.end});
            ++m_readyAt;
        }
        if (!m_source.Next(m_readyFrom)) {
            if (m_cluster.empty()) return false;
            Finish(out);
            return true;
        }
        const char32_t c = m_readyFrom.codepoint;
        m_readyAt = 0;
        if (c < 0x80) {
            m_ready[0] = (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
            m_readySize = 1;
            continue;
        }
        if (IsHangulSyllable(c) || FoldsToItself(c)) {
            // Kept whole: folding has nothing to change in it (and a Hangul syllable's jamo would
            // read as three characters).
            m_ready[0] = c;
            m_readySize = 1;
            continue;
        }
        utf8proc_int32_t decomposed[32];
        const utf8proc_ssize_t n = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c),
                                                           decomposed, 32, kFoldOptions, nullptr);
        if (n < 0 || n > 32) {
            m_ready[0] = U' ';
            m_readySize = 1;
            continue;
        }
        for (utf8proc_ssize_t i = 0; i < n; ++i) m_ready[i] = static_cast<char32_t>(decomposed[i]);
        m_readySize = static_cast<size_t>(n);
    }
}

void TextFolder::Finish(FoldedChar& out) {
    out.begin = m_cluster.front().begin;
    out.end = m_cluster.back().end;
    m_text.clear();
    const char32_t base = m_cluster.front().codepoint;
    if (m_cluster.size() == 1) {
        AppendUtf8(base, m_text);
        out.kind = ClassOf(base);
    } else if (IsMark(utf8proc_category(static_cast<utf8proc_int32_t>(base)))) {
        // Marks without a base character to carry them (left after a space, or past the limit).
        for (const Piece& piece : m_cluster) AppendUtf8(piece.codepoint, m_text);
        out.kind = CharClass::kSeparator;
    } else {
        utf8proc_int32_t buffer[kMaxCluster];
        size_t n = 0;
        const bool dropAccents = DropsAccents(base);
        for (const Piece& piece : m_cluster) {
            const auto c = static_cast<utf8proc_int32_t>(piece.codepoint);
            if (n > 0 && dropAccents) {
                const utf8proc_category_t category = utf8proc_category(c);
                if (category == UTF8PROC_CATEGORY_MN || category == UTF8PROC_CATEGORY_ME) continue;
            }
            buffer[n++] = c;
        }
        // Canonical order of the marks, so that the same marks typed in another order compose
        // alike; marks of class 0 stay where they are.
        for (size_t i = 2; i < n; ++i) {
            for (size_t j = i; j > 1; --j) {
                const auto later = utf8proc_get_property(buffer[j])->combining_class;
                const auto earlier = utf8proc_get_property(buffer[j - 1])->combining_class;
                if (later == 0 || earlier <= later) break;
                std::swap(buffer[j], buffer[j - 1]);
            }
        }
        const utf8proc_ssize_t composed =
            n > 1 ? utf8proc_normalize_utf32(buffer, static_cast<utf8proc_ssize_t>(n),
                                             UTF8PROC_COMPOSE)
                  : static_cast<utf8proc_ssize_t>(n);
        for (utf8proc_ssize_t i = 0; i < composed; ++i) {
            AppendUtf8(static_cast<char32_t>(buffer[i]), m_text);
        }
        out.kind = ClassOf(static_cast<char32_t>(buffer[0]));
    }
    out.text = m_text;
    m_cluster.clear();
}

std::string FoldForSearch(std::string_view utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    TextFolder folder(utf8, TextForm::kPlain);
    FoldedChar c;
    while (folder.Next(c)) folded.append(c.text);
    return folded;
}

std::string FoldSystemTextForSearch(std::string_view systemText) {
    return FoldForSearch(Cp932TextToUtf8(systemText));
}

}  // namespace varlo

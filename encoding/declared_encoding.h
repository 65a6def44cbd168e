#pragma once
// Encodings that a document declares beside the Japanese ones (ISO-8859-1, windows-1252, GB2312,
// Big5, EUC-KR, KOI8-R, UTF-16 and others the C library knows), converted to UTF-8 with iconv.

#include <optional>
#include <string>
#include <string_view>

namespace varlo {

// How the loader treats a declared encoding name.
enum class DeclaredEncoding {
    None,      // nothing declared
    Utf8,      // UTF-8
    ShiftJis,  // Shift_JIS and code page 932: the system's own text
    Japanese,  // EUC-JP or ISO-2022-JP, which the Japanese converters read
    Wide,      // UTF-16 or UTF-32 named by a text that is not in it (the bytes decide)
    Other,     // converted with iconv (see IconvName)
    Unknown,   // a name iconv does not know: ignored
};

// The kind of a declared encoding name (letter case and surrounding white space ignored).
DeclaredEncoding ClassifyEncoding(std::string_view name);

// The name iconv is given for a declared encoding: the labels that mean windows-1252 to a browser
// (ISO-8859-1, US-ASCII) become it, GB2312 and GBK become GB18030, Big5 becomes Big5-HKSCS and
// EUC-KR becomes code page 949, each a superset of what it stands for; other names go as written.
std::string IconvName(std::string_view name);

// Converts bytes in the named encoding (a name iconv knows) to UTF-8; a byte sequence that is not
// in the encoding becomes "?". nullopt when iconv cannot convert from that encoding.
std::optional<std::string> ConvertWithIconv(std::string_view bytes, std::string_view iconvName);

// True when the bytes begin as UTF-16 or UTF-32 text: a byte order mark of either, or "<" written
// in one of them (an XML text without a mark).
bool HasWideTextSignature(std::string_view bytes);

// Bytes that HasWideTextSignature accepts converted to UTF-8, the byte order mark dropped; nullopt
// for every other text.
std::optional<std::string> DecodeWideText(std::string_view bytes);

}  // namespace varlo

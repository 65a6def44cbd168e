#include "encoding/declared_encoding.h"

#include <errno.h>
#include <iconv.h>

#include <memory>
#include <type_traits>

namespace varlo {
namespace {

std::string Lower(std::string_view name) {
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool OneOf(const std::string& name, std::initializer_list<std::string_view> names) {
    for (std::string_view candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

IconvHandle OpenToUtf8(const std::string& from) {
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(cd);
}

// The byte order mark and the encoding it names; an empty name when there is none.
struct WideForm {
    const char* name;
    size_t markLength;
};

WideForm DetectWide(std::string_view bytes) {
    auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv)) return {"UTF-32LE", 4};
    if (starts("\0\0\xFE\xFF"sv)) return {"UTF-32BE", 4};
    if (starts("\xFF\xFE"sv)) return {"UTF-16LE", 2};
    if (starts("\xFE\xFF"sv)) return {"UTF-16BE", 2};
    // Without a mark, the first character of an XML text is "<" (white space is rare and such a
    // text is read as it always was).
    if (starts("<\0\0\0"sv)) return {"UTF-32LE", 0};
    if (starts("\0\0\0<"sv)) return {"UTF-32BE", 0};
    if (bytes.size() >= 4 && starts("<\0"sv) && bytes[2] != '\0' && bytes[3] == '\0')
        return {"UTF-16LE", 0};
    if (bytes.size() >= 4 && starts("\0<"sv) && bytes[2] == '\0' && bytes[3] != '\0')
        return {"UTF-16BE", 0};
    return {"", 0};
}

}  // namespace

DeclaredEncoding ClassifyEncoding(std::string_view declared) {
    const std::string name = Lower(declared);
    if (name.empty()) return DeclaredEncoding::None;
    if (OneOf(name, {"utf-8", "utf8", "unicode-1-1-utf-8", "x-unicode20utf8"}))
        return DeclaredEncoding::Utf8;
    if (OneOf(name, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms932",
                     "ms_kanji", "csshiftjis", "cswindows31j", "x-ms-cp932"}))
        return DeclaredEncoding::ShiftJis;
    if (OneOf(name, {"euc-jp", "euc_jp", "eucjp", "x-euc-jp", "cseucpkdfmtjapanese", "iso-2022-jp",
                     "csiso2022jp"}))
        return DeclaredEncoding::Japanese;
    if (name.starts_with("utf-16") || name.starts_with("utf-32") || name == "ucs-2" ||
        name == "unicode")
        return DeclaredEncoding::Wide;
    return OpenToUtf8(IconvName(declared)) ? DeclaredEncoding::Other : DeclaredEncoding::Unknown;
}

std::string IconvName(std::string_view declared) {
    const std::string name = Lower(declared);
    if (OneOf(name,
              {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "iso-ir-100", "cp819",
               "ibm819", "csisolatin1", "us-ascii", "ascii", "windows-1252", "cp1252", "x-cp1252"}))
        return "WINDOWS-1252";
    if (OneOf(name, {"gb2312", "gbk", "x-gbk", "cp936", "ms936", "windows-936", "gb_2312-80",
                     "csgb2312", "chinese", "euc-cn", "gb18030"}))
        return "GB18030";
    if (OneOf(name, {"big5", "big5-hkscs", "x-x-big5", "cn-big5", "csbig5"})) return "BIG5-HKSCS";
    if (OneOf(name, {"euc-kr", "ks_c_5601-1987", "ks_c_5601-1989", "korean", "cseuckr",
                     "windows-949", "cp949", "uhc"}))
        return "CP949";
    return std::string(declared);
}

std::optional<std::string> ConvertWithIconv(std::string_view bytes, std::string_view iconvName) {
    IconvHandle cd = OpenToUtf8(std::string(iconvName));
    if (!cd) return std::nullopt;
    // UTF-16 and UTF-32 skip a whole unit after a bad one; other encodings a byte.
    const size_t unit = iconvName.starts_with("UTF-32")   ? 4
                        : iconvName.starts_with("UTF-16") ? 2
                                                          : 1;
    std::string out;
    out.resize(bytes.size() + bytes.size() / 2 + 16);
    char* in = const_cast<char*>(bytes.data());  // iconv does not write through its input
    size_t inLeft = bytes.size();
    size_t used = 0;
    while (inLeft > 0) {
        char* o = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t result = iconv(cd.get(), &in, &inLeft, &o, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() + out.size() / 2 + 16);
            continue;
        }
        // A sequence that is not in the encoding, or one cut off at the end: one "?" for it.
        if (out.size() - used < 1) out.resize(out.size() + 16);
        out[used++] = '?';
        const size_t skip = std::min(inLeft, errno == EINVAL ? inLeft : unit);
        in += skip;
        inLeft -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

bool HasWideTextSignature(std::string_view bytes) {
    return DetectWide(bytes).name[0] != '\0';
}

std::optional<std::string> DecodeWideText(std::string_view bytes) {
    const WideForm form = DetectWide(bytes);
    if (form.name[0] == '\0') return std::nullopt;
    return ConvertWithIconv(bytes.substr(form.markLength), form.name);
}

}  // namespace varlo

#include "xml/japanese_decoding.h"

#include "fetch/japanese_convert.h"
#include "fetch/japanese_detect.h"
#include "xml/encoding.h"

namespace varlo {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The code kind an encoding name stands for; -1 for names this decoder leaves alone.
int DeclaredCode(std::string_view name) {
    for (const char* euc : {"EUC-JP", "EUC_JP", "EUCJP", "X-EUC-JP", "CSEUCPKDFMTJAPANESE"}) {
        if (EqualsNoCase(name, euc)) return kCodeEucJp;
    }
    for (const char* jis : {"ISO-2022-JP", "CSISO2022JP"}) {
        if (EqualsNoCase(name, jis)) return kCodeJis;
    }
    return -1;
}

bool HasEightBitByte(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

}  // namespace

std::optional<Text> DecodeJapaneseXmlText(std::string_view bytes,
                                          std::string_view declaredEncoding) {
    int code;
    if (!declaredEncoding.empty()) {
        code = DeclaredCode(declaredEncoding);
        if (code < 0) return std::nullopt;
        // A feed moved to UTF-8 that kept its old declaration reads as UTF-8, as it always did.
        if (HasEightBitByte(bytes) && IsUTF8(bytes)) return std::nullopt;
    } else {
        // Only EUC-JP and JIS are decided here: a kind-2 guess implies the bytes are not UTF-8,
        // and a JIS text carries its escapes, which no UTF-8 feed holds.
        code = DetectJapaneseCode(bytes);
        if (code != kCodeEucJp && code != kCodeJis) return std::nullopt;
    }
    // Every CR and LF ends a line, so a shift state never turns a line break into a character.
    return ConvertJapaneseLines(bytes, code, true);
}

}  // namespace varlo

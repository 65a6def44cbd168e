#include "xml/japanese_decoding.h"

#include "encoding/japanese_convert.h"
#include "encoding/japanese_detect.h"
#include "platform/text.h"
#include "xml/encoding.h"

namespace varlo {
namespace {

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

}  // namespace

std::optional<Text> DecodeJapaneseXmlText(std::string_view bytes,
                                          std::string_view declaredEncoding) {
    int code;
    if (!declaredEncoding.empty()) {
        code = DeclaredCode(declaredEncoding);
        if (code < 0) return std::nullopt;
        // A feed moved to UTF-8 that kept its old declaration reads as UTF-8, as it always did.
        if (IsEightBitUtf8(bytes)) return std::nullopt;
    } else {
        // Only EUC-JP and JIS are decided here. A UTF-8 text can look like EUC-JP to the guess
        // (a four-byte character starts with F0-F4), so it is checked for first; a JIS text
        // carries its escapes, which no UTF-8 feed holds.
        code = DetectJapaneseCode(bytes);
        if (code != kCodeEucJp && code != kCodeJis) return std::nullopt;
        if (code == kCodeEucJp && (IsEightBitUtf8(bytes) || IsUtf8WithStrayBytes(bytes)))
            return std::nullopt;
    }
    // Every CR and LF ends a line, so a shift state never turns a line break into a character.
    return ConvertJapaneseLines(bytes, code, true);
}

}  // namespace varlo

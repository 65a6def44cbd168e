// Detects and converts arbitrary bytes as a fetched page: every converter runs on every input,
// whatever the guess, and the results are checked for what must always hold.

#include <cstdint>
#include <string_view>

#include "encoding/japanese_convert.h"
#include "encoding/japanese_detect.h"
#include "fetch/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varlo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int code = DetectJapaneseCode(bytes);
    if (code < 0 || code > 5 || code == kCodeUtf8) __builtin_trap();
    IsUtf8(bytes);
    const int lineBreak = DetectLineBreak(bytes);
    const Text normalised = NormaliseLineBreaks(bytes, lineBreak);
    if (normalised.size() < bytes.size()) __builtin_trap();
    for (const bool cutAtEachByte : {false, true}) {
        const Text jis = ConvertJapaneseLines(normalised, kCodeJis, cutAtEachByte);
        const Text euc = ConvertJapaneseLines(normalised, kCodeEucJp, cutAtEachByte);
        // Neither converter ever makes a text longer: a pair gives at most a pair.
        if (jis.size() > normalised.size() || euc.size() > normalised.size()) __builtin_trap();
    }
    ConvertUtf8(bytes);
    return 0;
}

#pragma once
// Converters from the Japanese encodings of fetched pages to code page 932.

#include <string>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// The shift state of an ISO-2022-JP text. It carries from one line to the next of one text; a new
// text starts with a fresh (ASCII) state.
struct JisModes {
    bool twoByte = false;   // JIS X 0208 pairs
    bool katakana = false;  // half-width katakana as single 7-bit bytes
};

// Appends the code page 932 form of one ISO-2022-JP line to `out`, updating `modes`.
void ConvertJisLine(std::string_view line, JisModes& modes, Text& out);

// Appends the code page 932 form of one EUC-JP line to `out`.
void ConvertEucLine(std::string_view line, Text& out);

// UTF-8 (a leading byte order mark dropped) to code page 932; characters it cannot hold become "?".
Text ConvertUtf8(std::string_view text);

// Converts a whole ISO-2022-JP (kCodeJis) or EUC-JP (kCodeEucJp) text line by line, starting in
// ASCII mode. With `cutAtEachBreakByte` every CR and LF ends a line (and is copied as it is);
// otherwise only CR LF pairs do. Any other code returns the text unchanged.
Text ConvertJapaneseLines(std::string_view text, int code, bool cutAtEachBreakByte);

}  // namespace varlo

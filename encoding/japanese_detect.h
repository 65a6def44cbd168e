#pragma once
// Guessing the encoding and the line-break kind of a fetched page from its bytes alone.

#include <string_view>

namespace varlo {

// Code kinds, as DetectJapaneseCode and CTextFile report them.
inline constexpr int kCodeShiftJis = 0;
inline constexpr int kCodeJis = 1;  // ISO-2022-JP
inline constexpr int kCodeEucJp = 2;
inline constexpr int kCodeUtf8 = 3;
inline constexpr int kCodeAscii = 4;      // no byte seen that decides
inline constexpr int kCodeEucOrSjis = 5;  // EUC-JP or Shift_JIS, not decided

// Line-break kinds, after the first line break of a text.
inline constexpr int kLineBreakNone = -1;
inline constexpr int kLineBreakCrLf = 0;
inline constexpr int kLineBreakLf = 1;
inline constexpr int kLineBreakCr = 2;

// The code kind of the bytes: 0, 1, 2, 4 or 5 (never 3: UTF-8 is told apart by IsUtf8). Stops at
// the first deciding byte.
int DetectJapaneseCode(std::string_view bytes);

// True when the bytes begin with a UTF-8 byte order mark, or are UTF-8 of one to four bytes a
// character with no sequence left open at the end.
bool IsUtf8(std::string_view bytes);

// True when the bytes hold at least one non-ASCII character and are well-formed UTF-8 of one to
// four bytes a character: such a text is UTF-8 whatever a declaration or a guess says.
bool IsEightBitUtf8(std::string_view bytes);

// The kind of the first line break: CR LF, LF alone, CR alone, or none.
int DetectLineBreak(std::string_view bytes);

}  // namespace varlo

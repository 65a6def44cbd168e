#pragma once
// Western text that arrives without the encoding it needs: UTF-8 with a few bytes of windows-1252
// in it (a word processor's quote pasted into a feed), and windows-1252 that declares nothing.
// Browsers read both as windows-1252 where they are not UTF-8, and so does the reader.

#include <string>
#include <string_view>

namespace varlo {

// True when the text holds non-ASCII bytes and at least 95% of its non-ASCII sequences are
// well-formed UTF-8 of one to four bytes a character; the rest are stray bytes. Text in the
// Japanese legacy encodings is far from this.
bool IsMostlyUtf8(std::string_view bytes);

// The text as UTF-8: its well-formed UTF-8 sequences as they are, each other byte from 0x80 up
// as the windows-1252 character it stands for ("I don\x92t" reads "I don’t").
std::string StrayBytesAsWindows1252(std::string_view bytes);

// True when the bytes from 0x80 up look like the accented letters of a Western language written
// in windows-1252: at least 80% of them stand alone with an ASCII letter on one side and no byte
// from 0x80 up on the other ("caf\xE9 au lait", "don\x92t"), and none is a byte windows-1252
// leaves unassigned or the start of a Shift_JIS kana ("ア" is 0x83 0x41, also a letter beside a
// lone byte). Japanese text, whose characters come in pairs of such bytes, never qualifies.
// False for text without such bytes.
bool LooksLikeWindows1252(std::string_view bytes);

// windows-1252 bytes as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace varlo

#include "encoding/japanese_convert.h"

#include <cstring>

#include "encoding/codepage.h"
#include "encoding/japanese_detect.h"

namespace varlo {
namespace {

// The converters write through a raw pointer into space the caller has made: neither ever makes
// a line longer (a pair gives a pair, a katakana byte one byte, escapes nothing), so the input's
// length is always enough.

bool IsJisByte(unsigned char c) {
    return c >= 0x21 && c <= 0x7E;
}

// A JIS X 0208 code (both bytes 0x21-0x7E) as its Shift_JIS pair.
void PutJisAsShiftJis(unsigned char j1, unsigned char j2, char*& o) {
    const int lead = ((j1 - 0x21) >> 1) + (j1 <= 0x5E ? 0x81 : 0xC1);
    int trail;
    if (j1 & 1) {
        trail = j2 + 0x1F + (j2 >= 0x60 ? 1 : 0);
    } else {
        trail = j2 + 0x7E;
    }
    *o++ = static_cast<char>(lead);
    *o++ = static_cast<char>(trail);
}

void PutRun(std::string_view line, size_t from, size_t to, char*& o) {
    std::memcpy(o, line.data() + from, to - from);
    o += to - from;
}

void JisLine(std::string_view line, JisModes& modes, char*& o) {
    const size_t n = line.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == 0x1B && n - i >= 3) {
            const std::string_view seq = line.substr(i, 3);
            if (seq == "\x1B$@" || seq == "\x1B&@" || seq == "\x1B$B") {
                modes = {true, false};
                i += 3;
                continue;
            }
            if (seq == "\x1B(J" || seq == "\x1B(H" || seq == "\x1B(B") {
                modes = {false, false};
                i += 3;
                continue;
            }
            if (seq == "\x1B(I") {
                modes = {false, true};
                i += 3;
                continue;
            }
        }
        if (c == 0x0E) {  // SO
            modes = {false, true};
            ++i;
            continue;
        }
        if (c == 0x0F) {  // SI
            modes = {false, false};
            ++i;
            continue;
        }
        if (c == 0x1B && line.substr(i, 4) == "\x1B$(D") {
            modes = {true, false};
            i += 4;
            continue;
        }
        if (modes.twoByte) {
            if (i + 1 < n && IsJisByte(c) && IsJisByte(static_cast<unsigned char>(line[i + 1]))) {
                PutJisAsShiftJis(c, static_cast<unsigned char>(line[i + 1]), o);
                i += 2;
            } else {
                *o++ = static_cast<char>(c);
                ++i;
            }
        } else if (modes.katakana) {
            *o++ = static_cast<char>(c + 0x80);
            ++i;
        } else {
            // Plain bytes up to the next control that can change the mode are copied in one go.
            size_t end = i + 1;
            while (end < n && line[end] != 0x1B && line[end] != 0x0E && line[end] != 0x0F) ++end;
            PutRun(line, i, end, o);
            i = end;
        }
    }
}

void EucLine(std::string_view line, char*& o) {
    const size_t n = line.size();
    size_t i = 0;
    while (i < n) {
        const auto a = static_cast<unsigned char>(line[i]);
        if (a < 0x80) {
            size_t end = i + 1;
            while (end < n && static_cast<unsigned char>(line[end]) < 0x80) ++end;
            PutRun(line, i, end, o);
            i = end;
        } else if (a == 0x8E) {  // half-width katakana: the next byte is the code page's own
            if (i + 1 < n) *o++ = line[i + 1];
            i += 2;
        } else if (a == 0x8F) {  // JIS X 0212 has no place in code page 932: the prefix goes
            ++i;
        } else if (i + 1 < n && IsJisByte(a & 0x7F) &&
                   IsJisByte(static_cast<unsigned char>(line[i + 1]) & 0x7F)) {
            PutJisAsShiftJis(a & 0x7F, static_cast<unsigned char>(line[i + 1]) & 0x7F, o);
            i += 2;
        } else {
            *o++ = static_cast<char>(a);
            ++i;
        }
    }
}

// Runs `convert(line, o)` on `line` and appends the result to `out`.
template <typename Convert>
void AppendConverted(std::string_view line, Text& out, Convert convert) {
    const size_t base = out.size();
    out.resize(base + line.size());
    char* o = out.data() + base;
    convert(line, o);
    out.resize(static_cast<size_t>(o - out.data()));
}

}  // namespace

void ConvertJisLine(std::string_view line, JisModes& modes, Text& out) {
    AppendConverted(line, out, [&](std::string_view l, char*& o) { JisLine(l, modes, o); });
}

void ConvertEucLine(std::string_view line, Text& out) {
    AppendConverted(line, out, EucLine);
}

Text ConvertUtf8(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return Utf8ToCp932(text);
}

Text ConvertJapaneseLines(std::string_view text, int code, bool cutAtEachBreakByte) {
    if (code != kCodeJis && code != kCodeEucJp) return Text(text);
    Text out;
    JisModes modes;
    AppendConverted(text, out, [&](std::string_view all, char*& o) {
        auto convert = [&](std::string_view line) {
            if (code == kCodeJis) {
                JisLine(line, modes, o);
            } else {
                EucLine(line, o);
            }
        };
        size_t start = 0;
        while (true) {
            size_t end;
            size_t breakLength;
            if (cutAtEachBreakByte) {
                end = all.find_first_of("\r\n", start);
                breakLength = 1;
            } else {
                end = all.find("\r\n", start);
                breakLength = 2;
            }
            if (end == std::string_view::npos) {
                convert(all.substr(start));
                return;
            }
            convert(all.substr(start, end - start));
            PutRun(all, end, end + breakLength, o);
            start = end + breakLength;
        }
    });
    return out;
}

}  // namespace varlo

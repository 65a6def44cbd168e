#include "fetch/japanese_convert.h"

#include "fetch/japanese_detect.h"
#include "platform/codepage.h"

namespace varlo {
namespace {

bool IsJisByte(unsigned char c) {
    return c >= 0x21 && c <= 0x7E;
}

// A JIS X 0208 code (both bytes 0x21-0x7E) as its Shift_JIS pair.
void AppendJisAsShiftJis(unsigned char j1, unsigned char j2, Text& out) {
    const int lead = ((j1 - 0x21) >> 1) + (j1 <= 0x5E ? 0x81 : 0xC1);
    int trail;
    if (j1 & 1) {
        trail = j2 + 0x1F + (j2 >= 0x60 ? 1 : 0);
    } else {
        trail = j2 + 0x7E;
    }
    out.push_back(static_cast<char>(lead));
    out.push_back(static_cast<char>(trail));
}

// Length of the run of bytes below 0x80 at `from`.
size_t AsciiRunLength(std::string_view line, size_t from) {
    size_t i = from;
    while (i < line.size() && static_cast<unsigned char>(line[i]) < 0x80) ++i;
    return i - from;
}

}  // namespace

void ConvertJisLine(std::string_view line, JisModes& modes, Text& out) {
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
                AppendJisAsShiftJis(c, static_cast<unsigned char>(line[i + 1]), out);
                i += 2;
            } else {
                out.push_back(static_cast<char>(c));
                ++i;
            }
        } else if (modes.katakana) {
            out.push_back(static_cast<char>(c + 0x80));
            ++i;
        } else {
            // Plain bytes up to the next control that can change the mode are copied in one go.
            size_t end = i + 1;
            while (end < n && line[end] != 0x1B && line[end] != 0x0E && line[end] != 0x0F) ++end;
            out.append(line.substr(i, end - i));
            i = end;
        }
    }
}

void ConvertEucLine(std::string_view line, Text& out) {
    const size_t n = line.size();
    size_t i = 0;
    while (i < n) {
        const size_t run = AsciiRunLength(line, i);
        if (run) {
            out.append(line.substr(i, run));
            i += run;
            continue;
        }
        const auto a = static_cast<unsigned char>(line[i]);
        if (a == 0x8E) {  // half-width katakana: the next byte is the code page 932 byte itself
            if (i + 1 < n) out.push_back(line[i + 1]);
            i += 2;
        } else if (a == 0x8F) {  // JIS X 0212 has no place in code page 932: the prefix goes
            ++i;
        } else if (i + 1 < n && IsJisByte(a & 0x7F) &&
                   IsJisByte(static_cast<unsigned char>(line[i + 1]) & 0x7F)) {
            AppendJisAsShiftJis(a & 0x7F, static_cast<unsigned char>(line[i + 1]) & 0x7F, out);
            i += 2;
        } else {
            out.push_back(static_cast<char>(a));
            ++i;
        }
    }
}

Text ConvertUtf8(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return Utf8ToCp932(text);
}

Text ConvertJapaneseLines(std::string_view text, int code, bool cutAtEachBreakByte) {
    if (code != kCodeJis && code != kCodeEucJp) return Text(text);
    Text out;
    out.reserve(text.size() + text.size() / 8);
    JisModes modes;
    auto convert = [&](std::string_view line) {
        if (code == kCodeJis) {
            ConvertJisLine(line, modes, out);
        } else {
            ConvertEucLine(line, out);
        }
    };
    size_t start = 0;
    while (start <= text.size()) {
        size_t end;
        size_t breakLength;
        if (cutAtEachBreakByte) {
            end = text.find_first_of("\r\n", start);
            breakLength = 1;
        } else {
            end = text.find("\r\n", start);
            breakLength = 2;
        }
        if (end == std::string_view::npos) {
            convert(text.substr(start));
            break;
        }
        convert(text.substr(start, end - start));
        out.append(text.substr(end, breakLength));
        start = end + breakLength;
    }
    return out;
}

}  // namespace varlo

#include "fulltext/text_measure.h"

namespace varlo {

bool IsCjkCodePoint(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xFF01 && c <= 0xFF9F) ||
           (c >= 0x20000 && c <= 0x2FFFF);
}

TextMeasure MeasureText(std::string_view utf8) {
    TextMeasure measure;
    int pendingSpaces = 0;
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t c = lead;
        size_t width = 1;
        if (lead >= 0xF0 && i + 3 < n) {
            c = ((lead & 0x07) << 18) | ((utf8[i + 1] & 0x3F) << 12) | ((utf8[i + 2] & 0x3F) << 6) |
                (utf8[i + 3] & 0x3F);
            width = 4;
        } else if (lead >= 0xE0 && i + 2 < n) {
            c = ((lead & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            width = 3;
        } else if (lead >= 0xC0 && i + 1 < n) {
            c = ((lead & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            width = 2;
        }
        i += width;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x3000) {
            if (measure.length > 0) ++pendingSpaces;
            continue;
        }
        measure.length += pendingSpaces;
        pendingSpaces = 0;
        if (c == ',' || c == 0x3001 || c == 0x3002 || c == 0xFF0C || c == 0xFF64 || c == 0x060C ||
            c == 0xFE50 || c == 0xFE51) {
            ++measure.commas;
        }
        measure.length += IsCjkCodePoint(c) ? 2 : 1;
    }
    return measure;
}

}  // namespace varlo

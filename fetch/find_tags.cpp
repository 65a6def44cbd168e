#include "fetch/find_tags.h"

namespace varlo {

int FindNoCase(std::string_view text, std::string_view part) {
    std::string upperText(text);
    std::string upperPart(part);
    AsciiUpperInPlace(upperText);
    AsciiUpperInPlace(upperPart);
    const size_t at = upperText.find(upperPart);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

Text RemoveComments(std::string_view text) {
    Text out;
    out.reserve(text.size());
    size_t from = 0;
    while (true) {
        const size_t open = text.find("<!--", from);
        if (open == std::string_view::npos) break;
        const size_t close = text.find("-->", open + 4);
        if (close == std::string_view::npos) break;  // never closed: hides nothing
        out.append(text.substr(from, open - from));
        from = close + 3;
    }
    out.append(text.substr(from));
    return out;
}

void FindTags(std::string_view pageText, std::vector<Text>& tags, std::string_view name) {
    const Text working = RemoveComments(pageText);
    // One upper-case copy of the whole page serves every search: positions are the same in both
    // because upper-casing keeps every byte in place.
    Text upper = working;
    AsciiUpperInPlace(upper);
    Text startPattern = "<" + std::string(name);
    AsciiUpperInPlace(startPattern);
    Text endPattern = "</" + std::string(name) + ">";
    AsciiUpperInPlace(endPattern);

    // The next end pattern at or after the current tag, searched again only once passed, so that
    // a page of many tags without end tags is scanned once, not once per tag.
    size_t nextEnd = 0;
    bool endSearched = false;
    size_t from = 0;
    while (true) {
        const size_t start = upper.find(startPattern, from);
        if (start == std::string::npos) return;
        if (!endSearched || (nextEnd != std::string::npos && nextEnd < start)) {
            nextEnd = upper.find(endPattern, start);
            endSearched = true;
        }
        size_t close;
        if (nextEnd != std::string::npos) {
            close = nextEnd + endPattern.size() - 1;
        } else {
            close = working.find('>', start);
            if (close == std::string::npos) return;  // an unfinished tag ends the scan
        }
        tags.emplace_back(working.substr(start, close - start + 1));
        from = close + 1;
    }
}

}  // namespace varlo

#include "platform/text.h"

namespace varlo {

size_t FindLastAsciiStepping(std::string_view text, char ch) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == ch) {
            found = i;
        }
    }
    return found;
}

void AsciiUpperInPlace(std::string& text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

std::string AsciiLowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::string_view Trim(std::string_view text, std::string_view set) {
    const size_t first = text.find_first_not_of(set);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

}  // namespace varlo

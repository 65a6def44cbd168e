#include "encoding/address_text.h"

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "platform/text.h"

namespace varlo {

std::string AddressToUtf8(std::string_view cp932) {
    const std::string utf8 = Cp932TextToUtf8(Trim(cp932, " \t\r\n\f"));
    // The host runs from after "//" to the next "/", "?" or "#".
    size_t hostBegin = std::string::npos;
    size_t hostEnd = std::string::npos;
    if (const size_t slashes = utf8.find("//"); slashes != std::string::npos) {
        const size_t colon = utf8.find(':');
        if (colon != std::string::npos && colon < slashes && slashes == colon + 1) {
            hostBegin = slashes + 2;
            hostEnd = utf8.find_first_of("/?#", hostBegin);
            if (hostEnd == std::string::npos) hostEnd = utf8.size();
        }
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool inHost = hostBegin != std::string::npos && i >= hostBegin && i < hostEnd;
        if (c <= 0x20 || c == 0x7F || (c >= 0x80 && !inHost)) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace varlo

#include "shell/browser_policy.h"

#include <filesystem>

#include "feeds/address.h"
#include "platform/text.h"

namespace varlo {
namespace {

bool IsUrlSpace(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// The address as a URL parser sees it: surrounding controls and spaces gone, tabs and line
// breaks removed wherever they are ("java\tscript:" is "javascript:").
std::string Cleaned(std::string_view address) {
    while (!address.empty() && IsUrlSpace(address.front())) address.remove_prefix(1);
    while (!address.empty() && IsUrlSpace(address.back())) address.remove_suffix(1);
    std::string out;
    out.reserve(address.size());
    for (char c : address) {
        if (c != '\t' && c != '\n' && c != '\r') out.push_back(c);
    }
    return out;
}

}  // namespace

std::string LocalPathOfFileAddress(std::string_view address) {
    const std::string cleaned = Cleaned(address);
    std::string_view rest = cleaned;
    if (!StartsWithNoCase(rest, "file://")) return {};
    rest.remove_prefix(7);
    rest = rest.substr(0, rest.find_first_of("?#"));
    // The host part: none, or this machine by name.
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return {};
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost"))) return {};
    rest.remove_prefix(slash);
    std::string path;
    path.reserve(rest.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        // A raw NUL cuts the path short just as a decoded one would.
        if (rest[i] == '\0') return {};
        if (rest[i] != '%' || i + 2 >= rest.size() || HexValue(rest[i + 1]) < 0 ||
            HexValue(rest[i + 2]) < 0) {
            path.push_back(rest[i]);
            continue;
        }
        const char c = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
        // A decoded NUL would cut the path short wherever it is used; a decoded "/" would make
        // segments that the address itself does not have.
        if (c == '\0' || c == '/') return {};
        path.push_back(c);
        i += 2;
    }
    return path;
}

std::string MailAddressToHandOn(std::string_view address) {
    const std::string cleaned = Cleaned(address);
    if (SchemeOf(cleaned) != "mailto") return {};
    std::string_view rest = std::string_view(cleaned).substr(7);
    rest = rest.substr(0, rest.find('#'));
    const size_t question = rest.find('?');
    std::string out = "mailto:";
    out.append(rest.substr(0, question));
    if (question == std::string_view::npos) return out;
    std::string_view query = rest.substr(question + 1);
    bool subject = false;
    bool body = false;
    char separator = '?';
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view field = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::string_view name = field.substr(0, field.find('='));
        // Field names are case-insensitive; only the first of each counts.
        bool* seen = nullptr;
        if (name.size() == 7 && StartsWithNoCase(name, "subject")) seen = &subject;
        if (name.size() == 4 && StartsWithNoCase(name, "body")) seen = &body;
        if (seen == nullptr || *seen) continue;
        *seen = true;
        out += separator;
        out.append(field);
        separator = '&';
    }
    return out;
}

BrowserNavigation ClassifyNavigation(std::string_view address, std::string_view previewPath,
                                     std::string_view helpPath) {
    const std::string cleaned = Cleaned(address);
    const std::string scheme = SchemeOf(cleaned);
    if (scheme == "http" || scheme == "https") return BrowserNavigation::kLoad;
    if (scheme == "mailto") return BrowserNavigation::kMail;
    if (scheme == "about") {
        const std::string_view rest = std::string_view(cleaned).substr(6);
        const std::string_view page = rest.substr(0, rest.find_first_of("?#"));
        return page == "blank" ? BrowserNavigation::kLoad : BrowserNavigation::kRefuse;
    }
    if (scheme == "file") {
        const std::string path = LocalPathOfFileAddress(cleaned);
        // The engine drops "." and ".." segments of an address; the allowed paths are compared
        // in the same form. Exactly those files: the guide's pictures load as parts of its page,
        // never as pages of their own.
        const auto same = [&path](std::string_view allowed) {
            return !path.empty() && !allowed.empty() &&
                   std::filesystem::path(path).lexically_normal() ==
                       std::filesystem::path(allowed).lexically_normal();
        };
        if (same(previewPath) || same(helpPath)) return BrowserNavigation::kLoad;
    }
    return BrowserNavigation::kRefuse;
}

}  // namespace varlo

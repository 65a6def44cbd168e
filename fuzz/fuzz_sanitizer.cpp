// Sanitizes arbitrary bytes as article HTML and checks what comes out: only allowed elements,
// balanced, with web addresses only, and unchanged when sanitized again.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "preview/html_sanitizer.h"

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// True when every tag of `html` is a plain tag the sanitizer may write and the tags balance.
bool LooksSafe(std::string_view html) {
    static const std::string_view kVoid[] = {"br", "img", "hr", "wbr"};
    std::vector<std::string_view> open;
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at)) {
        const size_t close = html.find('>', at);
        if (close == std::string_view::npos) return false;
        std::string_view tag = html.substr(at + 1, close - at - 1);
        at = close + 1;
        const bool end = StartsWith(tag, "/");
        if (end) tag.remove_prefix(1);
        const std::string_view name = tag.substr(0, tag.find(' '));
        if (name.empty() || name == "script" || name == "style" || name == "iframe" ||
            name == "svg" || name == "object" || name == "embed" || name == "form" ||
            name == "base" || name == "meta" || name == "link")
            return false;
        for (const char c : name)
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
        if (end) {
            if (open.empty() || open.back() != name) return false;
            open.pop_back();
            continue;
        }
        // Attributes: ` name="value"` with no quote, "<" or ">" inside the value.
        std::string_view rest = tag.substr(name.size());
        while (!rest.empty()) {
            const size_t eq = rest.find("=\"");
            if (rest[0] != ' ' || eq == std::string_view::npos) return false;
            const std::string_view attr = rest.substr(1, eq - 1);
            const size_t quote = rest.find('"', eq + 2);
            if (quote == std::string_view::npos) return false;
            const std::string_view value = rest.substr(eq + 2, quote - eq - 2);
            if (StartsWith(attr, "on") || attr == "style" || attr == "srcset") return false;
            const bool web = StartsWith(value, "http:") || StartsWith(value, "https:");
            if (attr == "href" && !web && !StartsWith(value, "mailto:")) return false;
            if (attr == "src" && !web) return false;
            rest.remove_prefix(quote + 1);
        }
        bool isVoid = false;
        for (const std::string_view v : kVoid) isVoid |= v == name;
        if (!isVoid) open.push_back(name);
    }
    return open.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte chooses whether relative addresses have an article address to resolve by.
    const bool withBase = size > 0 && (data[0] & 1);
    if (size > 0) input.remove_prefix(1);
    const std::string_view base = withBase ? "https://example.jp/a/b.html" : "";
    const std::string once = varlo::SanitizeHtml(input, base);
    if (!LooksSafe(once)) __builtin_trap();
    if (varlo::SanitizeHtml(once, base) != once) __builtin_trap();
    varlo::EscapeHtmlText(input);
    varlo::CheckedUrl(input, varlo::UrlUse::Link, base);
    return 0;
}

// Feeds arbitrary addresses to the browser pane's address rule: nothing that could run script or
// show another local file may ever be let through.

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/browser_policy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr std::string_view kPreview = "/home/u/Varlo/MorvaPreview.html";
    const std::string_view address(reinterpret_cast<const char*>(data), size);
    const varlo::BrowserNavigation decision = varlo::ClassifyNavigation(address, kPreview);
    const std::string path = varlo::LocalPathOfFileAddress(address);
    if (path.find('\0') != std::string::npos) __builtin_trap();
    if (decision != varlo::BrowserNavigation::kLoad) return 0;
    // What loads is a web address, the empty page, or the preview page itself.
    std::string lower;
    for (char c : address) {
        if (c == '\t' || c == '\n' || c == '\r') continue;
        if (lower.empty() && static_cast<unsigned char>(c) <= 0x20) continue;
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    const bool web = lower.starts_with("http:") || lower.starts_with("https:");
    const bool blank = lower.starts_with("about:blank");
    const bool preview = lower.starts_with("file:") && !path.empty();
    if (!web && !blank && !preview) __builtin_trap();
    return 0;
}

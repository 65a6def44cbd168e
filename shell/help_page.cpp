#include "shell/help_page.h"

#include <filesystem>
#include <system_error>

namespace varlo {

std::string HelpPagePathFor(const std::string& executableFolder) {
    if (executableFolder.empty()) return {};
    const std::filesystem::path folder(executableFolder);
    for (const char* relative : {"../share/doc/varlo/user-guide.html", "../help/user-guide.html"}) {
        const std::filesystem::path candidate = (folder / relative).lexically_normal();
        std::error_code ec;
        if (candidate.is_absolute() && std::filesystem::is_regular_file(candidate, ec)) {
            return candidate.string();
        }
    }
    return {};
}

std::string HelpPageIn(const std::string& guide, PageScheme scheme) {
    if (guide.empty() || scheme == PageScheme::Auto || !guide.ends_with(".html")) return guide;
    const std::string variant = guide.substr(0, guide.size() - 5) +
                                (scheme == PageScheme::Dark ? "-dark.html" : "-light.html");
    std::error_code ec;
    return std::filesystem::is_regular_file(variant, ec) ? variant : guide;
}

std::string HelpPagePath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : HelpPagePathFor(exe.parent_path().string());
}

}  // namespace varlo

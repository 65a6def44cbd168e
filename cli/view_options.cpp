#include "cli/view_options.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/settings_path.h"
#include "platform/text.h"

namespace varlo::cli {

std::string SettingsPath() {
    return SettingsFilePath();
}

PreviewOptions ReadViewOptions(const std::string& path) {
    PreviewOptions options;  // the window's defaults
    std::ifstream file(path);
    std::string line;
    bool inView = false;
    while (std::getline(file, line)) {
        const std::string_view text = Trim(line);
        if (text.starts_with('[')) {
            inView = text == "[View]";
            continue;
        }
        const size_t equals = text.find('=');
        if (!inView || equals == std::string_view::npos) continue;
        const std::string_view name = Trim(text.substr(0, equals));
        const std::string value(Trim(text.substr(equals + 1)));
        char* end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0') continue;
        if (name == "Description") options.description = number != 0;
        if (name == "LinkNew") options.linkNew = number != 0;
        if (name == "SiteTitle") options.siteTitle = number != 0;
        if (name == "SiteOutline") options.siteOutline = number != 0;
        if (name == "ColorScheme") options.scheme = PageSchemeFromNumber(number);
    }
    return options;
}

}  // namespace varlo::cli

#include "cli/network_options.h"

#include <cstdlib>
#include <fstream>

#include "cli/view_options.h"
#include "platform/secret_store.h"
#include "platform/text.h"

namespace varlo::cli {

ProxySetting ReadProxySetting(const std::string& path) {
    ProxySetting setting;
    std::ifstream file(path);
    std::string line;
    bool inNetwork = false;
    while (std::getline(file, line)) {
        const std::string_view text = Trim(line);
        if (text.starts_with('[')) {
            inNetwork = text == "[Network]";
            continue;
        }
        const size_t equals = text.find('=');
        if (!inNetwork || equals == std::string_view::npos) continue;
        const std::string_view name = Trim(text.substr(0, equals));
        const std::string value(Trim(text.substr(equals + 1)));
        if (name == "Proxy") {
            const int mode = std::atoi(value.c_str());
            setting.mode = mode == 1   ? ProxySetting::Mode::kNone
                           : mode == 2 ? ProxySetting::Mode::kAddress
                                       : ProxySetting::Mode::kSystem;
        } else if (name == "ProxyAddress") {
            setting.address = value;
        } else if (name == "ProxyUser") {
            setting.user = value;
        }
    }
    // An address that cannot be used leaves the system's.
    if (setting.mode == ProxySetting::Mode::kAddress && !IsValidProxyAddress(setting.address)) {
        setting.mode = ProxySetting::Mode::kSystem;
    }
    return setting;
}

void UseNetworkSettings() {
    ProxySetting setting = ReadProxySetting(SettingsPath());
    if (setting.mode == ProxySetting::Mode::kAddress && !setting.user.empty()) {
        if (auto password = LookupPassword(kProxyPasswordAccount)) setting.password = *password;
    }
    SetProxySetting(setting);
}

}  // namespace varlo::cli

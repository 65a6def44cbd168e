#include "gui/platform/network_settings.h"

#include "encoding/codepage.h"
#include "gui/platform/settings.h"
#include "platform/secret_store.h"

namespace varlo {
namespace {

const char* const kSection = "Network";

}  // namespace

ProxySetting LoadNetworkSetting(ISettings& settings) {
    ProxySetting setting;
    const int mode = settings.GetInt(kSection, "Proxy", 0);
    setting.mode = mode == 1   ? ProxySetting::Mode::kNone
                   : mode == 2 ? ProxySetting::Mode::kAddress
                               : ProxySetting::Mode::kSystem;
    setting.address = Cp932ToUtf8(settings.GetString(kSection, "ProxyAddress", {}));
    setting.user = Cp932ToUtf8(settings.GetString(kSection, "ProxyUser", {}));
    if (setting.mode == ProxySetting::Mode::kAddress && !IsValidProxyAddress(setting.address)) {
        setting.mode = ProxySetting::Mode::kSystem;
    }
    return setting;
}

void SaveNetworkSetting(ISettings& settings, const ProxySetting& setting) {
    settings.WriteInt(kSection, "Proxy", static_cast<int>(setting.mode));
    settings.WriteString(kSection, "ProxyAddress", Utf8ToCp932(setting.address));
    settings.WriteString(kSection, "ProxyUser", Utf8ToCp932(setting.user));
}

void ApplyNetworkSetting(ISettings& settings) {
    ProxySetting setting = LoadNetworkSetting(settings);
    if (setting.mode == ProxySetting::Mode::kAddress && !setting.user.empty()) {
        if (auto password = LookupPassword(kProxyPasswordAccount)) setting.password = *password;
    }
    SetProxySetting(setting);
}

}  // namespace varlo

#include "gui/platform/sync_settings.h"

#include <filesystem>

#include "encoding/codepage.h"
#include "gui/platform/settings.h"

namespace varlo {
namespace {

const char* const kSection = "Sync";

// The settings hold the system's text; the account and the path are UTF-8.
std::string Read(ISettings& settings, const char* name) {
    return Cp932ToUtf8(settings.GetString(kSection, name, {}));
}

}  // namespace

std::optional<SyncSetting> LoadSyncSetting(ISettings& settings) {
    SyncSetting setting;
    setting.account.server = Read(settings, "Server");
    setting.account.user = Read(settings, "User");
    setting.file = Read(settings, "File");
    // Kept as the address it was given for: another server asks again.
    setting.inClearAllowed = Read(settings, "PlainHttp") == setting.account.server;
    if (setting.account.server.empty() || setting.account.user.empty()) return std::nullopt;
    return setting;
}

void SaveSyncSetting(ISettings& settings, const SyncSetting& setting) {
    settings.WriteString(kSection, "Server", Utf8ToCp932(setting.account.server));
    settings.WriteString(kSection, "User", Utf8ToCp932(setting.account.user));
    settings.WriteString(kSection, "File", Utf8ToCp932(setting.file));
    settings.WriteString(kSection, "PlainHttp",
                         setting.inClearAllowed ? Utf8ToCp932(setting.account.server) : Text());
}

void ClearSyncSetting(ISettings& settings) {
    for (const char* name : {"Server", "User", "File", "PlainHttp"})
        settings.WriteString(kSection, name, {});
}

bool SyncAppliesTo(const SyncSetting& setting, const std::string& path) {
    if (setting.file.empty() || path.empty()) return false;
    std::error_code ec;
    // A file gone or renamed since no longer has the account.
    return std::filesystem::equivalent(setting.file, path, ec);
}

}  // namespace varlo

#pragma once
// The sync account as the settings keep it (section "Sync"): the server's address, the user name
// and the subscription file it belongs to. The password is never among them: it is in the secret
// store.

#include <optional>
#include <string>

#include "sync/sync_run.h"

namespace varlo {

class ISettings;

struct SyncSetting {
    SyncAccount account;  // UTF-8
    std::string file;     // the subscription file, UTF-8 path
    // The user agreed to send the password unencrypted to this account's server (plain http).
    bool inClearAllowed = false;
};

// The account, when one is set (server and user both present).
std::optional<SyncSetting> LoadSyncSetting(ISettings& settings);
void SaveSyncSetting(ISettings& settings, const SyncSetting& setting);
// Empties the section: no account from now on.
void ClearSyncSetting(ISettings& settings);
// Whether the account belongs to the subscription file at `path` (UTF-8; empty for a new one).
bool SyncAppliesTo(const SyncSetting& setting, const std::string& path);

}  // namespace varlo

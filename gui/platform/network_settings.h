#pragma once
// The proxy as the settings keep it (section "Network"): the system's, none, or an address with
// a user name. The password is never among them: it is in the secret store.

#include "fetch/proxy.h"

namespace varlo {

class ISettings;

// The proxy set, without its password; an address that cannot be used counts as the system's.
ProxySetting LoadNetworkSetting(ISettings& settings);
void SaveNetworkSetting(ISettings& settings, const ProxySetting& setting);
// Makes every transfer from now on use the proxy the settings hold, with its kept password.
void ApplyNetworkSetting(ISettings& settings);

}  // namespace varlo

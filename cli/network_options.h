#pragma once
// The proxy the window's ネットワーク設定 chose, for the transfers of varlo-cli too.

#include <string>

#include "fetch/proxy.h"

namespace varlo::cli {

// The proxy set in the `Network` section of the settings file at `path` (the system's when the
// section is missing), without its password.
ProxySetting ReadProxySetting(const std::string& path);

// Makes every transfer of this run use the proxy of the settings file, with its kept password.
void UseNetworkSettings();

}  // namespace varlo::cli

#include "update/site_access.h"

#include <strings.h>

#include <algorithm>

#include "encoding/codepage.h"
#include "platform/secret_store.h"

namespace varlo {
namespace {

// The grace that lets a timer tick a little before a site's interval has passed find it due.
constexpr int64_t kDueGrace = 60;

bool IsHttps(const Text& url) {
    const std::string_view text = Trim(url, " \t\r\n");
    return text.size() >= 8 && strncasecmp(text.data(), "https://", 8) == 0;
}

}  // namespace

bool NeedsPasswordLookup(const Text& url, const SiteSettings& settings) {
    return !settings.user.empty() && (IsHttps(url) || settings.plainHttpAllowed);
}

SiteRequest SiteRequestFor(const Text& url, const SiteSettings& settings) {
    SiteRequest request;
    switch (settings.agentKind) {
        case UserAgentKind::kBrowser:
            request.userAgent = kBrowserUserAgent;
            break;
        case UserAgentKind::kCustom:
            if (IsValidUserAgent(settings.agent)) request.userAgent = settings.agent;
            break;
        case UserAgentKind::kVarlo:
            break;
    }
    request.direct = settings.noProxy;
    if (NeedsPasswordLookup(url, settings)) {
        if (auto password = LookupPassword(SitePasswordAccount(url))) {
            request.user = settings.user;
            request.password = std::move(*password);
        }
    }
    return request;
}

SiteRequest SiteRequestFor(CFeedStore& store, const Text& url) {
    return SiteRequestFor(url, LoadSiteSettings(store, url));
}

bool DueForAutomaticUpdate(const SiteSettings& settings, const FeedRecord& record, int64_t now) {
    if (settings.interval <= 0) return true;
    const int64_t last = std::max(record.lastSuccess, record.lastFailure);
    return now >= last + int64_t{settings.interval} * 60 - kDueGrace;
}

}  // namespace varlo

#pragma once
// How a site's own settings become what its download sends: the User-Agent chosen, the user name
// with the password kept for the site, and whether it goes around the proxy. Every path that
// downloads a feed asks here.

#include <cstdint>

#include "fetch/site_request.h"
#include "platform/text.h"
#include "store/site_settings.h"

namespace varlo {

// The request for the feed at `url` with `settings`. The password is looked up only for a user
// name, and only for an https feed or one whose user allowed plain http; without it no
// credentials are sent.
SiteRequest SiteRequestFor(const Text& url, const SiteSettings& settings);

// Whether SiteRequestFor would look up a password for the site (which may wait on the keyring).
bool NeedsPasswordLookup(const Text& url, const SiteSettings& settings);

// The same, with the settings read from `store`.
SiteRequest SiteRequestFor(CFeedStore& store, const Text& url);

// Whether the automatic update at `now` asks a site with `settings` whose last download (success
// or failure) is `record`'s: a site of its own interval once that long has passed since (a
// minute less, so that a tick a little early still finds it due); any other site always.
bool DueForAutomaticUpdate(const SiteSettings& settings, const FeedRecord& record, int64_t now);

}  // namespace varlo

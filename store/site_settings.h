#pragma once
// What the user set for one site beyond the subscription file: how often the automatic update asks
// it, as whom, with which user name, how long its articles are kept, how a chosen article is shown,
// and whether it goes around the proxy. Kept in the store by feed address (the subscription file
// stays plain OPML); the password is never here but in the secret store, under
// SitePasswordAccount.

#include <map>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "store/feed_store.h"

namespace varlo {

// The table of per-site settings, keyed by feed address. A row exists only for a site with some
// setting that is not the default.
inline constexpr const char* kSiteSettingsMigration =
    "CREATE TABLE IF NOT EXISTS site_settings ("
    "  url BLOB PRIMARY KEY,"
    "  interval INTEGER NOT NULL DEFAULT 0,"
    "  agent_kind INTEGER NOT NULL DEFAULT 0,"
    "  agent BLOB NOT NULL DEFAULT x'',"
    "  user BLOB NOT NULL DEFAULT x'',"
    "  plain_http INTEGER NOT NULL DEFAULT 0,"
    "  keep_days INTEGER NOT NULL DEFAULT 0,"
    "  keep_articles INTEGER NOT NULL DEFAULT 0,"
    "  display INTEGER NOT NULL DEFAULT 0,"
    "  notify INTEGER NOT NULL DEFAULT 1,"
    "  full_text INTEGER NOT NULL DEFAULT 0,"
    "  no_proxy INTEGER NOT NULL DEFAULT 0) WITHOUT ROWID;";

enum class UserAgentKind { kVarlo = 0, kBrowser = 1, kCustom = 2 };
// What choosing an article row shows.
enum class ArticleDisplay { kFeedText = 0, kWholeArticle = 1, kWebPage = 2 };

struct SiteSettings {
    // The shortest and longest interval of a site's own automatic update, in minutes.
    static constexpr int kMinInterval = 15;
    static constexpr int kMaxInterval = 1440;
    static constexpr size_t kMaxUserAgentBytes = 256;
    // A site keeps its articles at most this many days after they left its feed.
    static constexpr int kMaxKeepDays = 3650;

    int interval = 0;  // minutes between automatic updates; 0 follows the automatic update's own
    UserAgentKind agentKind = UserAgentKind::kVarlo;
    std::string agent;  // kCustom: printable ASCII, at most kMaxUserAgentBytes
    std::string user;   // UTF-8; empty sends no credentials
    // The user agreed that the password may travel unencrypted (a plain http feed).
    bool plainHttpAllowed = false;
    int keepDays = 0;      // 0 keeps as the library does
    int keepArticles = 0;  // 0 keeps as many as the library does
    ArticleDisplay display = ArticleDisplay::kFeedText;
    bool notify = true;
    bool fullText = false;
    bool noProxy = false;

    bool operator==(const SiteSettings&) const = default;
};

// Whether `agent` may be sent as a User-Agent: 1 to kMaxUserAgentBytes printable ASCII bytes.
bool IsValidUserAgent(std::string_view agent);

// Changes the setting `key` (the names varlo-cli takes: interval, userAgent, user, keepDays,
// keepArticles, display, notify, fullText, noProxy, plainHttp) to `value` as text. Returns the
// message for the user when the key is unknown or the value out of range; empty when set.
Text SetSiteSetting(SiteSettings& settings, std::string_view key, std::string_view value);

// The account under which a site's password is kept in the secret store.
std::string SitePasswordAccount(const Text& feedUrl);

// The settings of the site whose feed address is `url` (defaults when it has none).
SiteSettings LoadSiteSettings(CFeedStore& store, const Text& url);
// The settings of every site that has some, by feed address.
std::map<Text, SiteSettings> LoadAllSiteSettings(CFeedStore& store);
// Keeps `settings` for the site (defaults remove its row).
bool SaveSiteSettings(CFeedStore& store, const Text& url, const SiteSettings& settings);
// The site's feed address changed from `from` to `to`: its settings and password go with it.
bool MoveSiteSettings(CFeedStore& store, const Text& from, const Text& to);
// The site was deleted: its settings and its password go.
bool ForgetSiteSettings(CFeedStore& store, const Text& url);

}  // namespace varlo

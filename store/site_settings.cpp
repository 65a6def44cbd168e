#include "store/site_settings.h"

#include <charconv>

#include "encoding/codepage.h"
#include "platform/secret_store.h"
#include "store/library.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

constexpr const char* kColumns =
    "SELECT interval, agent_kind, agent, user, plain_http, keep_days, keep_articles, display, "
    "notify, full_text, no_proxy, url FROM site_settings";

SiteSettings FromRow(const SqliteStatement& row) {
    SiteSettings s;
    s.interval = static_cast<int>(row.Int(0));
    const int64_t kind = row.Int(1);
    s.agentKind = kind == 1   ? UserAgentKind::kBrowser
                  : kind == 2 ? UserAgentKind::kCustom
                              : UserAgentKind::kVarlo;
    s.agent = row.String(2);
    s.user = row.String(3);
    s.plainHttpAllowed = row.Int(4) != 0;
    s.keepDays = static_cast<int>(row.Int(5));
    s.keepArticles = static_cast<int>(row.Int(6));
    const int64_t display = row.Int(7);
    s.display = display == 1   ? ArticleDisplay::kWholeArticle
                : display == 2 ? ArticleDisplay::kWebPage
                               : ArticleDisplay::kFeedText;
    s.notify = row.Int(8) != 0;
    s.fullText = row.Int(9) != 0;
    s.noProxy = row.Int(10) != 0;
    // A custom agent that is no longer valid (written by hand) is not sent.
    if (s.agentKind == UserAgentKind::kCustom && !IsValidUserAgent(s.agent)) {
        s.agentKind = UserAgentKind::kVarlo;
        s.agent.clear();
    }
    return s;
}

// A whole number from `min` to `max` written in decimal digits only.
bool ReadNumber(std::string_view text, int min, int max, int& value) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        text.front() == '-' || text.front() == '+') {
        return false;
    }
    if (number < min || number > max) return false;
    value = number;
    return true;
}

bool ReadBool(std::string_view text, bool& value) {
    if (text == "true" || text == "1" || text == "on") {
        value = true;
    } else if (text == "false" || text == "0" || text == "off") {
        value = false;
    } else {
        return false;
    }
    return true;
}

// "global" (the library's or the update's own: 0), or a number in range.
bool ReadOwnNumber(std::string_view text, int min, int max, int& value) {
    if (text == "global" || text.empty()) {
        value = 0;
        return true;
    }
    return ReadNumber(text, min, max, value);
}

Text RangeMessage(const char* what, int min, int64_t max) {
    return Jp(what) + Jp("は「global」か ") + std::to_string(min) + Jp(" から ") +
           std::to_string(max) + Jp(" までの数で指定してください");
}

}  // namespace

bool IsValidUserAgent(std::string_view agent) {
    if (agent.empty() || agent.size() > SiteSettings::kMaxUserAgentBytes) return false;
    for (const char c : agent) {
        if (c < 0x20 || c > 0x7e) return false;
    }
    return true;
}

Text SetSiteSetting(SiteSettings& s, std::string_view key, std::string_view value) {
    const Text notBool = Jp(" は true か false で指定してください");
    if (key == "interval") {
        if (!ReadOwnNumber(value, SiteSettings::kMinInterval, SiteSettings::kMaxInterval,
                           s.interval)) {
            return RangeMessage("更新間隔 (分) ", SiteSettings::kMinInterval,
                                SiteSettings::kMaxInterval);
        }
    } else if (key == "userAgent") {
        if (value.empty() || value == "varlo") {
            s.agentKind = UserAgentKind::kVarlo;
            s.agent.clear();
        } else if (value == "browser") {
            s.agentKind = UserAgentKind::kBrowser;
            s.agent.clear();
        } else if (IsValidUserAgent(value)) {
            s.agentKind = UserAgentKind::kCustom;
            s.agent = std::string(value);
        } else {
            return Jp("ユーザーエージェントは 256 バイトまでの半角英数字と記号で指定してください");
        }
    } else if (key == "user") {
        for (const char c : value) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                return Jp("ユーザー名に制御文字は使えません");
            }
        }
        if (value.size() > 256) return Jp("ユーザー名が長すぎます");
        s.user = std::string(value);
    } else if (key == "keepDays") {
        if (!ReadOwnNumber(value, 1, SiteSettings::kMaxKeepDays, s.keepDays)) {
            return RangeMessage("保存日数", 1, SiteSettings::kMaxKeepDays);
        }
    } else if (key == "keepArticles") {
        if (!ReadOwnNumber(value, 1, static_cast<int>(CLibrary::kMaxArticlesPerSite),
                           s.keepArticles)) {
            return RangeMessage("保存件数", 1, CLibrary::kMaxArticlesPerSite);
        }
    } else if (key == "display") {
        if (value == "feed") {
            s.display = ArticleDisplay::kFeedText;
        } else if (value == "article") {
            s.display = ArticleDisplay::kWholeArticle;
        } else if (value == "page") {
            s.display = ArticleDisplay::kWebPage;
        } else {
            return Jp("記事の表示は feed、article、page のどれかで指定してください");
        }
    } else if (key == "notify" || key == "fullText" || key == "noProxy" || key == "plainHttp") {
        bool& flag = key == "notify"     ? s.notify
                     : key == "fullText" ? s.fullText
                     : key == "noProxy"  ? s.noProxy
                                         : s.plainHttpAllowed;
        if (!ReadBool(value, flag)) return Text(key) + notBool;
    } else {
        return Jp("設定 ") + Text(key) + Jp(" はありません");
    }
    return {};
}

std::string SitePasswordAccount(const Text& feedUrl) {
    return "feed:" + Cp932ToUtf8(feedUrl);
}

SiteSettings LoadSiteSettings(CFeedStore& store, const Text& url) {
    if (!store.Connection()) return {};
    SqliteStatement query(store.Connection(), std::string(kColumns) + " WHERE url = ?");
    query.Bind(1, url);
    return query.Step() == SQLITE_ROW ? FromRow(query) : SiteSettings();
}

std::map<Text, SiteSettings> LoadAllSiteSettings(CFeedStore& store) {
    std::map<Text, SiteSettings> all;
    if (!store.Connection()) return all;
    SqliteStatement query(store.Connection(), kColumns);
    while (query.Step() == SQLITE_ROW) all.emplace(query.String(11), FromRow(query));
    return all;
}

bool SaveSiteSettings(CFeedStore& store, const Text& url, const SiteSettings& s) {
    sqlite3* db = store.Connection();
    if (!db || url.empty()) return false;
    if (s == SiteSettings()) {
        SqliteStatement remove(db, "DELETE FROM site_settings WHERE url = ?");
        remove.Bind(1, url);
        return remove.Step() == SQLITE_DONE;
    }
    SqliteStatement save(db,
                         "INSERT OR REPLACE INTO site_settings(url, interval, agent_kind, agent, "
                         "user, plain_http, keep_days, keep_articles, display, notify, full_text, "
                         "no_proxy) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    save.Bind(1, url)
        .Bind(2, int64_t{s.interval})
        .Bind(3, static_cast<int64_t>(s.agentKind))
        .Bind(4, s.agent)
        .Bind(5, s.user)
        .Bind(6, int64_t{s.plainHttpAllowed})
        .Bind(7, int64_t{s.keepDays})
        .Bind(8, int64_t{s.keepArticles})
        .Bind(9, static_cast<int64_t>(s.display))
        .Bind(10, int64_t{s.notify})
        .Bind(11, int64_t{s.fullText})
        .Bind(12, int64_t{s.noProxy});
    return save.Step() == SQLITE_DONE;
}

bool MoveSiteSettings(CFeedStore& store, const Text& from, const Text& to) {
    sqlite3* db = store.Connection();
    if (!db || from == to || to.empty()) return db != nullptr;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    // A site already kept under the new address gives way to the one that moves there.
    SqliteStatement clear(db, "DELETE FROM site_settings WHERE url = ?");
    clear.Bind(1, to);
    SqliteStatement move(db, "UPDATE site_settings SET url = ? WHERE url = ?");
    move.Bind(1, to).Bind(2, from);
    if (clear.Step() != SQLITE_DONE || move.Step() != SQLITE_DONE || !transaction.Commit()) {
        return false;
    }
    if (const auto password = LookupPassword(SitePasswordAccount(from))) {
        if (!StorePassword(SitePasswordAccount(to), *password).ok) return false;
        ForgetPassword(SitePasswordAccount(from));
    } else {
        ForgetPassword(SitePasswordAccount(to));
    }
    return true;
}

bool ForgetSiteSettings(CFeedStore& store, const Text& url) {
    sqlite3* db = store.Connection();
    bool ok = db != nullptr;
    if (db) {
        SqliteStatement remove(db, "DELETE FROM site_settings WHERE url = ?");
        remove.Bind(1, url);
        ok = remove.Step() == SQLITE_DONE;
    }
    return ForgetPassword(SitePasswordAccount(url)) && ok;
}

}  // namespace varlo

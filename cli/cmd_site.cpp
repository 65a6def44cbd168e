// varlo-cli site: shows and changes what the user set for one site of a subscription file (its
// update interval, user agent, credentials, keeping, display, and its way around the proxy).

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/command.h"
#include "cli/feed_list.h"
#include "cli/secret_input.h"
#include "encoding/codepage.h"
#include "platform/secret_memory.h"
#include "platform/secret_store.h"
#include "store/site_settings.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

Json OwnNumber(int value) {
    return value > 0 ? Json(value) : Json();
}

const char* DisplayName(ArticleDisplay display) {
    switch (display) {
        case ArticleDisplay::kWholeArticle:
            return "article";
        case ArticleDisplay::kWebPage:
            return "page";
        default:
            return "feed";
    }
}

Json SettingsJson(const Text& url, const SiteSettings& s, bool hasPassword) {
    const std::string agent = s.agentKind == UserAgentKind::kBrowser  ? "browser"
                              : s.agentKind == UserAgentKind::kCustom ? s.agent
                                                                      : "varlo";
    return Json{{"xmlUrl", Out(url)},
                {"interval", OwnNumber(s.interval)},
                {"userAgent", agent},
                {"user", s.user},
                {"password", hasPassword},
                {"plainHttp", s.plainHttpAllowed},
                {"keepDays", OwnNumber(s.keepDays)},
                {"keepArticles", OwnNumber(s.keepArticles)},
                {"display", DisplayName(s.display)},
                {"notify", s.notify},
                {"fullText", s.fullText},
                {"noProxy", s.noProxy}};
}

int RunSite(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::string> changes;
    bool readPassword = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--set" && i + 1 < args.size()) {
            changes.push_back(args[++i]);
        } else if (args[i] == "--password") {
            readPassword = true;
        } else if (!args[i].starts_with("--")) {
            positional.push_back(args[i]);
        } else {
            return UsageError("site");
        }
    }
    if (positional.size() != 2) return UsageError("site");
    for (const std::string& change : changes) {
        if (change.find('=') == std::string::npos) return UsageError("site");
    }
    std::vector<Text> urls;
    if (!ReadFeedAddresses(positional[0], &urls)) return kExitUnreadable;
    const Text url = Utf8ToCp932(positional[1]);
    if (std::find(urls.begin(), urls.end(), url) == urls.end()) {
        PrintError(Jp("サイト ") + url + Jp(" は購読ファイルにありません"));
        return kExitUnreadable;
    }
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;

    SiteSettings settings = LoadSiteSettings(store, url);
    for (const std::string& change : changes) {
        const size_t equals = change.find('=');
        const Text refused = SetSiteSetting(settings, std::string_view(change).substr(0, equals),
                                            std::string_view(change).substr(equals + 1));
        if (!refused.empty()) {
            PrintError(refused);
            return kExitUsage;
        }
    }
    if (!changes.empty() && !SaveSiteSettings(store, url, settings)) {
        PrintError(Jp("サイトの設定を保存できませんでした"));
        return kExitUnreadable;
    }
    const std::string account = SitePasswordAccount(url);
    if (readPassword) {
        CSecretBuffer password = SecretLineFromInput();
        // An empty line forgets the password.
        std::string copy(password.View());
        const bool kept = copy.empty() ? ForgetPassword(account) : StorePassword(account, copy).ok;
        WipeString(copy);
        password.Clear();
        if (!kept) {
            PrintError(Jp("パスワードを保存できませんでした"));
            return kExitUnreadable;
        }
    }
    std::optional<std::string> password = LookupPassword(account);
    const bool hasPassword = password.has_value();
    if (password) WipeString(*password);
    PrintJson(SettingsJson(url, settings, hasPassword));
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "site",
    "  varlo-cli site OPML XMLURL [--set KEY=VALUE]... [--password]\n"
    "                                                     a site's own settings as JSON; --set\n"
    "                                                     changes one (interval, userAgent, user,\n"
    "                                                     keepDays, keepArticles, display, "
    "notify,\n"
    "                                                     fullText, noProxy, plainHttp);\n"
    "                                                     --password reads it from standard "
    "input\n",
    RunSite);

}  // namespace varlo::cli

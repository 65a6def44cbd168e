#include "update/server_answer.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "encoding/codepage.h"
#include "feeds/dates.h"
#include "fetch/transfer_messages.h"
#include "platform/text.h"

namespace varlo {
namespace {

// A number of seconds written as digits alone; nullopt for anything else.
std::optional<int64_t> Seconds(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (!IsAsciiDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

int64_t Capped(int64_t now, int64_t seconds) {
    return now + std::clamp<int64_t>(seconds, 0, kLongestServerWait);
}

}  // namespace

void ReadServerAnswerHeader(std::string_view line, ServerAnswer& answer) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = Trim(line.substr(colon + 1), " \t\r\n");
    if (EqualsNoCase(name, "Retry-After")) {
        answer.retryAfter = Text(value);
    } else if (EqualsNoCase(name, "Cache-Control")) {
        // Several lines make one list.
        if (!answer.cacheControl.empty()) answer.cacheControl += ',';
        answer.cacheControl += value;
    } else if (EqualsNoCase(name, "Expires")) {
        answer.expires = Text(value);
    } else if (EqualsNoCase(name, "Date")) {
        answer.date = Text(value);
    } else if (EqualsNoCase(name, "cf-mitigated")) {
        answer.mitigated = Text(value);
    }
}

std::optional<int64_t> WaitUntil(const ServerAnswer& answer, int64_t now) {
    const std::string_view value = Trim(answer.retryAfter, " \t");
    if (value.empty()) return std::nullopt;
    if (const std::optional<int64_t> seconds = Seconds(value)) return Capped(now, *seconds);
    const TimeValue at = ParseRfc822Date(value);
    if (at == 0) return std::nullopt;
    return Capped(now, at - now);
}

int64_t FreshUntil(const ServerAnswer& answer, int64_t now) {
    std::optional<int64_t> maxAge;
    std::string_view list = answer.cacheControl;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view item = Trim(list.substr(0, comma), " \t");
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        const size_t equals = item.find('=');
        const std::string_view name = Trim(item.substr(0, equals), " \t");
        if (EqualsNoCase(name, "no-cache") || EqualsNoCase(name, "no-store")) return 0;
        if (EqualsNoCase(name, "max-age") && equals != std::string_view::npos) {
            maxAge = Seconds(Trim(Trim(item.substr(equals + 1), " \t"), "\""));
            if (!maxAge) return 0;  // unreadable: no promise of freshness
        }
    }
    int64_t fresh = 0;
    if (maxAge) {
        fresh = *maxAge;
    } else if (!answer.expires.empty()) {
        // Counted from the answer's own clock where it gives one, so that a server whose clock
        // is off still means what it says; a date that cannot be read is in the past.
        const TimeValue expires = ParseRfc822Date(answer.expires);
        const TimeValue sent = answer.date.empty() ? 0 : ParseRfc822Date(answer.date);
        fresh = expires == 0 ? 0 : expires - (sent != 0 ? sent : now);
    }
    return fresh > 0 ? Capped(now, fresh) : 0;
}

bool IsBotWall(int status, const ServerAnswer& answer, std::string_view head) {
    if (status != 403 && status != 429 && status != 503) return false;
    if (EqualsNoCase(Trim(answer.mitigated, " \t"), "challenge")) return true;
    // A web page starts with its doctype or its html element (after white space, a byte order
    // mark, an XML declaration or comments); a feed with neither.
    std::string_view rest = head;
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    while (true) {
        rest = Trim(rest, " \t\r\n");
        const std::string_view close = rest.starts_with("<!--") ? "-->"
                                       : rest.starts_with("<?") ? "?>"
                                                                : "";
        if (close.empty()) break;
        const size_t end = rest.find(close);
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + close.size());
    }
    const auto startsNoCase = [rest](std::string_view prefix) {
        return rest.size() >= prefix.size() && EqualsNoCase(rest.substr(0, prefix.size()), prefix);
    };
    return startsNoCase("<!doctype html") || startsNoCase("<html");
}

Text WaitingMessage(int64_t until) {
    const std::time_t t = static_cast<std::time_t>(until);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return Jp("待機中");
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min);
    return Text(text) + Jp(" まで待機中");
}

Text UnauthorizedMessage(bool sentCredentials) {
    return sentCredentials
               ? Jp("ユーザー名またはパスワードが正しくありません")
               : Jp("このサイトは認証が必要です。サイトデータの修正の「詳細」で設定してください");
}

Refusal ReadRefusal(long status, const ServerAnswer& answer, std::string_view head, int64_t now,
                    bool sentCredentials) {
    if (status == 410) return {Refusal::Kind::kGone, Jp("サイトは終了しました"), 0};
    if (status == 401) return {Refusal::Kind::kFailed, UnauthorizedMessage(sentCredentials), 0};
    if (status == 429 || status == 503) {
        if (const std::optional<int64_t> until = WaitUntil(answer, now); until && *until > now) {
            return {Refusal::Kind::kWaiting, WaitingMessage(*until), *until};
        }
    }
    if (IsBotWall(static_cast<int>(status), answer, head)) {
        return {Refusal::Kind::kFailed,
                Jp("サイトがアクセスを拒否しました (ボット対策の可能性があります)"), 0};
    }
    return {Refusal::Kind::kFailed, HttpStatusMessage(status), 0};
}

}  // namespace varlo

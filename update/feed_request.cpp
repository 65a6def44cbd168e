#include "update/feed_request.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "encoding/codepage.h"
#include "fetch/curl_url.h"
#include "fetch/http_download.h"

namespace varlo {

TransferLimits DefaultTransferLimits() {
    const DownloadLimits designed = CHttpDownload::Limits();
    TransferLimits limits;
    limits.connectTimeout = designed.connectTimeout;
    limits.maxBytes = std::min(designed.maxBytes, kMaxFeedBytes);
    limits.lowSpeedBytes = static_cast<long>(designed.minSpeed);
    limits.lowSpeedTime = std::chrono::duration_cast<std::chrono::seconds>(designed.minSpeedTime);
    limits.totalTimeout = designed.totalTimeout;
    return limits;
}

Text FeedTooLargeMessage(uint64_t maxBytes) {
    return Jp("フィードが大きすぎます (") + std::to_string(maxBytes >> 20) +
           Jp(" MB を超えています)");
}

std::string FetchableAddress(const Text& address, std::string* host, Text* failure) {
    const std::string text(Trim(Cp932ToUtf8(address), " \t\r\n"));
    CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(),
                             CURLU_URLENCODE | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        *failure = address + Jp("の解析に失敗しました");
        return {};
    }
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") {
        *failure = address + Jp(" は http または https のアドレスではありません");
        return {};
    }
    *host = UrlPart(url.get(), CURLUPART_HOST);
    std::string full = UrlPart(url.get(), CURLUPART_URL);
    if (host->empty() || full.empty()) {
        *failure = address + Jp("の解析に失敗しました");
        return {};
    }
    std::transform(host->begin(), host->end(), host->begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return full;
}

std::string WaitKey(std::string_view address) {
    std::string lower(address);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, lower.c_str(),
                             CURLU_URLENCODE | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return lower;
    }
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    const std::string host = UrlPart(url.get(), CURLUPART_HOST);
    const std::string port = UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (scheme.empty() || host.empty() || port.empty()) return lower;
    return scheme + "://" + host + ":" + port;
}

void SetFeedRequest(CURL* e, const std::string& url, curl_slist* headers,
                    const TransferLimits& limits) {
    SetDownloadRequest(e, url, headers, limits.connectTimeout, limits.maxBytes);
    // Many transfers share one multi handle here, with no clock of Varlo's own per transfer:
    // libcurl keeps the speed and total limits.
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
}

void EnsureCurlInitialised() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

}  // namespace varlo

#include "sync/reader_http.h"

#include <algorithm>
#include <climits>

#include "encoding/codepage.h"
#include "fetch/proxy.h"
#include "fetch/transfer_messages.h"
#include "platform/product.h"
#include "platform/text.h"
#include "update/feed_request.h"

namespace varlo {
namespace {

struct Transfer {
    HttpAnswer* answer;
    uint64_t maxBytes;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->answer->body.size() + n > t->maxBytes) {
        t->answer->tooLarge = true;
        return 0;  // ends the transfer
    }
    t->answer->body.append(data, n);
    return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    const std::string_view line(data, n);
    // A new status line (after a 100 Continue) starts the headers afresh.
    if (line.starts_with("HTTP/")) t->answer->server = ServerAnswer{};
    ReadServerAnswerHeader(line, t->answer->server);
    if (StartsWithNoCase(line, "x-reader-google-bad-token:") ||
        StartsWithNoCase(line, "google-bad-token:")) {
        t->answer->badToken = true;
    }
    return n;
}

}  // namespace

CReaderHttp::CReaderHttp(const ReaderLimits& limits) : m_limits(limits) {
    m_easy = curl_easy_init();
}

CReaderHttp::~CReaderHttp() {
    if (m_easy) curl_easy_cleanup(m_easy);
}

size_t CReaderHttp::EscapeChar(char c, char out[3]) {
    static const char kHex[] = "0123456789ABCDEF";
    if (IsAsciiAlnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
        out[0] = c;
        return 1;
    }
    const auto byte = static_cast<unsigned char>(c);
    out[0] = '%';
    out[1] = kHex[byte >> 4];
    out[2] = kHex[byte & 15];
    return 3;
}

std::string CReaderHttp::Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escaped[3];
    for (const char c : text) out.append(escaped, EscapeChar(c, escaped));
    return out;
}

HttpAnswer CReaderHttp::Get(const std::string& url, const std::vector<std::string>& headers,
                            uint64_t maxBytes) {
    return Run(url, nullptr, headers, maxBytes);
}

HttpAnswer CReaderHttp::Post(const std::string& url, std::string_view form,
                             const std::vector<std::string>& headers, uint64_t maxBytes) {
    return Run(url, &form, headers, maxBytes);
}

HttpAnswer CReaderHttp::Run(const std::string& url, const std::string_view* form,
                            const std::vector<std::string>& headers, uint64_t maxBytes) {
    maxBytes = std::min(maxBytes, m_limits.maxBytes);
    HttpAnswer answer;
    if (!m_easy) {
        answer.error = Jp("メモリが不足しています");
        return answer;
    }
    CURL* e = m_easy;
    curl_easy_reset(e);
    curl_slist* list = nullptr;
    for (const std::string& h : headers) {
        curl_slist* longer = curl_slist_append(list, h.c_str());
        if (!longer) {
            curl_slist_free_all(list);
            answer.error = Jp("メモリが不足しています");
            return answer;
        }
        list = longer;
    }
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> owned(list, curl_slist_free_all);
    Transfer transfer{&answer, maxBytes};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // The login and its token go with every request: an answer that sends them elsewhere is a
    // failure, never followed.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    // Less than one byte a second over the stall time: the server hangs.
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(
        e, CURLOPT_LOW_SPEED_TIME,
        static_cast<long>(std::max<int64_t>(
            1, std::chrono::duration_cast<std::chrono::seconds>(m_limits.stallTimeout).count())));
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(std::min<uint64_t>(maxBytes, INT64_MAX)));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer);
    ApplyProxy(e);
    if (form) {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, form->data() ? form->data() : "");
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(form->size()));
    } else {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    }
    const CURLcode code = curl_easy_perform(e);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (code == CURLE_FILESIZE_EXCEEDED) answer.tooLarge = true;
    if (code != CURLE_OK || answer.tooLarge) {
        answer.status = 0;
        answer.body.clear();
        // libcurl's own words are English: the user gets the reason in Japanese, and the server
        // it was about (its scheme, host and port) as libcurl would have named it.
        answer.error =
            ProxiedFailure(e, code, DescribeTransferFailure(code, errorBuffer, maxBytes)) + " (" +
            Utf8ToCp932(WaitKey(url)) + ")";
        return answer;
    }
    answer.status = static_cast<int>(status);
    return answer;
}

}  // namespace varlo

#include "fetch/transfer_messages.h"

#include <string>
#include <string_view>

#include "encoding/codepage.h"
#include "fetch/proxy.h"

namespace varlo {

Text TooLargeMessage(uint64_t maxBytes) {
    return Jp("ファイルが大きすぎます（上限 ") + std::to_string(maxBytes >> 20) + Jp("MB）");
}

Text HttpStatusMessage(long status) {
    // 407 is the proxy's refusal, not the site's.
    if (status == 407) return ProxyFailureMessage();
    return Jp("サーバーがエラー ") + std::to_string(status) + Jp(" を返しました");
}

bool IsHeaderTooLarge(CURLcode code, const char* detail, bool inResponseHead) {
#if LIBCURL_VERSION_NUM >= 0x080600
    if (code == CURLE_TOO_LARGE) return true;
#endif
    if (code == CURLE_OUT_OF_MEMORY && inResponseHead) return true;
    // What libcurl says when it does say it: "Rejected 1048599 bytes header (max is 102400)!",
    // "Too large response headers: 368685 > 307200".
    const std::string_view text = detail ? detail : "";
    return (code == CURLE_OUT_OF_MEMORY || code == CURLE_RECV_ERROR) &&
           (text.find("bytes header") != std::string_view::npos ||
            text.find("response headers") != std::string_view::npos);
}

Text DescribeTransferFailure(CURLcode code, const char* detail, uint64_t maxBytes,
                             bool inResponseHead) {
    if (IsHeaderTooLarge(code, detail, inResponseHead)) {
        return Jp("サーバーの応答ヘッダーが大きすぎます");
    }
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return Jp("サーバー名またはアドレスを解決できませんでした");
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ProxyFailureMessage();
        case CURLE_COULDNT_CONNECT:
            return Jp("サーバーに接続できませんでした");
        case CURLE_OPERATION_TIMEDOUT:
            return Jp("操作がタイムアウトしました");
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
            return Jp("サーバーとの接続が切断されました");
        case CURLE_TOO_MANY_REDIRECTS:
            return Jp("リダイレクトの回数が多すぎます");
        case CURLE_UNSUPPORTED_PROTOCOL:
            return Jp("http と https 以外のアドレスには接続できません");
        case CURLE_FILESIZE_EXCEEDED:
            return TooLargeMessage(maxBytes);
        case CURLE_BAD_CONTENT_ENCODING:
            return Jp("サーバーが送った圧縮データを展開できませんでした");
        case CURLE_OUT_OF_MEMORY:
            return Jp("メモリが不足しています");
        case CURLE_URL_MALFORMAT:
            return Jp("アドレスの形式が正しくありません");
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_HTTP3:
            return Jp("サーバーの応答を理解できませんでした");
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_SHUTDOWN_FAILED:
            return Jp("安全な接続 (TLS) を確立できませんでした");
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return Jp("サーバーの証明書を確認できませんでした");
        case CURLE_PROXY:
            return ProxyFailureMessage();
        case CURLE_ABORTED_BY_CALLBACK:
            return Jp("転送が中止されました");
        default:
            break;
    }
    // The library's own text is English: only its number goes to the user, for a report.
    return Jp("通信に失敗しました（libcurl のエラー ") + std::to_string(static_cast<int>(code)) +
           Jp("）");
}

Text DescribeMultiFailure(CURLMcode code) {
    if (code == CURLM_OUT_OF_MEMORY) return Jp("メモリが不足しています");
    return Jp("通信に失敗しました（libcurl のエラー M") + std::to_string(static_cast<int>(code)) +
           Jp("）");
}

}  // namespace varlo

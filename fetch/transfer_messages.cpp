#include "fetch/transfer_messages.h"

#include <string>

#include "encoding/codepage.h"

namespace varlo {

Text TooLargeMessage(uint64_t maxBytes) {
    return Jp("ファイルが大きすぎます（上限 ") + std::to_string(maxBytes >> 20) + Jp("MB）");
}

Text DescribeTransferFailure(CURLcode code, const char* detail, uint64_t maxBytes) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return Jp("サーバー名またはアドレスを解決できませんでした");
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
        default:
            break;
    }
    // The library's own words are ASCII; kept short as a message box shows them.
    std::string text = detail && *detail ? detail : curl_easy_strerror(code);
    if (text.size() > 2048) text.resize(2048);
    return text;
}

}  // namespace varlo

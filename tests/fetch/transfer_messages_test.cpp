// What the user is told of a failed transfer: always Japanese, never libcurl's English text.

#include "fetch/transfer_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "encoding/codepage.h"

namespace varlo {
namespace {

bool HasJapanese(const std::string& utf8) {
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

TEST(TransferMessages, EveryFailureOfLibcurlIsToldInJapaneseWithoutTheLibrarysWords) {
    const char* detail = "Failed writing received data to disk/application";
    for (int n = 1; n < CURL_LAST; ++n) {
        const auto code = static_cast<CURLcode>(n);
        const std::string message = Cp932ToUtf8(DescribeTransferFailure(code, detail, 1 << 20));
        SCOPED_TRACE(std::to_string(n) + ": " + message);
        EXPECT_TRUE(HasJapanese(message));
        EXPECT_EQ(message.find(curl_easy_strerror(code)), std::string::npos);
        EXPECT_EQ(message.find(detail), std::string::npos);
    }
    for (int n = 1; n < CURLM_LAST; ++n) {
        const auto code = static_cast<CURLMcode>(n);
        const std::string message = Cp932ToUtf8(DescribeMultiFailure(code));
        EXPECT_TRUE(HasJapanese(message)) << n;
        EXPECT_EQ(message.find(curl_multi_strerror(code)), std::string::npos) << n;
    }
}

TEST(TransferMessages, ARefusedResponseHeadIsToldApartFromRunningOutOfMemory) {
    const std::string tooLarge = "サーバーの応答ヘッダーが大きすぎます";
    // Older libcurl refuses a header line past 100 KB as "out of memory", without a word.
    EXPECT_EQ(Cp932ToUtf8(DescribeTransferFailure(CURLE_OUT_OF_MEMORY, "", 0, true)), tooLarge);
    EXPECT_EQ(Cp932ToUtf8(DescribeTransferFailure(CURLE_OUT_OF_MEMORY, "", 0, false)),
              "メモリが不足しています");
    // Where it does say so.
    EXPECT_TRUE(IsHeaderTooLarge(CURLE_OUT_OF_MEMORY,
                                 "Rejected 1048599 bytes header (max is 102400)!", false));
    EXPECT_EQ(Cp932ToUtf8(DescribeTransferFailure(
                  CURLE_RECV_ERROR, "Too large response headers: 368685 > 307200", 0)),
              tooLarge);
    EXPECT_EQ(Cp932ToUtf8(DescribeTransferFailure(CURLE_RECV_ERROR, "Connection reset", 0)),
              "サーバーとの接続が切断されました");
    EXPECT_EQ(Cp932ToUtf8(DescribeTransferFailure(CURLE_FILESIZE_EXCEEDED, "", 256u << 20)),
              "ファイルが大きすぎます（上限 256MB）");
}

}  // namespace
}  // namespace varlo

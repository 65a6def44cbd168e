// The transfer library opened on first use: every kind of option value (a number, a text, a
// function, a large size) and every answer reach the library as given, in a real transfer.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/loopback_server.h"

namespace varlo {
namespace {

size_t Collect(char* data, size_t size, size_t count, void* into) {
    static_cast<std::string*>(into)->append(data, size * count);
    return size * count;
}

TEST(CurlLibrary, PassesEveryKindOfOptionAndAnswerThrough) {
    ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK);
    test::LoopbackServer server;
    server.Route("/post", test::Ok("answered"));
    const std::string url = server.Url("/post");
    const std::string body = "0123456789abcdef";
    CURL* easy = curl_easy_init();
    ASSERT_NE(easy, nullptr);
    std::string received;
    curl_slist* headers = curl_slist_append(nullptr, "X-Varlo: yes");
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_URL, url.c_str()), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_TIMEOUT, 20L), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str()), CURLE_OK);
    // A size of its own type: only its first ten bytes go.
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(10)),
              CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &received), CURLE_OK);
    // A bad number is refused by the library, not here.
    EXPECT_EQ(curl_easy_setopt(easy, CURLOPT_SSLVERSION, 9999L), CURLE_BAD_FUNCTION_ARGUMENT);
    ASSERT_EQ(curl_easy_perform(easy), CURLE_OK);
    long status = 0;
    curl_off_t downloaded = 0;
    EXPECT_EQ(curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status), CURLE_OK);
    EXPECT_EQ(curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &downloaded), CURLE_OK);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(downloaded, 8);
    EXPECT_EQ(received, "answered");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].body, "0123456789");
    EXPECT_EQ(server.Requests()[0].Header("X-Varlo"), "yes");
    EXPECT_STRNE(curl_easy_strerror(CURLE_COULDNT_CONNECT), "");
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
}

}  // namespace
}  // namespace varlo

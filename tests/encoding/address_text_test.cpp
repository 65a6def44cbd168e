#include "encoding/address_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

TEST(AddressText, HandsOverUtf8PercentEncodedOutsideTheHost) {
    EXPECT_EQ(AddressToUtf8(Sjis(" http://例え.jp/日本/a b?q=語#x \r\n")),
              "http://例え.jp/%E6%97%A5%E6%9C%AC/a%20b?q=%E8%AA%9E#x");
    EXPECT_EQ(AddressToUtf8("http://h/a%20b?x=%E6"), "http://h/a%20b?x=%E6");
    EXPECT_EQ(AddressToUtf8("https://user@h:8080/\x7F"), "https://user@h:8080/%7F");
    EXPECT_EQ(AddressToUtf8(""), "");
}

}  // namespace
}  // namespace varlo

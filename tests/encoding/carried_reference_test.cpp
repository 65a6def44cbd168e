// Characters code page 932 lacks, carried as references, and text that only looks like one.

#include "encoding/carried_reference.h"

#include <gtest/gtest.h>

#include <string>

#include "encoding/codepage.h"

namespace varlo {
namespace {

TEST(CarriedText, TextThatLooksLikeAReferenceComesBackAsTypedBesideTheCharactersThemselves) {
    const char* const texts[] = {
        "😀",
        "&#x1F600;",
        "😀 &#x1F600; &#128512; &#x1f600;",
        "&#x26;#x1F600;",
        "&#x26;#x26;#x1F600;&#x26;",
        "&&#x1F600;&",
        "&#x26;&#x1F600;",
        "&#x26;",
        "Tom &amp; Jerry &#x3042; & <b>",
        "é&#xE9;&#x&#x1F600",
        "&#xD800; &#xFFFF; &#x110000; &#0;",
        "日本語&#x1F600;ソ表",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const std::string held = Utf8TextToCp932(text);
        EXPECT_EQ(Cp932TextToUtf8(held), text);
    }
    // The character is carried as before; the look-alike is held apart from it.
    EXPECT_EQ(Utf8TextToCp932("😀"), "&#x1F600;");
    EXPECT_EQ(Utf8TextToCp932("&#x1F600;"), "&#x26;#x1F600;");
    EXPECT_EQ(Utf8TextToCp932("&#x3042; a&b"), "&#x3042; a&b");
}

TEST(CarriedText, OnlyTheCarriedAmpersandBeforeALookAlikeStandsForAnAmpersand) {
    EXPECT_TRUE(IsCarriedReferenceTail("#x1F600;"));
    EXPECT_TRUE(IsCarriedReferenceTail("#x26;#x26;#128512;rest"));
    EXPECT_FALSE(IsCarriedReferenceTail("#x3042;"));
    EXPECT_FALSE(IsCarriedReferenceTail("#x26;"));
    EXPECT_FALSE(IsCarriedReferenceTail("#x26;&#x1F600;"));
    EXPECT_FALSE(IsCarriedReferenceTail("#x1F600"));
    EXPECT_FALSE(IsCarriedReferenceTail("x1F600;"));
    EXPECT_EQ(UncarryLiteralAmpersands("&#x26;x &#x26;#x26;"), "&#x26;x &#x26;#x26;");
}

TEST(CarriedText, ALongRunOfLookAlikesIsConvertedWhole) {
    std::string chain = "&";
    for (int i = 0; i < 100000; ++i) chain += "#x26;";
    chain += "#x1F600;";
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "&#";
    text += chain;
    EXPECT_EQ(Cp932TextToUtf8(Utf8TextToCp932(text)), text);
}

}  // namespace
}  // namespace varlo

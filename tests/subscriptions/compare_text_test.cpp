#include "subscriptions/compare_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

int Compare(std::string_view x, std::string_view y) {
    return CompareText(x, y, kCompareIgnoreCase);
}

TEST(TextComparison, IgnoresCaseOfAsciiFullWidthGreekAndCyrillicLetters) {
    const char* pairs[][2] = {{"abc", "ABC"}, {"ａｂｚ", "ＡＢＺ"}, {"αβω", "ΑΒΩ"},
                              {"абя", "АБЯ"}, {"ё", "Ё"},           {"ⅰⅹ", "ⅠⅩ"}};
    for (const auto& p : pairs) EXPECT_EQ(Compare(Sjis(p[0]), Sjis(p[1])), 0) << p[0];
    EXPECT_GT(Compare(Sjis("ａ"), "A"), 0);  // full-width letters are not folded into ASCII
}

TEST(TextComparison, GivesTheDifferenceOfTheFirstUnequalCharacterCodes) {
    EXPECT_EQ(Compare("abd", "ABb"), 'D' - 'B');
    EXPECT_EQ(Compare("[", "a"), '[' - 'A');  // compared upper-cased: "[" sorts after "A"
    EXPECT_EQ(Compare("ab", "abc"), -'C');    // the end of a text is code 0
    EXPECT_EQ(Compare(Sjis("あい"), Sjis("あ")), 0x82A2);
    EXPECT_EQ(Compare(Sjis("ａ"), Sjis("ｂ")), 0x8260 - 0x8261);
    EXPECT_LT(Compare("~", Sjis("ａ")), 0);  // single bytes, half-width kana too, come first
    EXPECT_LT(Compare(Sjis("ｱ"), Sjis("ア")), 0);
    EXPECT_EQ(Compare("a\x82", "A\x82"), 0);  // a lead byte at the end is a character of its own
    EXPECT_EQ(Compare("", ""), 0);
}

TEST(TextComparison, ComparesRawCodesWithoutTheFlag) {
    EXPECT_EQ(CompareText("a", "A", 0), 'a' - 'A');
    EXPECT_NE(CompareText(Sjis("ａ"), Sjis("Ａ"), 0), 0);
    EXPECT_EQ(UpperCp932Code(0x82A0), 0x82A0);  // あ has no case
}

}  // namespace
}  // namespace varlo

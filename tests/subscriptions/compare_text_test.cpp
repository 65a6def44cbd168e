#include "subscriptions/compare_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

int Compare(std::string_view x, std::string_view y) {
    return CompareText(x, y, kCompareIgnoreCase);
}

TEST(TextComparison, TreatsLetterCaseAsEqual) {
    EXPECT_EQ(Compare("abc", "ABC"), 0);
    EXPECT_EQ(Compare("Hello World", "hELLO wORLD"), 0);
}

TEST(TextComparison, GivesTheDifferenceOfTheFirstUnequalCodes) {
    EXPECT_EQ(Compare("a", "c"), 'A' - 'C');
    EXPECT_EQ(Compare("abd", "ABb"), 'D' - 'B');
    EXPECT_EQ(Compare("[", "a"), '[' - 'A');  // "[" lies between upper and lower case
}

TEST(TextComparison, SortsAPrefixBeforeTheLongerText) {
    EXPECT_EQ(Compare("ab", "abc"), -'C');
    EXPECT_EQ(Compare("abc", "ab"), 'C');
    EXPECT_EQ(Compare("", ""), 0);
}

TEST(TextComparison, CountsADoubleByteCharacterAsOneCode) {
    // "あ" is 82 A0 and "い" 82 A2: one code each, not two bytes.
    EXPECT_EQ(Compare(Sjis("あ"), Sjis("い")), 0x82A0 - 0x82A2);
    EXPECT_EQ(Compare(Sjis("あい"), Sjis("あ")), 0x82A2);
}

TEST(TextComparison, SortsSingleByteCharactersBeforeDoubleByteOnes) {
    EXPECT_LT(Compare("z", Sjis("あ")), 0);
    EXPECT_LT(Compare("~", Sjis("ａ")), 0);
    // Half-width katakana are single bytes too.
    EXPECT_LT(Compare(Sjis("ｱ"), Sjis("ア")), 0);
}

TEST(TextComparison, UpperCasesFullWidthGreekAndCyrillicLetters) {
    EXPECT_EQ(Compare(Sjis("ａｂｃ"), Sjis("ＡＢＣ")), 0);
    EXPECT_EQ(Compare(Sjis("ｚ"), Sjis("Ｚ")), 0);
    EXPECT_EQ(Compare(Sjis("αβω"), Sjis("ΑΒΩ")), 0);
    EXPECT_EQ(Compare(Sjis("абвя"), Sjis("АБВЯ")), 0);
    EXPECT_EQ(Compare(Sjis("ё"), Sjis("Ё")), 0);
    // Full-width letters are not folded into ASCII ones.
    EXPECT_GT(Compare(Sjis("ａ"), "A"), 0);
    EXPECT_EQ(Compare(Sjis("ａ"), Sjis("ｂ")), 0x8260 - 0x8261);
}

TEST(TextComparison, LeavesCharactersWithoutCaseAlone) {
    EXPECT_EQ(UpperCp932Code(0x82A0), 0x82A0);  // あ
    EXPECT_EQ(UpperCp932Code(0x8140), 0x8140);  // ideographic space
    EXPECT_EQ(UpperCp932Code(0xB1), 0xB1);      // ｱ
    EXPECT_EQ(UpperCp932Code(0x8281), 0x8260);  // ａ
}

TEST(TextComparison, ComparesByteValuesWhenCaseIsNotIgnored) {
    EXPECT_EQ(CompareText("a", "A", 0), 'a' - 'A');
    EXPECT_NE(CompareText(Sjis("ａ"), Sjis("Ａ"), 0), 0);
    EXPECT_EQ(CompareText("same", "same", 0), 0);
}

TEST(TextComparison, TakesALeadByteAtTheEndAsASingleCharacter) {
    EXPECT_EQ(Compare("\x82", ""), 0x82);
    EXPECT_EQ(Compare("a\x82", "A\x82"), 0);
}

}  // namespace
}  // namespace varlo

#include <gtest/gtest.h>
#include <iconv.h>

#include "encoding/codepage.h"
#include "platform/text.h"

namespace varlo {
namespace {

std::string IconvConvert(const char* to, const char* from, std::string in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(CodePageConversion, AgreesWithIconvOnEveryDefinedDoubleByteCode) {
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string expected = IconvConvert("UTF-8", "CP932", sjis);
            if (expected.empty()) continue;
            ASSERT_EQ(Cp932ToUtf8(sjis), expected) << std::hex << lead << " " << trail;
        }
    }
}

TEST(CodePageConversion, JapaneseTextRoundTrips) {
    const std::string utf8 = "日本語のテキスト、ｶﾀｶﾅ、ＡＢＣ①Ⅰ～ mixed with ASCII.";
    const std::string sjis = Utf8ToCp932(utf8);
    EXPECT_EQ(sjis, IconvConvert("CP932", "UTF-8", utf8));
    EXPECT_EQ(Cp932ToUtf8(sjis), utf8);
}

TEST(CodePageConversion, DuplicateCodesConvertToTheCodesWindowsUses) {
    EXPECT_EQ(UnicodeToCp932Code(0x2160), 0x8754);  // Roman numeral one: NEC row 13
    EXPECT_EQ(UnicodeToCp932Code(0x2170), 0xFA40);  // small roman one: IBM, not NEC-selected
    EXPECT_EQ(UnicodeToCp932Code(0xFFE2), 0x81CA);  // not sign
    EXPECT_EQ(UnicodeToCp932Code(0x2235), 0x81E6);  // because
}

TEST(CodePageConversion, UnmappableAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp932("a\xC3\xA9z"), "a?z");          // é has no code
    EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80z"), "a?z");  // outside the BMP
    EXPECT_EQ(Utf8ToCp932("a\x80z"), "a?z");              // stray continuation
    EXPECT_EQ(Utf8ToCp932("a\xE6\x97"), "a?");            // truncated
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a?");                // lead byte at the end
    EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), "?z");            // undefined pair
    EXPECT_EQ(Cp932ToUtf8("\x85\x0Az"), "?\nz");          // lead byte without trail
    EXPECT_EQ(Utf8ToCp932("〜"), "\x81\x60");             // wave dash of other encodings
    EXPECT_EQ(Cp932ToUtf8("\xB1"), "ｱ");
}

TEST(TextHelpers, LastSlashSearchStepsOverDoubleByteCharacters) {
    // 0x95 0x5C is a kanji whose trail byte is a backslash.
    EXPECT_EQ(FindLastAsciiStepping("a\\b\x95\x5C", '\\'), 1u);
    EXPECT_EQ(FindLastAsciiStepping("abc", '/'), std::string_view::npos);
}

}  // namespace
}  // namespace varlo

#include <gtest/gtest.h>
#include <iconv.h>

#include "encoding/carried_reference.h"
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

TEST(CodePageConversion, MalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp932("a\x80z"), "a?z");              // stray continuation
    EXPECT_EQ(Utf8ToCp932("a\xE6\x97"), "a?");            // truncated
    EXPECT_EQ(Utf8ToCp932("a\xED\xA0\x80z"), "a?z");      // a surrogate is no character
    EXPECT_EQ(Utf8ToCp932("a\xF4\x90\x80\x80z"), "a?z");  // beyond U+10FFFF
    EXPECT_EQ(Utf8ToCp932("a\xF0\x8F\xBF\xBFz"), "a?z");  // overlong four-byte form
    EXPECT_EQ(Utf8ToCp932("a\xC1\x81z"), "a?z");          // overlong two-byte form
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a?");                // lead byte at the end
    EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), "?z");            // undefined pair
    EXPECT_EQ(Cp932ToUtf8("\x85\x0Az"), "?\nz");          // lead byte without trail
    // The wave dash and the em dash share their codes with the full-width tilde and the
    // horizontal bar, and used to come back as those: they are carried instead.
    EXPECT_EQ(Utf8ToCp932("〜—"), "&#x301C;&#x2014;");
    EXPECT_EQ(Utf8ToCp932("～―"), "\x81\x60\x81\x5C");
    EXPECT_EQ(Cp932ToUtf8("\xB1"), "ｱ");
}

TEST(CarriedReferences, CharactersTheCodePageLacksTravelAsUpperCaseHexReferences) {
    // Formerly these became "?", and the character was lost on the next save.
    EXPECT_EQ(Utf8ToCp932("a\xC3\xA9z"), "a&#xE9;z");
    EXPECT_EQ(Utf8ToCp932("a😀z"), "a&#x1F600;z");
    EXPECT_EQ(Utf8ToCp932("한국어"), "&#xD55C;&#xAD6D;&#xC5B4;");
    EXPECT_EQ(Utf8ToCp932("Привет").find('&'), std::string::npos);  // Cyrillic is in the code page
    EXPECT_EQ(Utf8ToCp932("\xF4\x8F\xBF\xBF"), "&#x10FFFF;");
}

TEST(CarriedReferences, EveryCharacterRoundTripsThroughSystemText) {
    const std::string samples[] = {
        "😀 emoji 🇯🇵 and 𠮷野家",
        "café, naïve, Ærøskøbing, €5 — “quoted” 〜",
        "中文简体：汉语，繁體：漢語",
        "한국어 텍스트",
        "Привет, мир",
        "日本語のテキスト、ｶﾀｶﾅ①Ⅰ",
        "a&b &amp; &#38; &#x26; &#xZZ;",
    };
    for (const std::string& utf8 : samples) {
        const std::string system = Utf8ToCp932(utf8);
        EXPECT_EQ(Cp932ToUtf8(system), utf8) << utf8;
        std::string inPlace = utf8;
        Utf8ToCp932InPlace(inPlace);
        EXPECT_EQ(inPlace, system) << utf8;
    }
    // The conversion in place copies ASCII a word at a time once its output lags by a word: runs
    // of every length between characters that shrink, stay or grow, and malformed bytes, must
    // come out as the plain conversion writes them.
    const std::string pieces[] = {"日本語", "ｶﾀｶﾅ", "é",  "😀", "한",    "\xE6\x97",
                                  "\xFF",   "\x80", "〜", "a", "<tag>", "0123456789abcdef"};
    unsigned long long state = 932;
    for (int round = 0; round < 2000; ++round) {
        std::string utf8;
        while (utf8.size() < static_cast<size_t>(round % 300)) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            utf8 += pieces[(state >> 33) % std::size(pieces)];
        }
        std::string inPlace = utf8;
        Utf8ToCp932InPlace(inPlace);
        ASSERT_EQ(inPlace, Utf8ToCp932(utf8)) << round;
    }
}

TEST(CarriedReferences, OnlyReferencesToCharactersTheCodePageLacksAreExpanded) {
    EXPECT_EQ(Cp932ToUtf8("&#x1F600;&#128512;&#xe9;&#233;"), "😀😀éé");
    // Characters the code page has stay references: they were written so on purpose (markup).
    EXPECT_EQ(Cp932ToUtf8("&#x3C;&#60;&#x26;&#x3042;&#65;"), "&#x3C;&#60;&#x26;&#x3042;&#65;");
    // Not references, or references to no character.
    EXPECT_EQ(Cp932ToUtf8("&#X1F600; &#x; &#xE9 &#xD800; &#x110000; &#99999999999; &amp;#xE9;"),
              "&#X1F600; &#x; &#xE9 &#xD800; &#x110000; &#99999999999; &amp;#xE9;");
    EXPECT_EQ(Cp932ToUtf8("&"), "&");
    EXPECT_EQ(Cp932ToUtf8("\x82\xA0&#xE9;\x82\xA2"), "あéい");
    EXPECT_EQ(ExpandCarriedReferences("x &#x1F600; &#x3042; &#xE9"), "x 😀 &#x3042; &#xE9");
    // References 128 to 159 are the windows-1252 characters browsers show, not control codes.
    EXPECT_EQ(Cp932ToUtf8("a&#150;b&#x99;"), "a–b™");
    EXPECT_EQ(ExpandCarriedReferences("&#x92;"), "’");
}

TEST(CarriedReferences, InPlaceConversionFallsBackWhenAReferenceOutgrowsItsCharacter) {
    // "é" (2 bytes) becomes 6 at the very start: no room behind the input for it.
    std::string text = "\xC3\xA9" + std::string(100, 'x') + "日本😀";
    const std::string expected = Utf8ToCp932(text);
    Utf8ToCp932InPlace(text);
    EXPECT_EQ(text, "&#xE9;" + std::string(100, 'x') + "\x93\xFA\x96\x7B&#x1F600;");
    EXPECT_EQ(text, expected);
    std::string garbage = "\xFF\xC3";
    Utf8ToCp932InPlace(garbage);
    EXPECT_EQ(garbage, "??");

    // A large text is converted in steps of megabytes, its input given back as it goes: a
    // character, or a malformed run of continuation bytes, across the end of a step is read whole.
    constexpr size_t kStep = size_t{4} << 20;
    std::string large = "\xC3\xA9";
    const std::string filler = "日本語 한국어 x";
    while (large.size() < 3 * kStep) large += filler;
    large.replace(kStep - 2, 4, "😀");
    large.replace(2 * kStep - 3, 300, std::string(1, '\xE3') + std::string(299, '\x80'));
    const std::string largeExpected = Utf8ToCp932(large);
    Utf8ToCp932InPlace(large);
    EXPECT_TRUE(large == largeExpected);
}

TEST(CarriedReferences, ReferencesAreReadAndWrittenOneAtATime) {
    std::string out;
    AppendCarriedReference(0x1F600, out);
    AppendCarriedReference(0xE9, out);
    EXPECT_EQ(out, "&#x1F600;&#xE9;");
    const auto hex = ReadNumericReference("&#x1f600;rest");
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->codepoint, 0x1F600u);
    EXPECT_EQ(hex->length, 9u);
    const auto dec = ReadNumericReference("&#0233;");
    ASSERT_TRUE(dec);
    EXPECT_EQ(dec->codepoint, 0xE9u);
    EXPECT_FALSE(ReadNumericReference("&#;"));
    EXPECT_FALSE(ReadNumericReference("&#x110000;"));
    EXPECT_FALSE(ReadNumericReference("&#X41;")) << "the carried form writes a lower-case x";
    // The lenient scan every markup reader shares: its value never wraps round, however long.
    const NumericReferenceScan huge = ScanNumericReference("&#99999999999999999999999999", true);
    EXPECT_EQ(huge.value, kBeyondUnicode);
    EXPECT_EQ(huge.digits, 26u);
    EXPECT_FALSE(huge.terminated);
    const NumericReferenceScan upper = ScanNumericReference("&#X4e;", true);
    EXPECT_EQ(upper.value, 0x4Eu);
    EXPECT_EQ(upper.length, 6u);
    EXPECT_EQ(ScanNumericReference("&#X4e;", false).digits, 0u);
    EXPECT_EQ(ScanNumericReference("&#x;", true).digits, 0u);
    EXPECT_TRUE(IsCarriedCodePoint(0xE9));
    EXPECT_FALSE(IsCarriedCodePoint(0x3042));  // hiragana a
    EXPECT_FALSE(IsCarriedCodePoint(0x41));
    EXPECT_FALSE(IsCarriedCodePoint(0xDC00));
}

TEST(TextHelpers, LastSlashSearchStepsOverDoubleByteCharacters) {
    // 0x95 0x5C is a kanji whose trail byte is a backslash.
    EXPECT_EQ(FindLastAsciiStepping("a\\b\x95\x5C", '\\'), 1u);
    EXPECT_EQ(FindLastAsciiStepping("abc", '/'), std::string_view::npos);
}

}  // namespace
}  // namespace varlo

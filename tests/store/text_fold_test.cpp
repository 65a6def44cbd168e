#include "store/text_fold.h"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cstdlib>
#include <string>

#include "encoding/carried_reference.h"
#include "support/test_support.h"

namespace varlo {
namespace {

std::string FoldHtml(std::string_view html) {
    std::string folded;
    TextFolder folder(html, TextForm::kHtml);
    FoldedChar c;
    while (folder.Next(c)) folded.append(c.text);
    return folded;
}

TEST(TextFold, WidthsCaseAndLatinAccentsFoldAway) {
    EXPECT_EQ(FoldForSearch("ＡＢＣ ａｂｃ １２３"), "abc abc 123");
    EXPECT_EQ(FoldForSearch("ｶﾒﾗ"), "カメラ");
    EXPECT_EQ(FoldForSearch("Café CAFÉ cafe\xCC\x81"), "cafe cafe cafe");  // the last: e + U+0301
    EXPECT_EQ(FoldForSearch("Straße ΣΊΣΥΦΟΣ Ёлка"), "strasse σισυφοσ елка");
    EXPECT_EQ(FoldForSearch("ﬁle ①"), "file 1");
    EXPECT_EQ(FoldForSearch("㍻"), "平成");
    // Nothing that shows nothing: a soft hyphen, a zero-width space... and a variation selector.
    EXPECT_EQ(FoldForSearch("soft\xC2\xADware zero\xE2\x80\x8Bwidth \xE2\x9D\xA4\xEF\xB8\x8F"),
              "software zerowidth \xE2\x9D\xA4");
}

TEST(TextFold, KanaKeepTheirScriptAndTheirVoicedMarks) {
    EXPECT_EQ(FoldForSearch("ガ"), "ガ");
    EXPECT_EQ(FoldForSearch("ｶﾞｯｺｳ ﾊﾟﾝ"), "ガッコウ パン");
    EXPECT_EQ(FoldForSearch("\xE3\x82\xAB\xE3\x82\x99"), "ガ");  // カ + combining voiced mark
    EXPECT_EQ(FoldForSearch("がっこう"), "がっこう");
    EXPECT_NE(FoldForSearch("がっこう"), FoldForSearch("ガッコウ"));
    EXPECT_EQ(FoldForSearch("한국어"), "한국어");
    // A kana with a mark that has no precomposed form keeps it.
    EXPECT_EQ(FoldForSearch("\xE3\x81\x8B\xE3\x82\x9A"), "\xE3\x81\x8B\xE3\x82\x9A");
}

TEST(TextFold, EachFoldedCharacterKnowsItsSourceBytesAndClass) {
    const std::string text = "Aé ｶﾞ😀、한";
    TextFolder folder(text, TextForm::kPlain);
    std::vector<std::tuple<std::string, CharClass, std::string>> seen;
    FoldedChar c;
    while (folder.Next(c)) {
        seen.emplace_back(std::string(c.text), c.kind, text.substr(c.begin, c.end - c.begin));
    }
    using C = CharClass;
    EXPECT_EQ(seen, (std::vector<std::tuple<std::string, CharClass, std::string>>{
                        {"a", C::kWord, "A"},
                        {"e", C::kWord, "é"},
                        {" ", C::kSeparator, " "},
                        {"ガ", C::kCjk, "ｶﾞ"},
                        {"😀", C::kSymbol, "😀"},
                        {"、", C::kSeparator, "、"},
                        {"한", C::kCjk, "한"}}));
}

TEST(TextFold, DamagedAndHostileTextFoldsInLinearTime) {
    // Bytes that are not UTF-8 read as spaces, and the characters around them stay.
    EXPECT_EQ(FoldForSearch("a\xFF\xC3z\xED\xA0\x80"
                            "b"),
              "a  z   b");
    // A base with a hundred thousand accents: the accents of a Latin letter go, the rest stays
    // split into bounded characters.
    std::string stacked = "e";
    for (int i = 0; i < 100000; ++i) stacked += "\xCC\x81";
    EXPECT_EQ(FoldForSearch(stacked).substr(0, 1), "e");
}

TEST(TextFold, SystemTextCarriesItsCharactersAsThemselves) {
    EXPECT_EQ(FoldSystemTextForSearch(test::Sjis("ｶﾒﾗ😀Café")), "カメラ😀cafe");
    EXPECT_EQ(FoldSystemTextForSearch("&#x1F600;"), "😀");
    // Typed text that only looks like a reference stays text.
    EXPECT_EQ(FoldSystemTextForSearch(Utf8TextToCp932("&#x1F600;")), "&#x1f600;");
}

TEST(TextFold, HtmlReadsAsTheTextAReaderSees) {
    EXPECT_EQ(FoldHtml("<p class=\"a>b\">Caf&eacute; &amp; <b>bar</b>s&#x1F600;&#12354;</p>"),
              " cafe & bars😀あ ");
    // Inline markup inside a word keeps it one word; blocks and line breaks split.
    EXPECT_EQ(FoldHtml("東<em>京</em>都<br>大阪<div>x</div>"), "東京都 大阪 x ");
    EXPECT_EQ(FoldHtml("a<!-- hidden -->b<script>var x = '<p>';</script>c<style>p{}</style>"),
              "ab  c  ");
    // What is not markup is text: a lone "<", an unknown or unfinished reference, a tag left open.
    EXPECT_EQ(FoldHtml("1 < 2 &nosuch; &#; AT&T <b"), "1 < 2 &nosuch; &#; at&t <b");
    EXPECT_EQ(FoldHtml("&#0;&#xD800;&#99999999;x"), "   x");
    // A tag left open makes the rest text, read once: not a scan to the end for each "<".
    std::string open = "<b>x</b><a title='";
    for (int i = 0; i < 200000; ++i) open += "<a";
    const std::string folded = FoldHtml(open);
    EXPECT_EQ(folded.substr(0, 14), "x<a title='<a<");
    EXPECT_EQ(folded.size(), open.size() - 7);
}

}  // namespace
}  // namespace varlo

namespace varlo {
namespace {

// Kana and the common Han characters skip the folding machinery: each must fold to itself as the
// machinery would fold it, alone, before a voiced mark and before a variation selector.
TEST(TextFold, CharactersTakenAsTheirOwnFoldFoldAsTheMachineryWould) {
    auto utf8 = [](char32_t c) {
        std::string text;
        AppendUtf8(c, text);
        return text;
    };
    auto casefolded = [](const std::string& text) {
        utf8proc_uint8_t* folded =
            utf8proc_NFKC_Casefold(reinterpret_cast<const utf8proc_uint8_t*>(text.c_str()));
        std::string out = reinterpret_cast<const char*>(folded);
        std::free(folded);
        return out;
    };
    int checked = 0;
    const std::pair<char32_t, char32_t> ranges[] = {
        {0x3041, 0x3096}, {0x30A1, 0x30FA}, {0x30FC, 0x30FC}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}};
    for (const auto& [first, last] : ranges) {
        for (char32_t c = first; c <= last; ++c) {
            const std::string alone = utf8(c);
            ASSERT_EQ(casefolded(alone), alone) << std::hex << static_cast<uint32_t>(c);
            ASSERT_EQ(FoldForSearch(alone), alone) << std::hex << static_cast<uint32_t>(c);
            ++checked;
            // Canonically decomposed, it composes back to itself.
            utf8proc_uint8_t* nfd = nullptr;
            utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(alone.data()),
                         static_cast<utf8proc_ssize_t>(alone.size()), &nfd,
                         static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_STABLE));
            const std::string decomposed = reinterpret_cast<const char*>(nfd);
            std::free(nfd);
            ASSERT_EQ(FoldForSearch(decomposed), alone) << std::hex << static_cast<uint32_t>(c);
            const std::string voiced = alone + "\xE3\x82\x99";
            utf8proc_uint8_t* composed = nullptr;
            utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(voiced.data()),
                         static_cast<utf8proc_ssize_t>(voiced.size()), &composed,
                         static_cast<utf8proc_option_t>(UTF8PROC_COMPOSE | UTF8PROC_STABLE));
            ASSERT_EQ(FoldForSearch(voiced), reinterpret_cast<const char*>(composed))
                << std::hex << static_cast<uint32_t>(c);
            std::free(composed);
            // A variation selector stays with its character, and it is ignored.
            ASSERT_EQ(FoldForSearch(alone + "\xEF\xB8\x80"), alone);
        }
    }
    EXPECT_EQ(checked, 86 + 90 + 1 + 6592 + 20992);
    EXPECT_EQ(FoldForSearch("ｶﾞｷﾞ ガギ"), "ガギ ガギ");
}

}  // namespace
}  // namespace varlo

#include "subscriptions/opml_escape.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

TEST(OpmlEscaping, EscapesMarkupCharactersInAttributeValues) {
    EXPECT_EQ(EscapeOpmlAttribute("A & B <c> \"d\" 'e'"), "A &amp; B &lt;c&gt; &quot;d&quot; 'e'");
    EXPECT_EQ(EscapeOpmlAttribute("tab\tline\ncr\r"), "tab&#9;line&#10;cr&#13;");
}

TEST(OpmlEscaping, EscapesContentWithoutTouchingQuotesOrLineFeeds) {
    EXPECT_EQ(EscapeOpmlContent("a<b>&\"c\"\n\td\r"), "a&lt;b&gt;&amp;\"c\"\n\td&#13;");
}

TEST(OpmlEscaping, LeavesJapaneseTextAsItIs) {
    // Trail bytes of code page 932 never fall on an escaped ASCII character.
    const Text japanese = Sjis("表示テスト／ソ能");
    EXPECT_EQ(EscapeOpmlAttribute(japanese), japanese);
    EXPECT_EQ(EscapeOpmlContent(japanese), japanese);
}

TEST(OpmlEscaping, DropsZeroBytesAndWritesOtherControlsAsReferences) {
    EXPECT_EQ(EscapeOpmlAttribute(std::string("a\0b\x01", 4)), "ab&#1;");
}

TEST(OpmlReferenceDecoding, DecodesThePredefinedReferences) {
    EXPECT_EQ(DecodeOpmlReferences("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
    EXPECT_EQ(DecodeOpmlReferences("AT&amp;T"), "AT&T");
}

TEST(OpmlReferenceDecoding, DecodesNumericReferencesIntoTheCodePage) {
    EXPECT_EQ(DecodeOpmlReferences("&#65;&#x42;&#X43;"), "AB&#X43;");
    EXPECT_EQ(DecodeOpmlReferences("&#12354;&#x3044;"), Sjis("あい"));
    EXPECT_EQ(DecodeOpmlReferences("&#xFF71;"), Sjis("ｱ"));
    EXPECT_EQ(DecodeOpmlReferences("&#9;&#10;&#13;"), "\t\n\r");
}

TEST(OpmlReferenceDecoding, KeepsWhatItDoesNotDecodeExactlyAsWritten) {
    const char* kept[] = {
        "http://x/?a=1&b=2", "&nbsp;",     "&amp",        "& amp;", "&#;", "&#x;", "&#12a;", "&#0;",
        "&#x1F600;",         "&#x110000;", "&#99999999;", "a & b;", "&",   "&&amp"};
    for (const char* text : kept) EXPECT_EQ(DecodeOpmlReferences(text), text) << text;
}

TEST(OpmlReferenceDecoding, DecodesOnlyOnce) {
    EXPECT_EQ(DecodeOpmlReferences("&amp;amp;"), "&amp;");
    EXPECT_EQ(DecodeOpmlReferences("&amp;#65;"), "&#65;");
}

TEST(OpmlReferenceDecoding, UndoesEscapingForAnyText) {
    std::string every;
    for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
    const Text samples[] = {every, Sjis("日本語 & \"引用\" <タグ>"), "&amp;&#65;", "  spaced  "};
    for (const Text& text : samples) {
        EXPECT_EQ(DecodeOpmlReferences(EscapeOpmlAttribute(text)), text);
        EXPECT_EQ(DecodeOpmlReferences(EscapeOpmlContent(text)), text);
    }
}

}  // namespace
}  // namespace varlo

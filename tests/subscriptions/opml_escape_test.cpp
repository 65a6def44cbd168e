#include "subscriptions/opml_escape.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

TEST(OpmlEscaping, EscapesWhatWouldBreakAnAttributeOrTheContent) {
    EXPECT_EQ(EscapeOpmlAttribute("A&B <c> \"d\" 'e'\t\n\r"),
              "A&amp;B &lt;c&gt; &quot;d&quot; 'e'&#9;&#10;&#13;");
    EXPECT_EQ(EscapeOpmlContent("a<b>&\"c\"\n\td\r"), "a&lt;b&gt;&amp;\"c\"\n\td&#13;");
    EXPECT_EQ(EscapeOpmlAttribute(std::string("a\0b\x01", 4)), "ab");
    const Text japanese = Sjis("表示テスト／ソ能");  // no trail byte is taken for markup
    EXPECT_EQ(EscapeOpmlAttribute(japanese), japanese);
}

TEST(OpmlEscaping, LeavesOutWhatNoXmlFileMayHoldAndCountsIt) {
    int leftOut = 0;
    EXPECT_EQ(EscapeOpmlAttribute(std::string("a\0b\x01\x1f\x7f\t", 7), &leftOut), "ab\x7f&#9;");
    EXPECT_EQ(leftOut, 3);
    // U+FFFE and U+FFFF, carried as references, are no characters of XML either.
    EXPECT_EQ(EscapeOpmlContent("x&#xFFFF;y&#xfffe;z&#x1F600;\x0b", &leftOut), "xyz&#x1F600;");
    EXPECT_EQ(leftOut, 6);
    // Text that only names them stays text.
    EXPECT_EQ(EscapeOpmlContent("&#1; &#x26;#xFFFF;", &leftOut), "&amp;#1; &amp;#xFFFF;");
    EXPECT_EQ(leftOut, 6);
}

TEST(OpmlReferenceDecoding, ALiteralAmpersandBeforeWhatReadsAsACarriedCharacterIsHeldApart) {
    EXPECT_EQ(DecodeOpmlReferences("&amp;#x1F600;"), "&#x26;#x1F600;");
    EXPECT_EQ(DecodeOpmlReferences("&#38;#128512;"), "&#x26;#128512;");
    EXPECT_EQ(DecodeOpmlReferences("&amp;#x26;#x1F600;"), "&#x26;#x26;#x1F600;");
    // The character itself stays carried; text that reads as nothing carried stays as it was.
    EXPECT_EQ(DecodeOpmlReferences("&#x1F600;"), "&#x1F600;");
    EXPECT_EQ(DecodeOpmlReferences("&amp;#x3042; &amp;#x26;x"), "&#x3042; &#x26;x");
    // Written back as read; where nothing would read as a carried character, "&#x26;" is text.
    for (const char* text :
         {"&amp;#x1F600;", "&amp;#x26;#x1F600;", "&#x1F600;", "&amp;#x3042;", "&amp;#x26;x"}) {
        EXPECT_EQ(EscapeOpmlAttribute(DecodeOpmlReferences(text)), text);
    }
}

TEST(OpmlReferenceDecoding, DecodesPredefinedAndNumericReferencesOnce) {
    EXPECT_EQ(DecodeOpmlReferences("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
    EXPECT_EQ(DecodeOpmlReferences("&#65;&#x42;&#12354;&#x3044;&#xFF71;"), "AB" + Sjis("あいｱ"));
    EXPECT_EQ(DecodeOpmlReferences("&amp;amp;&amp;#65;"), "&amp;&#65;");
}

TEST(OpmlReferenceDecoding, KeepsEverythingElseExactlyAsWritten) {
    for (const char* text :
         {"http://x/?a=1&b=2", "&nbsp;", "&amp", "& amp;", "&#;", "&#x;", "&#12a;", "&#X41;",
          "&#0;", "&#x1F600;", "&#x110000;", "&#99999999;", "&", "&&amp"}) {
        EXPECT_EQ(DecodeOpmlReferences(text), text);
    }
}

}  // namespace
}  // namespace varlo

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
    EXPECT_EQ(EscapeOpmlAttribute(std::string("a\0b\x01", 4)), "ab&#1;");
    const Text japanese = Sjis("表示テスト／ソ能");  // no trail byte is taken for markup
    EXPECT_EQ(EscapeOpmlAttribute(japanese), japanese);
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

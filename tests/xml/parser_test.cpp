#include <gtest/gtest.h>

#include "xml/document.h"
#include "xml/parse_limits.h"
#include "xml/tag_scan.h"

namespace varlo {
namespace {

const CMXMLElement& ElementAt(const CMXMLNode& parent, int i) {
    const CMXMLNode* node = parent.GetChildNodes().Item(i);
    EXPECT_NE(node, nullptr);
    EXPECT_EQ(node->GetNodeType(), kElementNode);
    return *static_cast<const CMXMLElement*>(node);
}

std::vector<std::string> ChildNames(const CMXMLNode& parent) {
    std::vector<std::string> names;
    for (const CMXMLNode* child : parent.GetChildNodes()) names.push_back(child->GetNodeName());
    return names;
}

using Names = std::vector<std::string>;

TEST(XmlParserNesting, MixedContentGivesTextElementText) {
    const CMXMLElement e("<r>a<b>c</b>d</r>");
    EXPECT_EQ(ChildNames(e), (Names{"#text", "b", "#text"}));
    EXPECT_EQ(e.GetLastChild()->GetPreviousSibling(), e.GetChildNodes().Item(1));
    EXPECT_EQ(ElementAt(e, 1).GetText(), "c");
}

TEST(XmlParserNesting, LineBreaksBetweenElementsBecomeTextNodes) {
    const CMXMLElement e("<r>\r\n\t<a/>\n</r>");
    ASSERT_EQ(e.GetChildNodes().GetCount(), 3);
    EXPECT_EQ(e.GetFirstChild()->GetNodeValue(), "\r\n\t");
    EXPECT_EQ(e.GetLastChild()->GetNodeValue(), "\n");
}

TEST(XmlParserNesting, SelfClosingAndEmptyElementsDifferInTheEndTagFlag) {
    const CMXMLElement br("<br/>");
    EXPECT_EQ(br.NodeName(), "br");
    EXPECT_FALSE(br.HasChildNodes());
    EXPECT_FALSE(br.HasEndTag());
    const CMXMLElement x("<x></x>");
    EXPECT_FALSE(x.HasChildNodes());
    EXPECT_TRUE(x.HasEndTag());
}

TEST(XmlParserNesting, SameNameNestsInside) {
    const CMXMLElement e("<r><a>x<a>y</a>z</a></r>");
    const CMXMLElement& outer = ElementAt(e, 0);
    EXPECT_EQ(ChildNames(outer), (Names{"#text", "a", "#text"}));
    EXPECT_EQ(outer.GetText(), "xyz");
}

TEST(XmlParserNesting, AnOpeningThatOnlyBeginsWithTheNameCountsAsNested) {
    const CMXMLElement selfClosing("<r><item><items/></item></r>");
    EXPECT_EQ(ChildNames(selfClosing), (Names{"item"}));
    EXPECT_EQ(ChildNames(ElementAt(selfClosing, 0)), (Names{"items"}));

    const CMXMLElement open("<r><item><items>1</items></item></r>");
    EXPECT_EQ(ChildNames(open), (Names{"item", "items", "/item"}));
    EXPECT_FALSE(ElementAt(open, 0).HasEndTag());
    EXPECT_FALSE(ElementAt(open, 0).HasChildNodes());
}

TEST(XmlParserNesting, NameFollowedByALineBreakIsMatchedWithItsEndTag) {
    // Such an element used to lose its content to a stray "/a" sibling.
    const CMXMLElement e("<r><a\r\nx=\"1\">t</a></r>");
    ASSERT_EQ(e.GetChildNodes().GetCount(), 1);
    EXPECT_EQ(ElementAt(e, 0).GetText(), "t");
    EXPECT_EQ(ElementAt(e, 0).GetAttribute("x"), "1");
}

TEST(XmlParserNesting, EndTagsWithWhiteSpaceBeforeTheirCloseCloseTheirElement) {
    const CMXMLElement e(
        "<r><link>http://a/</link\n><title >t</title ><x><x>in</x \t></x\r\n></r>");
    EXPECT_EQ(ChildNames(e), (Names{"link", "title", "x"}));
    EXPECT_EQ(ElementAt(e, 0).GetText(), "http://a/");
    EXPECT_TRUE(ElementAt(e, 0).HasEndTag());
    EXPECT_EQ(ElementAt(e, 1).GetText(), "t");
    EXPECT_EQ(ChildNames(ElementAt(e, 2)), (Names{"x"}));
    EXPECT_EQ(ElementAt(e, 2).GetText(), "in");
    // A longer name is no end tag of the shorter one.
    const CMXMLElement longer("<r><a>1</ab ></a></r>");
    EXPECT_EQ(ChildNames(ElementAt(longer, 0)), (Names{"#text", "/ab"}));
}

TEST(XmlParserNesting, EndTagOfOtherCaseDropsTheContent) {
    const CMXMLElement e("<r><a>t</A></r>");
    const CMXMLElement& a = ElementAt(e, 0);
    EXPECT_FALSE(a.HasChildNodes());
    EXPECT_FALSE(a.HasEndTag());
    EXPECT_EQ(e.GetChildNodes().GetCount(), 1);
}

TEST(XmlParserNesting, StrayEndTagBecomesAnElementNamedWithASlash) {
    const CMXMLElement e("<r>x</y>z</r>");
    EXPECT_EQ(ChildNames(e), (Names{"#text", "/y", "#text"}));
}

TEST(XmlParserNesting, UnclosedElementIsReducedToItsStartTagAndItsContentFollows) {
    const CMXMLElement e("<r><p>one<b>two</b></r>");
    EXPECT_EQ(ChildNames(e), (Names{"p", "#text", "b"}));
    EXPECT_FALSE(ElementAt(e, 0).HasEndTag());
}

TEST(XmlParserNesting, DeepNestingIsCappedAndKeptAsText) {
    std::string markup;
    const int levels = 100000;
    for (int i = 0; i < levels; ++i) markup += "<d>";
    markup += "x";
    for (int i = 0; i < levels; ++i) markup += "</d>";
    const CMXMLElement root(markup);
    int depth = 1;
    const CMXMLNode* node = &root;
    while (node->GetFirstChild() && node->GetFirstChild()->GetNodeType() == kElementNode) {
        node = node->GetFirstChild();
        ++depth;
    }
    EXPECT_EQ(depth, kMaxParseDepth);
    ASSERT_NE(node->GetFirstChild(), nullptr);
    const std::string_view kept = node->GetFirstChild()->NodeValue();
    EXPECT_TRUE(kept.starts_with("<d>"));
    EXPECT_NE(kept.find('x'), std::string_view::npos);
}

TEST(XmlParserNesting, ManySelfClosingChildrenParseIntoSiblings) {
    std::string markup = "<r>";
    for (int i = 0; i < 10000; ++i) markup += "<e/><f a=\"1\"/>";
    markup += "</r>";
    const CMXMLElement root(markup);
    EXPECT_EQ(root.GetChildNodes().GetCount(), 20000);
    EXPECT_EQ(ElementAt(root, 19999).GetAttribute("a"), "1");
}

TEST(XmlParserNesting, SelfClosingTagWithAttributesTakesInSiblingsUpToALaterEndTag) {
    const CMXMLElement e("<r><a x=\"1\"/><b/></a></r>");
    ASSERT_EQ(e.GetChildNodes().GetCount(), 1);
    EXPECT_EQ(ChildNames(ElementAt(e, 0)), (Names{"b"}));
}

TEST(XmlParserTags, PercentTagsTakeTheirTrimmedInsideAsName) {
    const CMXMLElement e("<%= x %>");
    EXPECT_EQ(e.NodeName(), "= x");
    EXPECT_EQ(e.GetAttributeCount(), 0);
}

TEST(XmlParserTags, MarkupWithoutATagBecomesATextChild) {
    const CMXMLElement e("plain words");
    EXPECT_EQ(e.NodeName(), "");
    EXPECT_EQ(e.GetText(), "plain words");
}

TEST(XmlParserTags, NoEndTagSearchNeededForATagWithoutClosingBracket) {
    const CMXMLElement e("<r>a<b c</r>");
    EXPECT_EQ(e.GetText().substr(0, 1), "a");
}

TEST(XmlParserTags, ContentWithALoneOpeningBracketEndsWithTheRestAsText) {
    CMXMLElement e;
    e.SetNodeName("e");
    e.SetNodeValue("a<bcd");
    EXPECT_EQ(e.GetText(), "a<bcd");
}

TEST(XmlParserAttributes, BareQuotedAndUnquotedValuesInOrder) {
    const CMXMLElement e("<t flag a=\"x y\" b='1 2' c=bare>");
    ASSERT_EQ(e.GetAttributeCount(), 4);
    EXPECT_EQ(e.GetAttributeAt(0).NodeName(), "flag");
    EXPECT_EQ(e.GetAttributeAt(0).NodeValue(), "");
    EXPECT_EQ(e.GetAttribute("a"), "x y");
    EXPECT_EQ(e.GetAttribute("b"), "1 2");
    EXPECT_EQ(e.GetAttribute("c"), "bare");
}

TEST(XmlParserAttributes, SpacesAroundEqualsAndTheOtherQuoteInside) {
    const CMXMLElement e("<t a = \"it's\" b='say \"hi'>");
    EXPECT_EQ(e.GetAttribute("a"), "it's");
    EXPECT_EQ(e.GetAttribute("b"), "say \"hi");
}

TEST(XmlParserAttributes, SingleQuotedValueEndingInADoubleQuoteKeepsIt) {
    // The double quote used to be stripped with the single quotes, changing the value.
    const CMXMLElement e("<t b='x\"' c='\"' d=\"'y'\">");
    EXPECT_EQ(e.GetAttribute("b"), "x\"");
    EXPECT_EQ(e.GetAttribute("c"), "\"");
    EXPECT_EQ(e.GetAttribute("d"), "'y'");
    // Written back in the quotes that keep it whole, it reads the same again.
    EXPECT_EQ(e.GetStartTag(), "<t b='x\"' c='\"' d=\"'y'\" />");
    const CMXMLElement again(e.GetStartTag());
    EXPECT_EQ(again.GetAttribute("b"), "x\"");
}

TEST(XmlParserAttributes, TabBeforeEqualsStaysInTheName) {
    const CMXMLElement e("<t a\t=\"1\">");
    EXPECT_EQ(e.FindAttribute("a"), -1);
    EXPECT_EQ(e.GetAttributeAt(0).NodeName(), "a\t");
}

TEST(XmlParserAttributes, BareValueEndsOnlyAtASpace) {
    const CMXMLElement e("<t a=1\tb=2 c=3>");
    EXPECT_EQ(e.GetAttribute("a"), "1\tb=2");
    EXPECT_EQ(e.GetAttribute("c"), "3");
}

TEST(XmlParserAttributes, GreaterThanInsideAQuotedValueStaysInTheValue) {
    // It used to end the tag there, so that the entry vanished from a subscription file.
    const CMXMLElement e("<r><t a=\"x>y\" b='>>' c=\"1\">z</t><u v=\"a>b\"/><w/></r>");
    EXPECT_EQ(ChildNames(e), (Names{"t", "u", "w"}));
    const auto& t = ElementAt(e, 0);
    EXPECT_EQ(t.GetAttribute("a"), "x>y");
    EXPECT_EQ(t.GetAttribute("c"), "1");
    EXPECT_EQ(t.GetText(), "z");
    EXPECT_EQ(ElementAt(e, 1).GetAttribute("v"), "a>b");
    EXPECT_FALSE(ElementAt(e, 1).HasChildNodes());
}

TEST(XmlParserAttributes, AQuoteThatIsNeverClosedBeforeTheNextTagDoesNotSwallowIt) {
    const CMXMLElement e("<r><t a=\"x>y</t><u/><p don't>q</p></r>");
    EXPECT_EQ(ChildNames(e), (Names{"t", "u", "p"}));
    EXPECT_EQ(ElementAt(e, 0).GetAttribute("a"), "x");
    EXPECT_EQ(ElementAt(e, 2).GetText(), "q");
}

TEST(XmlParserAttributes, ABareOneLetterNameIsKeptOnce) {
    const CMXMLElement e("<r><e n/><f a=\"1\" n/></r>");
    EXPECT_EQ(ElementAt(e, 0).GetAttributeCount(), 1);
    EXPECT_EQ(ElementAt(e, 0).GetAttributeAt(0).NodeName(), "n");
    EXPECT_EQ(ElementAt(e, 1).GetAttributeCount(), 2);
    EXPECT_EQ(ElementAt(e, 1).GetXML(), "<f a=\"1\" n />");
}

TEST(XmlParserAttributes, AtMostAThousandAttributesAreKeptOnATagAndTheLimitIsNoted) {
    std::string tag = "<t";
    for (int i = 0; i < 1500; ++i)
        tag += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    tag += " last/>";
    {
        ParseLimitWatch watch;
        const CMXMLElement e(tag);
        EXPECT_EQ(e.GetAttributeCount(), 1000);
        EXPECT_EQ(e.GetAttribute("a999"), "999");
        EXPECT_EQ(e.FindAttribute("a1000"), -1);
        EXPECT_TRUE(watch.Reached());
    }
    ParseLimitWatch quiet;
    const CMXMLElement small("<t a=\"1\"/>");
    EXPECT_FALSE(quiet.Reached());
}

TEST(XmlParserAttributes, AFinalOneLetterNameAfterAnotherAttributeIsKept) {
    const CMXMLElement e("<t a=\"1\" b>");
    EXPECT_EQ(e.FindAttribute("b"), 1);
}

TEST(XmlParserSpecialNodes, EmptyCommentAndEmptyCdata) {
    const CMXMLElement e("<r><!----><![CDATA[]]></r>");
    EXPECT_EQ(ChildNames(e), (Names{"#comment", "#cdata-section"}));
    EXPECT_EQ(e.GetFirstChild()->NodeValue(), "");
    EXPECT_EQ(e.GetLastChild()->NodeValue(), "");
}

TEST(XmlParserSpecialNodes, UnterminatedCommentKeepsWhatCameBefore) {
    CMXMLElement e;
    e.SetNodeName("e");
    e.SetNodeValue("a<b/><!-- never closed <c>x</c>");
    EXPECT_EQ(ChildNames(e), (Names{"#text", "b"}));
    e.SetNodeValue("a<![CDATA[ never closed");
    EXPECT_EQ(ChildNames(e), (Names{"#text"}));
}

TEST(XmlParserSpecialNodes, ShortCommentLikeTextIsReadAsAnElement) {
    CMXMLElement e;
    e.SetNodeName("e");
    e.SetNodeValue("<!-->");
    EXPECT_EQ(ChildNames(e), (Names{"!--"}));
}

TEST(XmlParserSpecialNodes, CdataKeepsMarkupAndReferencesStayText) {
    const CMXMLElement e("<r><![CDATA[<b>&amp;</b>]]>&lt;</r>");
    EXPECT_EQ(e.GetText(), "<b>&amp;</b>&lt;");
}

TEST(XmlParserEndTags, FindEndTagSkipsNestedOpeningsAndIgnoresCase) {
    EXPECT_EQ(FindEndTag(">x<a>y</a></A>", "a"), 10);
    EXPECT_EQ(FindEndTag(">x<a/></a>", "a"), 6);
    EXPECT_EQ(FindEndTag(">nothing", "a"), -1);
    // A mismatching "<" is not tried again as the start of a tag.
    EXPECT_EQ(FindEndTag("><</a>", "a"), -1);
    EXPECT_EQ(FindEndTag("> </a>", "a"), 2);
}

TEST(XmlParserDoubleByte, ShiftJisTextWithBracketLikeTrailBytesIsKept) {
    // 0x83 0x5C ("ソ") and 0x83 0x7C have ASCII-looking trail bytes.
    const std::string text = "<r>\x83\x5C\x83\x7C</r>";
    const CMXMLElement e(text);
    EXPECT_EQ(e.GetText(), "\x83\x5C\x83\x7C");
}

}  // namespace
}  // namespace varlo

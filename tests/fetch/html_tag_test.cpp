#include "fetch/html_tag.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

std::vector<std::pair<std::string, std::string>> Attributes(const CHtmlTag& tag) {
    std::vector<std::pair<std::string, std::string>> list;
    for (const auto& a : tag.m_attributes) list.emplace_back(a.m_strName, a.m_strValue);
    return list;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(HtmlTagParsing, SplitsAFeedLinkIntoNameAndAttributes) {
    const CHtmlTag tag(
        "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"RSS 2.0\" href=\"/feed\">");
    EXPECT_EQ(tag.m_strName, "link");
    EXPECT_EQ(Attributes(tag), (Pairs{{"rel", "alternate"},
                                      {"type", "application/rss+xml"},
                                      {"title", "RSS 2.0"},
                                      {"href", "/feed"}}));
    EXPECT_FALSE(tag.m_bEmptyTag);
}

TEST(HtmlTagParsing, FindsAttributesWithoutRegardToCase) {
    const CHtmlTag tag("<LINK REL=\"Alternate\" TYPE=\"APPLICATION/RSS+XML\" HREF=\"a.rdf\">");
    EXPECT_EQ(tag.GetAttribute("rel"), "Alternate");
    EXPECT_EQ(tag.GetAttribute("href"), "a.rdf");
    EXPECT_EQ(tag.GetAttribute("missing"), "");
}

TEST(HtmlTagParsing, StripsSingleQuotesAndEndsUnquotedValuesAtASpace) {
    const CHtmlTag tag("<link rel='alternate' href=atom.xml type = 'a b=c'>");
    EXPECT_EQ(Attributes(tag),
              (Pairs{{"rel", "alternate"}, {"href", "atom.xml"}, {"type", "a b=c"}}));
}

TEST(HtmlTagParsing, ReadsAnEmptyTagLikeAnyOther) {
    const CHtmlTag tag("<link rel=\"alternate\" href=\"x.xml\" />");
    EXPECT_TRUE(tag.m_bEmptyTag);
    EXPECT_EQ(tag.GetAttribute("href"), "x.xml");
    const CHtmlTag unquoted("<link href=x.xml/>");
    EXPECT_TRUE(unquoted.m_bEmptyTag);
    EXPECT_EQ(unquoted.GetAttribute("href"), "x.xml");
}

TEST(HtmlTagParsing, KeepsNamesWithoutValues) {
    const CHtmlTag tag("<input disabled checked=\"checked\" readonly x>");
    EXPECT_EQ(Attributes(tag), (Pairs{{"disabled", ""}, {"checked", "checked"}, {"readonly", ""}}));
}

TEST(HtmlTagParsing, TakesAPercentTagAsANameOnly) {
    const CHtmlTag tag("<% include x %>");
    EXPECT_TRUE(tag.m_bPercent);
    EXPECT_EQ(tag.m_strName, "include x");
    EXPECT_TRUE(tag.m_attributes.empty());
}

TEST(HtmlTagParsing, GluesTheFirstAttributeToANameFollowedByALineBreak) {
    const CHtmlTag tag("<link\nrel=\"alternate\" href=\"x\">");
    EXPECT_EQ(tag.m_strName, "link\nrel=\"alternate\"");
    EXPECT_EQ(tag.GetAttribute("rel"), "");
    EXPECT_EQ(tag.GetAttribute("href"), "x");
}

TEST(HtmlTagParsing, GivesNothingForTextWithoutATag) {
    for (const char* text : {"", "no tag", "<>", "<unclosed", "> <"}) {
        const CHtmlTag tag(text);
        EXPECT_EQ(tag.m_strName, "") << text;
        EXPECT_TRUE(tag.m_attributes.empty()) << text;
    }
}

TEST(HtmlAttribute, StripsSingleQuotesBeforeDoubleOnes) {
    CHtmlElement element;
    element.SetValue("'\"value\"'");
    EXPECT_EQ(element.m_strValue, "value");
    element.SetValue("\"'value'\"");
    EXPECT_EQ(element.m_strValue, "'value'");
    element.m_strName = "n";
    element.Clear();
    EXPECT_TRUE(element.IsEmpty());
}

}  // namespace
}  // namespace varlo

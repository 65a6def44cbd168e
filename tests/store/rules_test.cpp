#include "store/rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varlo {
namespace {

Rule OneCondition(RuleField field, RuleTest test, std::string value,
                  RuleAction action = RuleAction::kHide) {
    Rule rule;
    rule.name = "r";
    rule.conditions.push_back({field, test, std::move(value)});
    rule.action = action;
    return rule;
}

bool Holds(const Rule& rule, const RuleArticle& article) {
    RuleSet set({rule});
    return !set.Empty() && set.Holds(0, article);
}

bool TitleHolds(const std::string& words, std::string_view title) {
    return Holds(OneCondition(RuleField::kTitle, RuleTest::kContains, words),
                 RuleArticle{title, {}, {}, {}, {}});
}

TEST(Rules, ContainsFoldsWidthsAccentsAndCaseButKeepsKanaApart) {
    EXPECT_TRUE(TitleHolds("abc", "ＡＢＣ の発表"));
    EXPECT_TRUE(TitleHolds("ＡＢＣ", "abc news"));
    EXPECT_TRUE(TitleHolds("カメラ", "新しいｶﾒﾗが出た"));
    EXPECT_TRUE(TitleHolds("ｶﾞｲﾄﾞ", "旅行ガイド"));
    EXPECT_TRUE(TitleHolds("cafe", "Le CAFÉ du coin"));
    EXPECT_TRUE(TitleHolds("Straße", "STRASSE gesperrt"));
    EXPECT_FALSE(TitleHolds("かめら", "カメラ"));
    EXPECT_FALSE(TitleHolds("カイド", "ガイド"));
}

TEST(Rules, ContainsFindsLatinWordsByTheirBeginningsAndJapaneseByAnySubstring) {
    EXPECT_TRUE(TitleHolds("sponsor", "A Sponsored post"));
    EXPECT_FALSE(TitleHolds("ponsor", "A Sponsored post"));
    EXPECT_TRUE(TitleHolds("広告", "【PR】記事広告です"));
    EXPECT_TRUE(TitleHolds("事広", "【PR】記事広告です"));
    // Every word given must be there, as in the search box.
    EXPECT_TRUE(TitleHolds("deal week", "Weekly deals"));
    EXPECT_FALSE(TitleHolds("deal month", "Weekly deals"));
    // A phrase in quotes is whole words in order.
    EXPECT_FALSE(TitleHolds("\"deal week\"", "Weekly deals"));
}

TEST(Rules, EachFieldReadsItsOwnTextAndTheTextIsReadAsItsHtmlShowsIt) {
    const RuleArticle article{"Title here", "<p>Body <b>te</b>xt &amp; more</p>",
                              "https://example.com/deals/1", "Jane Roe", "Shopping"};
    auto holds = [&](RuleField field, RuleTest test, const char* value) {
        return Holds(OneCondition(field, test, value), article);
    };
    EXPECT_TRUE(holds(RuleField::kText, RuleTest::kContains, "text"));
    EXPECT_FALSE(holds(RuleField::kTitle, RuleTest::kContains, "text"));
    EXPECT_TRUE(holds(RuleField::kTitleOrText, RuleTest::kContains, "title more"));
    EXPECT_TRUE(holds(RuleField::kLink, RuleTest::kMatches, "/deals/"));
    EXPECT_TRUE(holds(RuleField::kAuthor, RuleTest::kContains, "roe"));
    EXPECT_TRUE(holds(RuleField::kCategory, RuleTest::kNotContains, "news"));
    EXPECT_FALSE(holds(RuleField::kCategory, RuleTest::kNotContains, "shop"));
    EXPECT_TRUE(holds(RuleField::kText, RuleTest::kMatches, "text & more"));
    EXPECT_TRUE(holds(RuleField::kTitle, RuleTest::kMatches, "^title"));

    // Every condition must hold.
    Rule both = OneCondition(RuleField::kTitle, RuleTest::kContains, "title");
    both.conditions.push_back({RuleField::kAuthor, RuleTest::kContains, "doe"});
    EXPECT_FALSE(Holds(both, article));
    both.conditions.back().value = "jane";
    EXPECT_TRUE(Holds(both, article));
}

TEST(Rules, ABadExpressionIsExplainedAndSuchARuleCannotBeSaved) {
    EXPECT_EQ(RegexError("a(b"),
              "正規表現が正しくありません: missing closing parenthesis（4 バイト目）");
    EXPECT_TRUE(RegexError("a(b)").empty());
    EXPECT_EQ(RuleError(OneCondition(RuleField::kTitle, RuleTest::kMatches, "[")), RegexError("["));
    EXPECT_FALSE(RuleError(OneCondition(RuleField::kTitle, RuleTest::kContains, " ・、")).empty());
    EXPECT_FALSE(RuleError(Rule{}).empty());
    Rule site = OneCondition(RuleField::kTitle, RuleTest::kContains, "x");
    site.scope = RuleScope::kSite;
    EXPECT_FALSE(RuleError(site).empty());
    // A rule that cannot be saved is never run.
    EXPECT_TRUE(RuleSet({OneCondition(RuleField::kTitle, RuleTest::kMatches, "(")}).Empty());
}

TEST(Rules, ACatastrophicExpressionStopsAtItsLimitAsNoMatchWithOneMessagePerRun) {
    Rule rule = OneCondition(RuleField::kText, RuleTest::kMatches, "(a+)+$");
    rule.name = "重い";
    RuleSet set({rule});
    const std::string text(100 * 1024, 'a');
    const std::string html = text + "!";
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(set.Evaluate(RuleArticle{{}, html, {}, {}, {}}, {}).hide);
    }
    const std::vector<std::string> messages = set.TakeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("「重い」"), std::string::npos);
    EXPECT_TRUE(set.TakeMessages().empty());
    // The same expression still finds what it can find quickly.
    EXPECT_TRUE(set.Evaluate(RuleArticle{{}, "aaa", {}, {}, {}}, {}).hide);
}

TEST(Rules, ScopesActionsAndTheEnabledFlagDecideWhatASetDoes) {
    Rule hideAds = OneCondition(RuleField::kTitle, RuleTest::kContains, "ad");
    Rule starSite = OneCondition(RuleField::kTitle, RuleTest::kContains, "ad", RuleAction::kStar);
    starSite.scope = RuleScope::kSite;
    starSite.scopeValue = "https://a.example/feed";
    Rule readTech =
        OneCondition(RuleField::kTitle, RuleTest::kContains, "ad", RuleAction::kMarkRead);
    readTech.scope = RuleScope::kCategory;
    readTech.scopeValue = "Tech";
    Rule off = OneCondition(RuleField::kTitle, RuleTest::kContains, "ad", RuleAction::kNotify);
    off.enabled = false;
    RuleSet set({hideAds, starSite, readTech, off});
    EXPECT_EQ(set.Size(), 3u);
    EXPECT_TRUE(set.NeedsCategories());
    const RuleArticle ad{"An ad", {}, {}, {}, {}};
    RuleActions actions = set.Evaluate(ad, RuleSite{"https://b.example/feed", {"News"}});
    EXPECT_TRUE(actions.hide);
    EXPECT_FALSE(actions.star || actions.read || actions.notify);
    actions = set.Evaluate(ad, RuleSite{"https://a.example/feed", {"News", "Tech"}});
    EXPECT_TRUE(actions.hide && actions.star && actions.read);
    EXPECT_FALSE(actions.notify);
    EXPECT_FALSE(set.Evaluate(RuleArticle{"Nothing", {}, {}, {}, {}}, {}).Any());
}

TEST(Rules, TheWordsOfTheChoicesReadBackAsTheChoices) {
    for (auto field : {RuleField::kTitle, RuleField::kText, RuleField::kTitleOrText,
                       RuleField::kLink, RuleField::kAuthor, RuleField::kCategory}) {
        EXPECT_EQ(FieldNamed(FieldName(field)), field);
    }
    for (auto action :
         {RuleAction::kHide, RuleAction::kMarkRead, RuleAction::kStar, RuleAction::kNotify}) {
        EXPECT_EQ(ActionNamed(ActionName(action)), action);
    }
    EXPECT_EQ(TestNamed("not_contains"), RuleTest::kNotContains);
    EXPECT_EQ(ScopeNamed("category"), RuleScope::kCategory);
    EXPECT_FALSE(FieldNamed("body").has_value());
}

}  // namespace
}  // namespace varlo

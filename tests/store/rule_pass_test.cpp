#include "store/rule_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/library.h"
#include "store/rule_store.h"
#include "support/test_support.h"

namespace varlo {
namespace {

constexpr int64_t kT0 = 1700000000;

Rule TitleRule(RuleTest test, const std::string& value, RuleAction action = RuleAction::kHide) {
    Rule rule;
    rule.name = value;
    rule.conditions.push_back({RuleField::kTitle, test, value});
    rule.action = action;
    return rule;
}

class RulePass : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
        // Sixty articles, every third about cameras; the newest has the highest number.
        std::vector<LibraryArticle> articles;
        for (int i = 0; i < 60; ++i) {
            LibraryArticle article;
            article.key = "k" + std::to_string(i);
            article.title = i % 3 == 0 ? "新型カメラ " + std::to_string(i) : "ニュース";
            article.link = "https://example.com/" + std::to_string(i);
            article.date = kT0 + i;
            article.html = i % 4 == 0 ? "<p>Sponsored <b>content</b></p>" : "<p>text</p>";
            article.serverId = "tag:item/" + std::to_string(i);
            articles.push_back(article);
        }
        ASSERT_EQ(m_library.RecordServerArticles({ServerArticles{"u", articles}}, kT0 + 100), 60);
    }
    int64_t IdOf(int i) { return m_library.FindByServerId("tag:item/" + std::to_string(i))->id; }

    test::TempDir m_dir;
    CFeedStore m_store;
    CLibrary m_library{m_store};
};

TEST_F(RulePass, ACountFindsEveryMatchAndKeepsTheNewestFirstWhicheverWayItReads) {
    // Words in titles: the search index alone answers.
    RulePassResult words = CountRuleMatches(m_store, TitleRule(RuleTest::kContains, "ｶﾒﾗ"), 3);
    EXPECT_TRUE(words.complete);
    EXPECT_EQ(words.matched, 20);
    EXPECT_EQ(words.first, (std::vector<int64_t>{IdOf(57), IdOf(54), IdOf(51)}));
    // An expression reads every article; "does not contain" too.
    RulePassResult regex =
        CountRuleMatches(m_store, TitleRule(RuleTest::kMatches, "カメラ 5\\d"), 20);
    EXPECT_EQ(regex.matched, 3);
    EXPECT_EQ(regex.examined, 60);
    EXPECT_EQ(regex.first, (std::vector<int64_t>{IdOf(57), IdOf(54), IdOf(51)}));
    Rule text = TitleRule(RuleTest::kNotContains, "カメラ");
    text.conditions.push_back({RuleField::kText, RuleTest::kContains, "sponsored content"});
    EXPECT_EQ(CountRuleMatches(m_store, text, 0).matched, 10);
    // The scope counts.
    text.scope = RuleScope::kSite;
    text.scopeValue = "elsewhere";
    EXPECT_EQ(CountRuleMatches(m_store, text, 0).matched, 0);

    // An expression over the text reads the whole article where one was kept, as the search.
    Rule whole;
    whole.name = "whole";
    whole.conditions.push_back({RuleField::kText, RuleTest::kMatches, "吊り橋の点検"});
    EXPECT_EQ(CountRuleMatches(m_store, whole, 0).matched, 0);
    ASSERT_TRUE(m_library.SetFullText(IdOf(7), "<p>市は吊り橋の点検を始めた。</p>"));
    const RulePassResult found = CountRuleMatches(m_store, whole, 5);
    EXPECT_EQ(found.matched, 1);
    EXPECT_EQ(found.first, std::vector<int64_t>{IdOf(7)});
}

TEST_F(RulePass, ApplyingChangesTheLibraryQueuesMarksAndStopsWhenAsked) {
    const std::vector<Rule> rules = {
        TitleRule(RuleTest::kContains, "カメラ", RuleAction::kStar),
        TitleRule(RuleTest::kMatches, "ニュース", RuleAction::kMarkRead)};
    ASSERT_TRUE(m_library.SetStarred(IdOf(0), true));
    m_library.ClearSentMarks(m_library.TakePendingMarks());
    const RulePassResult applied = ApplyRulesToLibrary(m_store, rules);
    EXPECT_TRUE(applied.complete);
    EXPECT_EQ(applied.matched, 60);
    EXPECT_EQ(applied.changed, 59);
    EXPECT_EQ(m_library.StarredCount(), 20);
    EXPECT_EQ(m_library.UnreadTotal(), 20);
    EXPECT_EQ(m_library.TakePendingMarks().size(), 59u);

    // A stop leaves the library as the rules applied before it left it.
    int calls = 0;
    const RulePassResult stopped =
        ApplyRulesToLibrary(m_store, {TitleRule(RuleTest::kMatches, ".", RuleAction::kHide)},
                            [&](const RulePassResult&) { return ++calls < 0; });
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(m_library.HiddenCount(), 0);
}

}  // namespace
}  // namespace varlo

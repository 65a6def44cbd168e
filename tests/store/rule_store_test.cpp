#include "store/rule_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/library.h"
#include "store/schema_before_rules.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::TempDir;

Rule Named(const std::string& name, RuleAction action = RuleAction::kHide) {
    Rule rule;
    rule.name = name;
    rule.conditions.push_back({RuleField::kTitle, RuleTest::kContains, name});
    rule.action = action;
    return rule;
}

std::vector<std::string> Names(const std::vector<Rule>& rules) {
    std::vector<std::string> names;
    for (const Rule& rule : rules) names.push_back(rule.name);
    return names;
}

class RuleStore : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db"))); }
    TempDir m_dir;
    CFeedStore m_store;
    CRuleStore m_rules{m_store};
};

TEST_F(RuleStore, RulesKeepTheirOrderThroughAddsMovesEditsAndDeletes) {
    const auto a = m_rules.Add(Named("a"));
    const auto b = m_rules.Add(Named("b"));
    const auto c = m_rules.Add(Named("c"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(Names(m_rules.Rules()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(m_rules.Move(*c, -1));
    EXPECT_FALSE(m_rules.Move(*a, -1));
    EXPECT_FALSE(m_rules.Move(*b, +1));
    EXPECT_EQ(Names(m_rules.Rules()), (std::vector<std::string>{"a", "c", "b"}));
    Rule edited = m_rules.Rules()[1];
    edited.name = "c2";
    edited.enabled = false;
    edited.conditions.push_back({RuleField::kLink, RuleTest::kMatches, "/deals/"});
    ASSERT_TRUE(m_rules.Update(edited));
    EXPECT_TRUE(m_rules.Delete(*a));
    EXPECT_FALSE(m_rules.Delete(*a));
    const std::vector<Rule> rules = m_rules.Rules();
    ASSERT_EQ(Names(rules), (std::vector<std::string>{"c2", "b"}));
    EXPECT_FALSE(rules[0].enabled);
    ASSERT_EQ(rules[0].conditions.size(), 2u);
    EXPECT_EQ(rules[0].conditions[1].value, "/deals/");
    EXPECT_EQ(rules[0].conditions[1].test, RuleTest::kMatches);
    // A rule that cannot be saved is not stored, nor stored over another.
    Rule bad = Named("bad");
    bad.conditions[0] = {RuleField::kTitle, RuleTest::kMatches, "("};
    EXPECT_FALSE(m_rules.Add(bad).has_value());
    bad.id = rules[1].id;
    EXPECT_FALSE(m_rules.Update(bad));
    EXPECT_EQ(m_rules.Rules()[1].name, "b");
}

TEST_F(RuleStore, TheCompiledSetFollowsEveryChangeOfTheRules) {
    EXPECT_EQ(m_rules.Compiled(), nullptr);
    const auto a = m_rules.Add(Named("a"));
    const auto first = m_rules.Compiled();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_rules.Compiled(), first);
    Rule rule = m_rules.Rules()[0];
    rule.action = RuleAction::kStar;
    ASSERT_TRUE(m_rules.Update(rule));
    const auto second = m_rules.Compiled();
    ASSERT_NE(second, first);
    EXPECT_EQ(second->ActionOf(0), RuleAction::kStar);
    m_rules.Add(Named("b"));
    EXPECT_EQ(m_rules.Compiled()->Size(), 2u);
    m_rules.Delete(*a);
    EXPECT_EQ(m_rules.Compiled()->Size(), 1u);
}

TEST_F(RuleStore, ARuleOverASiteGoesWithTheSiteAndCategoriesAreThoseRecordedLast) {
    Rule site = Named("s");
    site.scope = RuleScope::kSite;
    site.scopeValue = "https://gone.example/feed";
    ASSERT_TRUE(m_rules.Add(site));
    ASSERT_TRUE(m_rules.Add(Named("all")));
    Rule other = site;
    other.scopeValue = "https://kept.example/feed";
    ASSERT_TRUE(m_rules.Add(other));
    EXPECT_EQ(m_rules.DeleteSiteRules("https://gone.example/feed"), 1);
    EXPECT_EQ(Names(m_rules.Rules()), (std::vector<std::string>{"all", "s"}));
    // A site given a new feed address takes its rules along, and the compiled set sees it.
    const std::shared_ptr<RuleSet> before = m_rules.Compiled();
    EXPECT_EQ(m_rules.MoveSiteRules("https://kept.example/feed", "https://moved.example/feed"), 1);
    EXPECT_EQ(m_rules.Rules()[1].scopeValue, "https://moved.example/feed");
    EXPECT_NE(m_rules.Compiled(), before);
    EXPECT_EQ(m_rules.MoveSiteRules("https://moved.example/feed", "https://kept.example/feed"), 1);
    // The store forgetting the site takes its rules too.
    ASSERT_TRUE(m_store.Touch({"https://kept.example/feed"}, 1000));
    m_store.Prune(1000 + CFeedStore::kFeedLifetime + 1);
    EXPECT_EQ(Names(m_rules.Rules()), (std::vector<std::string>{"all"}));

    ASSERT_TRUE(m_rules.SetSiteCategories({{"u", {"Tech", "News"}}, {"v", {"News"}}}));
    ASSERT_TRUE(m_rules.SetSiteCategories({{"u", {"Tech"}}}));
    EXPECT_EQ(m_rules.CategoriesOf("u"), std::vector<Text>{"Tech"});
    EXPECT_TRUE(m_rules.CategoriesOf("v").empty());
}

TEST(RuleJson, ARuleReadsBackFromItsJsonAndBadJsonSaysWhatIsWrong) {
    Rule rule = Named("広告");
    rule.id = 7;
    rule.scope = RuleScope::kCategory;
    rule.scopeValue = "Tech";
    rule.conditions.push_back({RuleField::kLink, RuleTest::kNotContains, "\"x\""});
    rule.action = RuleAction::kMarkRead;
    const std::string json = RuleToJson(rule);
    EXPECT_EQ(json,
              "{\"id\":7,\"name\":\"広告\",\"enabled\":true,\"scope\":{\"category\":\"Tech\"},"
              "\"conditions\":[{\"field\":\"title\",\"test\":\"contains\",\"value\":\"広告\"},"
              "{\"field\":\"link\",\"test\":\"not_contains\",\"value\":\"\\\"x\\\"\"}],"
              "\"action\":\"mark_read\"}");
    std::string error;
    const auto back = RuleFromJson(json, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(RuleToJson(*back), RuleToJson([&] {
                  Rule r = rule;
                  r.id = 0;
                  return r;
              }()));
    for (const char* bad :
         {"[]", "{\"conditions\":[],\"action\":\"explode\"}",
          "{\"conditions\":[{\"field\":\"body\",\"test\":\"contains\",\"value\":\"x\"}],"
          "\"action\":\"hide\"}",
          "{\"scope\":{\"planet\":\"x\"},\"conditions\":[],\"action\":\"hide\"}",
          "{\"action\":\"hide\"}"}) {
        error.clear();
        EXPECT_FALSE(RuleFromJson(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(RuleMigration, AStoreOfTheVersionBeforeRulesKeepsItsArticlesAndGetsRules) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        LibraryArticle article;
        article.key = "k";
        article.title = "t";
        ASSERT_EQ(CLibrary(store).RecordFeed("u", {}, {article}, 1700000000, true), 1);
        ASSERT_EQ(SqliteExec(store.Connection(), test::kBackBeforeRules), SQLITE_OK);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Notice().empty());
    CLibrary library(store);
    EXPECT_EQ(library.UnreadTotal(), 1);
    EXPECT_EQ(library.HiddenCount(), 0);
    CRuleStore rules(store);
    EXPECT_TRUE(rules.Add(Named("t")).has_value());
}

}  // namespace
}  // namespace varlo

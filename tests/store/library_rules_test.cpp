// Rules as articles enter the library: by a feed (an update or a chosen site) and by a sync.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/library.h"
#include "store/rule_store.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::TempDir;

constexpr int64_t kT0 = 1700000000;

LibraryArticle Article(const std::string& key, const std::string& title, int64_t date,
                       const std::string& serverId = {}) {
    LibraryArticle article;
    article.key = key;
    article.title = title;
    article.link = "https://example.com/" + key;
    article.date = date;
    article.html = "<p>text of " + key + "</p>";
    article.serverId = serverId;
    return article;
}

std::vector<std::string> Keys(const std::vector<LibraryRow>& rows) {
    std::vector<std::string> keys;
    for (const LibraryRow& row : rows) keys.push_back(row.key);
    return keys;
}

class LibraryRules : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
        AddRule("PR", RuleAction::kHide);
        AddRule("deal", RuleAction::kMarkRead);
        AddRule("release", RuleAction::kStar);
    }
    void AddRule(const std::string& words, RuleAction action) {
        Rule rule;
        rule.name = words;
        rule.conditions.push_back({RuleField::kTitle, RuleTest::kContains, words});
        rule.action = action;
        ASSERT_TRUE(m_rules.Add(rule).has_value());
    }
    std::vector<std::string> ViewKeys(const LibraryView& view) {
        return Keys(m_library.Page(view, 0, 100));
    }

    TempDir m_dir;
    CFeedStore m_store;
    CRuleStore m_rules{m_store};
    CLibrary m_library{m_store};
};

TEST_F(LibraryRules, ArticlesFromAFeedAreHiddenReadOrStarredBeforeTheyAreCounted) {
    ASSERT_EQ(
        m_library.RecordFeed(
            "u", {},
            {Article("a", "【PR】 sponsored", kT0 + 4), Article("b", "Big deals today", kT0 + 3),
             Article("c", "New release 2.0", kT0 + 2), Article("d", "Plain news", kT0 + 1)},
            kT0 + 10, true),
        4);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(m_library.UnreadTotal(), 2);
    EXPECT_EQ(m_library.UnreadCounts(), (std::map<Text, int64_t>{{"u", 2}}));
    EXPECT_EQ(m_library.UnreadCount("u"), 2);
    EXPECT_EQ(ViewKeys(LibraryView::Starred()), std::vector<std::string>{"c"});
    EXPECT_EQ(ViewKeys(LibraryView::Hidden()), std::vector<std::string>{"a"});
    EXPECT_EQ(m_library.HiddenCount(), 1);
    EXPECT_TRUE(m_library.Search("sponsored").empty());
    // The site's own list still holds every article, the hidden one marked so.
    const std::vector<LibraryRow> site = m_library.Page(LibraryView::Site("u"), 0, 10);
    ASSERT_EQ(Keys(site), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_TRUE(site[0].hidden);
    EXPECT_FALSE(site[0].read);
    EXPECT_TRUE(site[1].read);
    EXPECT_FALSE(site[3].hidden);

    // Rules run on new articles only: one the user brought back stays as the user left it.
    ASSERT_TRUE(m_library.SetHidden(site[0].id, false));
    ASSERT_TRUE(m_library.SetRead(site[1].id, false));
    EXPECT_EQ(m_library.RecordFeed("u", {},
                                   {Article("a", "【PR】 sponsored", kT0 + 4),
                                    Article("b", "Big deals today", kT0 + 3)},
                                   kT0 + 20, true),
              0);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(m_library.HiddenCount(), 0);
    // Marking a hidden article unread keeps it out of the unread view.
    ASSERT_TRUE(m_library.SetHidden(site[3].id, true));
    ASSERT_TRUE(m_library.SetRead(site[3].id, true));
    ASSERT_TRUE(m_library.SetRead(site[3].id, false));
    EXPECT_EQ(m_library.UnreadTotal(), 3);
}

TEST_F(LibraryRules, WhatAnUpdateTellsOfLeavesHiddenAndReadArticlesOutAndNamesEachNotifyingRule) {
    AddRule("Tokyo", RuleAction::kNotify);
    AddRule("weather", RuleAction::kNotify);
    ASSERT_EQ(m_library.RecordFeed("u", {}, {Article("old", "Tokyo before", kT0)}, kT0, true), 1);
    const int64_t mark = m_library.LastArticleId();
    ASSERT_EQ(m_library.RecordFeed(
                  "u", {},
                  {Article("a", "【PR】 Tokyo sale", kT0 + 5), Article("b", "Tokyo deal", kT0 + 4),
                   Article("c", "Tokyo weather", kT0 + 3), Article("d", "Tokyo tower", kT0 + 2),
                   Article("old", "Tokyo before", kT0)},
                  kT0 + 10, true),
              4);
    // Hidden (a) and marked read (b) by rules: not news the user is told of.
    std::vector<std::string> brought;
    for (const auto& [id, url] : m_library.UnreadAfter(mark)) {
        brought.push_back(m_library.Rows({id})[0].key);
    }
    EXPECT_EQ(brought, (std::vector<std::string>{"d", "c"}));

    // A notifying rule names what it matched of this update, hidden or read alike; the first
    // rule that holds takes the article, and an article kept before is not this update's.
    const std::vector<CLibrary::RuleMatches> matches = m_library.RuleMatchesAfter(mark, 2);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].rule, "Tokyo");
    EXPECT_EQ(matches[0].count, 4);
    ASSERT_EQ(matches[0].newest.size(), 2u);
    EXPECT_EQ(m_library.Rows({matches[0].newest[0]})[0].key, "d");
    EXPECT_TRUE(m_library.RuleMatchesAfter(m_library.LastArticleId(), 5).empty());

    // A search with a limit fills it with shown articles when a hidden one matches first.
    const std::vector<int64_t> found = m_library.Search("Tokyo", 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(m_library.Rows(found)[0].key, "a");
}

TEST_F(LibraryRules, MarksRulesMakeOnSyncedArticlesGoToTheServerLikeTheUsersOwn) {
    ServerArticles fresh{"u",
                         {Article("s1", "Big deals", kT0 + 1, "tag:item/1"),
                          Article("s2", "A release", kT0 + 2, "tag:item/2"),
                          Article("s3", "PR piece", kT0 + 3, "tag:item/3"),
                          Article("s4", "Nothing", kT0 + 4, "tag:item/4")}};
    ASSERT_EQ(m_library.RecordServerArticles({fresh}, kT0 + 10), 4);
    std::vector<PendingMark> marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].serverId, "tag:item/1");
    EXPECT_TRUE(marks[0].read && marks[0].readChanged && !marks[0].starredChanged);
    EXPECT_EQ(marks[1].serverId, "tag:item/2");
    EXPECT_TRUE(marks[1].starred && marks[1].starredChanged && !marks[1].readChanged);
    EXPECT_EQ(ViewKeys(LibraryView::Hidden()), std::vector<std::string>{"s3"});
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"s4", "s2"}));
}

TEST_F(LibraryRules, RulesOverACategoryOrASiteTouchOnlyTheirSites) {
    Rule site;
    site.name = "site";
    site.scope = RuleScope::kSite;
    site.scopeValue = "v";
    site.conditions.push_back({RuleField::kTitle, RuleTest::kContains, "plain"});
    ASSERT_TRUE(m_rules.Add(site));
    Rule category = site;
    category.scope = RuleScope::kCategory;
    category.scopeValue = "Tech";
    category.conditions[0].value = "gadget";
    ASSERT_TRUE(m_rules.Add(category));
    ASSERT_TRUE(m_rules.SetSiteCategories({{"w", {"Tech"}}}));
    for (const char* url : {"u", "v", "w"}) {
        const std::string k = url;
        ASSERT_EQ(m_library.RecordFeed(
                      url, {}, {Article(k + "1", "plain", kT0), Article(k + "2", "gadget", kT0)},
                      kT0, true),
                  2);
    }
    EXPECT_EQ(ViewKeys(LibraryView::Hidden()), (std::vector<std::string>{"w2", "v1"}));
}

}  // namespace
}  // namespace varlo

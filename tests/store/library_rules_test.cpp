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

namespace varlo {
namespace {

// Several feeds recorded in one transaction meet the rules as each would alone: the rules' marks
// go through the library's marks, the hidden ones stay out of every count, and each site's scope
// is looked up for its own articles.
TEST_F(LibraryRules, FeedsRecordedTogetherMeetTheRulesSiteBySite) {
    Rule onlyB;
    onlyB.name = "b only";
    onlyB.scope = RuleScope::kSite;
    onlyB.scopeValue = "b";
    onlyB.conditions.push_back({RuleField::kTitle, RuleTest::kContains, "news"});
    onlyB.action = RuleAction::kMarkRead;
    ASSERT_TRUE(m_rules.Add(onlyB).has_value());
    const std::vector<LibraryArticle> a = {Article("a1", "PR sale", kT0 + 1),
                                           Article("a2", "deal today", kT0 + 2),
                                           Article("a3", "news of a", kT0 + 3)};
    const std::vector<LibraryArticle> b = {Article("b1", "release 2", kT0 + 4),
                                           Article("b2", "news of b", kT0 + 5)};
    std::vector<CLibrary::FeedDownload> downloads = {{"a", {}, &a, kT0, true},
                                                     {"b", {}, &b, kT0, true}};
    ASSERT_TRUE(m_library.RecordFeeds(downloads));
    EXPECT_EQ(downloads[0].added, 3);
    EXPECT_EQ(downloads[1].added, 2);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"b1", "a3"}));
    EXPECT_EQ(ViewKeys(LibraryView::Starred()), (std::vector<std::string>{"b1"}));
    EXPECT_EQ(ViewKeys(LibraryView::Hidden()), (std::vector<std::string>{"a1"}));
    EXPECT_EQ(m_library.UnreadCount("a"), 1);
    EXPECT_EQ(m_library.UnreadCount("b"), 1);
    // The site's own list still holds its hidden article.
    EXPECT_EQ(ViewKeys(LibraryView::Site("a")), (std::vector<std::string>{"a3", "a2", "a1"}));
    // Recorded again, nothing is new and nothing the user changed since is undone.
    // a2, which a rule marked read, made unread by the user.
    ASSERT_TRUE(m_library.SetRead(m_library.Ids(LibraryView::Site("a"))[1], false));
    ASSERT_TRUE(m_library.RecordFeeds(downloads));
    EXPECT_EQ(downloads[0].added, 0);
    EXPECT_EQ(downloads[1].added, 0);
    EXPECT_EQ(ViewKeys(LibraryView::Hidden()), (std::vector<std::string>{"a1"}));
    EXPECT_EQ(m_library.UnreadCount("a"), 2);
}

TEST_F(LibraryRules, NothingToRecordRecordsNothingAndAFeedWithoutArticlesKeepsItsValidators) {
    EXPECT_TRUE(m_library.RecordFeeds({}));
    const std::vector<LibraryArticle> none;
    std::vector<CLibrary::FeedDownload> downloads = {{"empty", {"\"e\"", "Mon"}, &none, kT0, true}};
    ASSERT_TRUE(m_library.RecordFeeds(downloads));
    EXPECT_EQ(downloads[0].added, 0);
    const FeedRecord record = m_store.Feed("empty");
    EXPECT_TRUE(record.downloaded);
    EXPECT_EQ(record.validators.etag, "\"e\"");
    EXPECT_EQ(record.validators.lastModified, "Mon");
    EXPECT_EQ(record.lastSuccess, kT0);
}

}  // namespace
}  // namespace varlo

#include "store/library.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/article_keys.h"
#include "store/full_text_rollback.h"
#include "store/schema_before_rules.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::TempDir;

constexpr int64_t kDay = 86400;
constexpr int64_t kT0 = 1700000000;

LibraryArticle Article(const std::string& key, int64_t date = 0, std::string html = "<p>x</p>") {
    LibraryArticle article;
    article.key = key;
    article.title = "title " + key;
    article.link = "https://example.com/" + key;
    article.date = date;
    article.html = std::move(html);
    return article;
}

std::vector<std::string> Keys(const std::vector<LibraryRow>& rows) {
    std::vector<std::string> keys;
    for (const LibraryRow& row : rows) keys.push_back(row.key);
    return keys;
}

class Library : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db"))); }
    int Record(const Text& url, const std::vector<LibraryArticle>& articles, int64_t now,
               bool bodyChanged = true) {
        return m_library.RecordFeed(url, {}, articles, now, bodyChanged);
    }
    std::vector<std::string> ViewKeys(const LibraryView& view) {
        return Keys(m_library.Page(view, 0, 1000));
    }

    TempDir m_dir;
    CFeedStore m_store;
    CLibrary m_library{m_store};
};

TEST_F(Library, ViewsListStoredArticlesNewestFirstAndPagesMatchTheWholeView) {
    // Dated articles by their date; an undated one by when it was first seen.
    EXPECT_EQ(
        Record("a", {Article("a1", kT0 - 10), Article("a2", kT0 + 10), Article("a3")}, kT0 + 5), 3);
    EXPECT_EQ(Record("b", {Article("b1", kT0 + 7), Article("b2", kT0 - 20)}, kT0 + 6), 2);
    // The same article again is not new and keeps its place; changed texts are taken.
    LibraryArticle changed = Article("a1", kT0 - 10);
    changed.title = "新しい題名 café";
    EXPECT_EQ(Record("a", {changed, Article("a2", kT0 + 10)}, kT0 + 8), 0);

    const std::vector<std::string> all = {"a2", "b1", "a3", "a1", "b2"};
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), all);
    EXPECT_EQ(m_library.Count(LibraryView::Unread()), 5);
    EXPECT_EQ(ViewKeys(LibraryView::Site("a")), (std::vector<std::string>{"a2", "a3", "a1"}));
    EXPECT_EQ(m_library.Count(LibraryView::Site("b")), 2);
    EXPECT_EQ(m_library.Count(LibraryView::Site("nothing")), 0);
    for (int64_t offset = 0; offset <= 6; ++offset) {
        for (int64_t n = 1; n <= 3; ++n) {
            std::vector<std::string> expected;
            for (int64_t i = offset; i < offset + n && i < 5; ++i) expected.push_back(all[i]);
            EXPECT_EQ(Keys(m_library.Page(LibraryView::Unread(), offset, n)), expected)
                << offset << " " << n;
        }
    }
    std::vector<int64_t> ids = m_library.Ids(LibraryView::Unread());
    ASSERT_EQ(ids.size(), 5u);
    const std::vector<LibraryRow> rows = m_library.Rows({ids[3], ids[0]}, true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, "新しい題名 café");
    EXPECT_EQ(rows[0].feedUrl, "a");
    EXPECT_EQ(rows[0].date, kT0 - 10);
    EXPECT_EQ(rows[0].firstSeen, kT0 + 5);
    EXPECT_EQ(rows[0].lastInFeed, kT0 + 8);
    EXPECT_EQ(rows[0].html, "<p>x</p>");
    EXPECT_EQ(rows[1].key, "a2");
    EXPECT_TRUE(m_library.Page(LibraryView::Unread(), 0, 1)[0].html.empty());
    EXPECT_EQ(m_library.SiteArticles("a", 2).size(), 2u);
    EXPECT_EQ(m_library.SiteArticles("a")[2].html, "<p>x</p>");
    EXPECT_EQ(m_library.UnreadCounts(), (std::map<Text, int64_t>{{"a", 3}, {"b", 2}}));
}

TEST_F(Library, WhatAnUpdateBroughtIsTheUnreadArticlesStoredAfterItsMark) {
    EXPECT_EQ(m_library.LastArticleId(), 0);
    Record("a", {Article("old", kT0)}, kT0);
    const int64_t mark = m_library.LastArticleId();
    Record("a", {Article("old", kT0), Article("new1", kT0 + 1), Article("read", kT0 + 2)}, kT0);
    Record("b", {Article("new2", kT0 + 3)}, kT0);
    const std::vector<int64_t> ids = m_library.Ids(LibraryView::Site("a"));
    m_library.SetRead(ids.front(), true);  // "read", the newest of a
    const auto brought = m_library.UnreadAfter(mark);
    ASSERT_EQ(brought.size(), 2u);
    EXPECT_EQ(brought[0].second, "b");
    EXPECT_EQ(brought[1].second, "a");
    EXPECT_EQ(m_library.Rows({brought[1].first})[0].key, "new1");
    EXPECT_TRUE(m_library.UnreadAfter(m_library.LastArticleId()).empty());
}

TEST_F(Library, MarksByIdKeySiteAndViewAgreeWithTheSeenMarksOfTheWindow) {
    Record("a", {Article("k1", kT0), Article("k2", kT0 + 1), Article("shared", kT0 + 2)}, kT0);
    Record("b", {Article("shared", kT0 + 3), Article("k3", kT0 + 4)}, kT0);
    const int64_t k1 = m_library.Ids(LibraryView::Site("a")).back();

    EXPECT_TRUE(m_library.SetRead(k1, true));
    EXPECT_EQ(m_store.UnseenCount("a"), 2);
    EXPECT_EQ(m_library.SetReadByKey("shared", true), 2);
    EXPECT_EQ(m_library.SetReadByKey("no such key", true), 0);
    EXPECT_EQ(m_library.UnreadTotal(), 2);
    EXPECT_EQ(m_store.UnseenKeys("b"), std::set<uint64_t>{HashArticleKey("k3")});
    EXPECT_EQ(m_library.SetStarredByKey("k3", true), 1);
    EXPECT_TRUE(m_library.SetStarred(k1, true));
    EXPECT_EQ(ViewKeys(LibraryView::Starred()), (std::vector<std::string>{"k3", "k1"}));

    // Marking the starred view read leaves the rest unread.
    EXPECT_TRUE(m_library.MarkViewRead(LibraryView::Starred()));
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), std::vector<std::string>{"k2"});
    EXPECT_TRUE(m_library.SetReadByKey("k3", false) == 1);
    EXPECT_TRUE(m_library.MarkSiteRead("b"));
    EXPECT_EQ(m_store.UnseenCount("b"), 0);
    EXPECT_EQ(m_library.UnreadCount("a"), 1);
    EXPECT_TRUE(m_library.SetRead(k1, false));
    EXPECT_TRUE(m_library.MarkAllRead());
    EXPECT_EQ(m_library.UnreadTotal(), 0);
    EXPECT_EQ(m_store.UnseenCount("a"), 0);

    // A new download keeps the marks; what is new in it is unread.
    Record("a", {Article("k1", kT0), Article("k4", kT0 + 9)}, kT0 + 60);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), std::vector<std::string>{"k4"});
    EXPECT_TRUE(m_library.Article(k1)->starred);
    EXPECT_TRUE(m_library.Article(k1)->read);
    // The window's own calls: seen is read.
    EXPECT_TRUE(m_store.MarkSeen("a"));
    EXPECT_EQ(m_library.UnreadTotal(), 0);
    EXPECT_EQ(m_library.StarredCount(), 2);
}

TEST_F(Library, UnstarredArticlesGoAfterTheKeepingTimeAndForgottenFeedsKeepOnlyStarredOnes) {
    Record("kept", {Article("old"), Article("starred"), Article("current")}, kT0);
    Record("dropped", {Article("d1"), Article("d2")}, kT0);
    m_library.SetStarredByKey("starred", true);
    m_library.SetStarredByKey("d2", true);
    for (int64_t day = 20; day <= 100; day += 20) {
        Record("kept", {Article("current")}, kT0 + day * kDay);
    }
    ASSERT_TRUE(m_library.Prune(kT0 + 91 * kDay, 90));
    EXPECT_EQ(ViewKeys(LibraryView::Site("kept")),
              (std::vector<std::string>{"current", "starred"}));
    // The forgotten feed keeps its starred article, but no validators of a body now gone.
    EXPECT_EQ(ViewKeys(LibraryView::Site("dropped")), std::vector<std::string>{"d2"});
    EXPECT_FALSE(m_store.Feed("dropped").downloaded);
    EXPECT_EQ(ViewKeys(LibraryView::Starred()), (std::vector<std::string>{"d2", "starred"}));

    // Keeping for ever (0) and a shorter time.
    Record("kept", {Article("gone soon")}, kT0 + 101 * kDay);
    Record("kept", {Article("current")}, kT0 + 102 * kDay);
    ASSERT_TRUE(m_library.Prune(kT0 + 120 * kDay, 0));
    EXPECT_EQ(m_library.Count(LibraryView::Site("kept")), 3);
    ASSERT_TRUE(m_library.Prune(kT0 + 120 * kDay, 7));
    EXPECT_EQ(ViewKeys(LibraryView::Site("kept")),
              (std::vector<std::string>{"current", "starred"}));
}

TEST_F(Library, ASiteKeepsAtMostItsNumberOfArticlesAndBytesOfTextOldestReadFirst) {
    constexpr int64_t kMost = 200;
    m_library.SetSiteLimits(kMost, 1 << 20);
    std::vector<LibraryArticle> first;
    for (int i = 0; i < 10; ++i) first.push_back(Article("first" + std::to_string(i), kT0 + i));
    Record("u", first, kT0);
    m_library.SetReadByKey("first5", true);
    m_library.SetStarredByKey("first0", true);
    std::vector<LibraryArticle> flood;
    for (int64_t i = 0; i < kMost; ++i) {
        flood.push_back(Article("flood" + std::to_string(i), kT0 + 1000 + i));
    }
    EXPECT_EQ(Record("u", flood, kT0 + 1), kMost);
    EXPECT_EQ(m_library.Count(LibraryView::Site("u")), kMost);
    // The read one went first, then the oldest unread ones; the starred one stayed.
    const std::vector<std::string> oldest =
        Keys(m_library.Page(LibraryView::Site("u"), kMost - 3, 3));
    EXPECT_EQ(oldest, (std::vector<std::string>{"flood2", "flood1", "first0"}));
    EXPECT_TRUE(m_library.CheckSearchIndex());

    // Bytes: a feed of huge articles keeps the newest that fit, at what each costs (its HTML,
    // once more half of it for the search index, and its other texts).
    const std::string big(100000, 'x');
    std::vector<LibraryArticle> huge;
    for (int i = 0; i < 20; ++i) huge.push_back(Article("huge" + std::to_string(i), kT0 + i, big));
    Record("big", huge, kT0);
    const std::vector<LibraryRow> kept = m_library.Page(LibraryView::Site("big"), 0, 100);
    const LibraryArticle& last = huge.back();
    const int64_t cost = StoredArticleCost(last.key, last.title, last.link, {}, {}, {}, big);
    EXPECT_GT(cost, 150000);
    EXPECT_LT(cost, 155000);
    EXPECT_EQ(kept.size(), 6u);
    EXPECT_EQ(kept.front().key, "huge19");
    EXPECT_EQ(kept.back().key, "huge14");
    // The real limits hold a site of 10,000 articles of 3 KB.
    EXPECT_LE(10000 * StoredArticleCost("tag:example.com,2026:1", std::string(100, 't'),
                                        std::string(100, 'l'), {}, {}, {}, std::string(3000, 'h')),
              CLibrary::kMaxTextPerSite);
}

TEST_F(Library, ViewsWithinSomeSitesShowCountSearchAndMarkTheirArticlesOnly) {
    Record("a", {Article("a1", kT0 + 1, "<p>東京の朝</p>"), Article("a2", kT0 + 3)}, kT0);
    Record("b", {Article("b1", kT0 + 2, "<p>東京の夜</p>")}, kT0);
    Record("c", {Article("c1", kT0 + 4)}, kT0);
    const std::optional<LibraryRow> b1 = m_library.FindByKey("b", "b1");
    ASSERT_TRUE(b1);
    m_library.SetStarred(b1->id, true);
    auto sites = [](std::vector<Text> urls) {
        return std::make_shared<const std::vector<Text>>(std::move(urls));
    };
    const auto ab = sites({"a", "b", "never read"});
    const auto none = sites({});
    const LibraryView unread = LibraryView::Unread();
    EXPECT_EQ(ViewKeys(unread.Within(ab)), (std::vector<std::string>{"a2", "b1", "a1"}));
    EXPECT_EQ(m_library.Count(unread.Within(ab)), 3);
    EXPECT_EQ(ViewKeys(unread.Within(sites({"c"}))), std::vector<std::string>{"c1"});
    EXPECT_EQ(m_library.Count(unread.Within(none)), 0);
    EXPECT_EQ(m_library.Count(LibraryView::Starred().Within(sites({"a"}))), 0);
    EXPECT_EQ(m_library.Count(LibraryView::Starred().Within(ab)), 1);
    // Every site that has articles among them: the whole view.
    EXPECT_EQ(m_library.Count(unread.Within(sites({"a", "b", "c"}))), 4);
    // A search finds the sites' articles only, and again when the sites change.
    const LibraryView tokyo = LibraryView::Search("東京");
    EXPECT_EQ(Keys(m_library.Rows(m_library.Ids(tokyo.Within(sites({"a"}))))),
              std::vector<std::string>{"a1"});
    EXPECT_EQ(Keys(m_library.Rows(m_library.Ids(tokyo.Within(sites({"b"}))))),
              std::vector<std::string>{"b1"});
    EXPECT_EQ(m_library.Count(tokyo.Within(none)), 0);
    EXPECT_EQ(m_library.Count(tokyo), 2);
    // Marking a limited view read leaves the other sites' articles unread.
    ASSERT_TRUE(m_library.MarkViewRead(unread.Within(sites({"a"}))));
    EXPECT_EQ(ViewKeys(unread), (std::vector<std::string>{"c1", "b1"}));
    ASSERT_TRUE(m_library.MarkViewRead(LibraryView::Starred().Within(sites({"c"}))));
    EXPECT_EQ(m_library.UnreadTotal(), 2);
    ASSERT_TRUE(m_library.MarkViewRead(tokyo.Within(ab)));
    EXPECT_EQ(ViewKeys(unread), std::vector<std::string>{"c1"});
    // Another connection has no table of sites of its own until it is asked for a view.
    CFeedStore other;
    ASSERT_TRUE(other.OpenAnother(m_store.Path()));
    CLibrary worker(other);
    EXPECT_EQ(worker.Count(unread.Within(sites({"c"}))), 1);
    EXPECT_EQ(worker.Count(unread.Within(ab)), 0);
}

TEST_F(Library, SearchFindsTitlesAndTextsNewestFirstAndFollowsChanges) {
    Record("a",
           {Article("tokyo", kT0 + 1, "<p>東京都の<b>天気</b>は晴れ</p>"),
            Article("kyoto", kT0 + 2, "<p>京都と東京の都市</p>"),
            Article("cafe", kT0 + 3, "<p>A Caf&eacute; in Paris &amp; more</p>")},
           kT0);
    Record("b", {Article("cafeteria", kT0 + 4, "<p>the cafeteria opens</p>")}, kT0);
    auto keysOf = [&](const std::vector<int64_t>& ids) { return Keys(m_library.Rows(ids)); };
    EXPECT_EQ(keysOf(m_library.Search("東京")), (std::vector<std::string>{"kyoto", "tokyo"}));
    // A run of three characters is checked on the text: 東京 and 京都 apart are no hit.
    EXPECT_EQ(keysOf(m_library.Search("東京都")), std::vector<std::string>{"tokyo"});
    EXPECT_EQ(keysOf(m_library.Search("都の天気")), std::vector<std::string>{"tokyo"});
    EXPECT_EQ(keysOf(m_library.Search("cafe")), (std::vector<std::string>{"cafeteria", "cafe"}));
    EXPECT_EQ(keysOf(m_library.Search("café paris")), std::vector<std::string>{"cafe"});
    EXPECT_EQ(keysOf(m_library.Search("\"cafeteria opens\"")),
              std::vector<std::string>{"cafeteria"});
    EXPECT_EQ(keysOf(m_library.Search("\"opens cafeteria\"")), std::vector<std::string>{});
    EXPECT_EQ(keysOf(m_library.Search("title")).size(), 4u);
    EXPECT_EQ(keysOf(m_library.Search("title", 1)), std::vector<std::string>{"cafeteria"});
    EXPECT_TRUE(m_library.Search("  ").empty());
    EXPECT_TRUE(m_library.Search("amp").empty());

    const LibraryView view = LibraryView::Search("東京");
    EXPECT_EQ(m_library.Count(view), 2);
    EXPECT_EQ(ViewKeys(view), (std::vector<std::string>{"kyoto", "tokyo"}));
    // Changed texts, new articles and articles gone are found as they are now, also when
    // another connection changed them.
    CFeedStore other;
    ASSERT_TRUE(other.OpenAnother(m_store.Path()));
    CLibrary worker(other);
    worker.RecordFeed("a", {},
                      {Article("tokyo", kT0 + 1, "<p>大阪</p>"), Article("new", kT0 + 9, "東京")},
                      kT0 + 60, true);
    EXPECT_EQ(ViewKeys(view), (std::vector<std::string>{"new", "kyoto"}));
    EXPECT_TRUE(m_library.MarkViewRead(view));
    EXPECT_EQ(ViewKeys(LibraryView::Unread()),
              (std::vector<std::string>{"cafeteria", "cafe", "tokyo"}));
    m_store.Prune(kT0 + 200 * kDay);
    EXPECT_EQ(m_library.Count(view), 0);
    EXPECT_TRUE(m_library.CheckSearchIndex());
}

TEST_F(Library, APageOfHitsIsTheStartOfTheWholeListWhateverOrderArticlesCameIn) {
    // Recorded out of date order, with ties, undated ones and a run of a phrase to check; some
    // articles are no hits. Pages are taken among the newest articles first, the whole list by
    // all hits.
    std::vector<LibraryArticle> articles;
    for (int i = 0; i < 40; ++i) {
        const int64_t date = i % 7 == 0 ? 0 : kT0 + (i * 37) % 23;
        articles.push_back(Article("k" + std::to_string(i), date,
                                   i % 3 == 0 ? "<p>other text</p>" : "<p>東京都 word</p>"));
    }
    Record("a", std::vector<LibraryArticle>(articles.begin(), articles.begin() + 20), kT0 + 11);
    Record("b", std::vector<LibraryArticle>(articles.begin() + 20, articles.end()), kT0 + 5);
    for (const std::string words : {"word", "東京都", "wor 東京"}) {
        const std::vector<int64_t> all = m_library.Search(words);
        EXPECT_EQ(all.size(), 26u) << words;
        // Among every article, among the newest 8 (enough for a few hits) and among 3.
        for (const int64_t window : {8192, 8, 3}) {
            m_library.SetSearchWindow(window);
            for (int64_t limit = 1; limit <= 30; ++limit) {
                const size_t n = std::min<size_t>(limit, all.size());
                EXPECT_EQ(m_library.Search(words, limit),
                          std::vector<int64_t>(all.begin(), all.begin() + n))
                    << words << " " << limit << " " << window;
            }
        }
    }
    // Hits few among many articles have their dates looked up: still newest first.
    std::vector<LibraryArticle> many;
    for (int i = 0; i < 620; ++i) many.push_back(Article("m" + std::to_string(i), kT0 + 100 + i));
    many[3].html = "<p>rare</p>";
    many[2].html = "<p>rare</p>";
    many[1].html = "<p>rare</p>";
    many[2].date = kT0 + 900;
    Record("c", many, kT0 + 20);
    EXPECT_EQ(Keys(m_library.Rows(m_library.Search("rare"))),
              (std::vector<std::string>{"m2", "m3", "m1"}));
    EXPECT_EQ(Keys(m_library.Rows(m_library.Search("rare", 2))),
              (std::vector<std::string>{"m2", "m3"}));
    // The whole list is newest first.
    std::vector<int64_t> ids = m_library.Ids(LibraryView::Unread());
    std::vector<int64_t> expected;
    const std::vector<int64_t> hits = m_library.Search("word");
    for (const int64_t id : ids) {
        if (std::find(hits.begin(), hits.end(), id) != hits.end()) expected.push_back(id);
    }
    EXPECT_EQ(hits, expected);
}

TEST_F(Library, MarksOnSyncedArticlesAreQueuedUntilSentUnlessTheyCameFromTheServer) {
    LibraryArticle synced = Article("s1", kT0);
    synced.serverId = "tag:google.com,2005:reader/item/0001";
    Record("u", {synced, Article("local", kT0 + 1)}, kT0);
    const std::optional<LibraryRow> row = m_library.FindByServerId(synced.serverId);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->key, "s1");
    EXPECT_EQ(m_library.FindByLink("u", "https://example.com/local")->key, "local");
    EXPECT_EQ(m_library.FindByTitleDate("u", "title s1", kT0)->id, row->id);
    EXPECT_FALSE(m_library.FindByTitleDate("u", "title s1", kT0 + 1));

    EXPECT_TRUE(m_library.SetRead(row->id, true, MarkSource::kServer));
    EXPECT_TRUE(m_library.TakePendingMarks().empty());
    m_library.SetReadByKey("local", true);
    EXPECT_TRUE(m_library.TakePendingMarks().empty());
    EXPECT_TRUE(m_library.SetStarred(row->id, true));
    std::vector<PendingMark> marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].serverId, synced.serverId);
    EXPECT_TRUE(marks[0].starred && marks[0].starredChanged && !marks[0].readChanged);
    // Marked again before the sent ones were cleared: it stays queued.
    EXPECT_TRUE(m_library.SetRead(row->id, false));
    EXPECT_TRUE(m_library.ClearSentMarks(marks));
    marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_TRUE(marks[0].readChanged && !marks[0].read);
    EXPECT_TRUE(m_library.ClearSentMarks(marks));
    EXPECT_TRUE(m_library.TakePendingMarks().empty());

    EXPECT_EQ(m_library.UnreadSet().size(), 1u);
    EXPECT_EQ(m_library.StarredSet().at(0).serverId, synced.serverId);
    EXPECT_EQ(m_library.RecordArticles("u", {Article("from server")}, kT0 + 5), 1);
    EXPECT_EQ(m_library.UnreadSet().size(), 2u);
}

TEST_F(Library, MarkingManyAtOnceQueuesEverySyncedArticleWhoseMarkChanged) {
    auto synced = [](const std::string& key, int64_t date) {
        LibraryArticle article = Article(key, date);
        article.serverId = "item/" + key;
        return article;
    };
    Record("a", {synced("s1", kT0), synced("s2", kT0 + 1), Article("local", kT0 + 2)}, kT0);
    Record("b", {synced("s3", kT0 + 3), synced("s4", kT0 + 4)}, kT0);
    auto idOf = [&](const std::string& key) { return m_library.FindByServerId("item/" + key)->id; };
    // Queued before: a star (kept with the read mark) and a read mark already made.
    EXPECT_TRUE(m_library.SetStarred(idOf("s1"), true));
    EXPECT_TRUE(m_library.SetRead(idOf("s4"), true));
    EXPECT_TRUE(m_library.ClearSentMarks(m_library.TakePendingMarks()));
    EXPECT_TRUE(m_library.SetStarred(idOf("s2"), true));
    EXPECT_TRUE(m_library.SetRead(idOf("s3"), true, MarkSource::kServer));

    EXPECT_TRUE(m_library.MarkAllRead());
    EXPECT_EQ(m_library.UnreadTotal(), 0);
    std::vector<PendingMark> marks = m_library.TakePendingMarks();
    // s2 keeps its queued star and moves behind s1 with its latest mark; s3 (read by the server)
    // and s4 (read before) are not sent again, nor is the article without a server id.
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].serverId, "item/s1");
    EXPECT_TRUE(marks[0].read && marks[0].readChanged && !marks[0].starredChanged);
    EXPECT_EQ(marks[1].serverId, "item/s2");
    EXPECT_TRUE(marks[1].read && marks[1].readChanged && marks[1].starredChanged);
    EXPECT_TRUE(m_library.ClearSentMarks(marks));

    // A site, the starred view and a search, each set-wise, and marks made in a batch.
    EXPECT_TRUE(m_library.SetRead(idOf("s1"), false, MarkSource::kServer));
    EXPECT_TRUE(m_library.SetRead(idOf("s3"), false, MarkSource::kServer));
    EXPECT_TRUE(m_library.SetRead(idOf("s4"), false, MarkSource::kServer));
    EXPECT_TRUE(m_library.TakePendingMarks().empty());
    EXPECT_TRUE(m_library.MarkSiteRead("b"));
    EXPECT_TRUE(m_library.MarkViewRead(LibraryView::Starred()));
    marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].serverId, "item/s3");
    EXPECT_EQ(marks[1].serverId, "item/s4");
    EXPECT_EQ(marks[2].serverId, "item/s1");
    EXPECT_TRUE(m_library.ClearSentMarks(marks));
    ASSERT_EQ(SqliteExec(m_store.Connection(), "BEGIN"), SQLITE_OK);
    EXPECT_TRUE(m_library.SetRead(idOf("s2"), false));
    EXPECT_TRUE(m_library.MarkViewRead(LibraryView::Search("title")));
    ASSERT_EQ(SqliteExec(m_store.Connection(), "COMMIT"), SQLITE_OK);
    marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_TRUE(marks[0].read && marks[0].readChanged);
    EXPECT_EQ(m_library.UnreadTotal(), 0);
}

// An article as a sync server sends it: keyed by its link, `link` when given.
LibraryArticle FromServer(LibraryArticle article, const std::string& id,
                          const std::string& link = "") {
    article.serverId = "tag:google.com,2005:reader/item/" + id;
    if (!link.empty()) article.link = link;
    article.key = article.link;
    return article;
}

TEST_F(Library, TheUnreadSetFollowsItsArticlesDatesServerIdsAndRemoval) {
    Record("u", {Article("a", kT0), Article("b", kT0 + 1), Article("c", kT0 + 2)}, kT0);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"c", "b", "a"}));
    // A new date moves the article in the unread view as in the site.
    Record("u", {Article("a", kT0 + 5), Article("b", kT0 + 1), Article("c", kT0 + 2)}, kT0 + 1);
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), (std::vector<std::string>{"a", "c", "b"}));
    // A server id given later: marking everything read queues it for the server.
    EXPECT_EQ(
        m_library.RecordServerArticles({{"u", {FromServer(Article("b", kT0 + 1), "01")}}}, kT0 + 2),
        0);
    EXPECT_TRUE(m_library.SetRead(m_library.FindByLink("u", "https://example.com/c")->id, true));
    EXPECT_TRUE(m_library.MarkAllRead());
    const std::vector<PendingMark> marks = m_library.TakePendingMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].serverId, "tag:google.com,2005:reader/item/01");
    EXPECT_EQ(m_library.FindByKey("u", "b")->link, "https://example.com/b");
    EXPECT_FALSE(m_library.FindByKey("v", "b"));
    // Unread again, then gone with its site's oldest: gone from the set and its counts too.
    EXPECT_TRUE(m_library.SetRead(m_library.FindByLink("u", "https://example.com/a")->id, false));
    EXPECT_EQ(m_library.UnreadCounts(), (std::map<Text, int64_t>{{"u", 1}}));
    m_library.SetSiteLimits(1, 1 << 20);
    Record("u", {Article("d", kT0 + 9)}, kT0 + 3);
    EXPECT_EQ(ViewKeys(LibraryView::Site("u")), std::vector<std::string>{"d"});
    EXPECT_EQ(ViewKeys(LibraryView::Unread()), std::vector<std::string>{"d"});
    EXPECT_EQ(m_library.UnreadTotal(), 1);
}

TEST_F(Library, ServerArticlesFindTheSameArticleOfTheirSiteAndAreStoredOnce) {
    Record("u", {Article("linked", kT0 + 1), Article("moved", kT0 + 2), Article("undated")}, kT0);
    Record("v", {Article("other", kT0)}, kT0);
    // The feed's article by its link (the server's texts differ), by title and date (another
    // link), and undated by its title alone.
    LibraryArticle byLink = FromServer(Article("linked", kT0 + 1), "01");
    byLink.title = "サーバーの題名";
    const LibraryArticle byTitle =
        FromServer(Article("moved", kT0 + 2), "02", "https://example.com/elsewhere");
    const LibraryArticle undated =
        FromServer(Article("undated"), "03", "https://example.com/undated-elsewhere");
    // Same title, another date: another article.
    const LibraryArticle later =
        FromServer(Article("moved", kT0 + 3), "04", "https://example.com/later");
    // Another site's article is no match; the same server id twice is one article.
    const LibraryArticle otherSite = FromServer(Article("other", kT0), "05");
    const LibraryArticle fresh = FromServer(Article("fresh", kT0 + 5), "06");
    // Two of the server's own with the same title and date are two articles.
    const LibraryArticle twin =
        FromServer(Article("fresh", kT0 + 5), "08", "https://example.com/twin");
    const std::vector<ServerArticles> batch{
        {"u", {byLink, byTitle, undated, later, otherSite, fresh, fresh, twin}},
        {"w", {FromServer(Article("w1", kT0), "07")}}};
    EXPECT_EQ(m_library.RecordServerArticles(batch, kT0 + 10), 5);

    const auto id = [](const std::string& n) { return "tag:google.com,2005:reader/item/" + n; };
    EXPECT_EQ(m_library.FindByServerId(id("01"))->key, "linked");
    EXPECT_EQ(m_library.FindByServerId(id("01"))->title, "title linked");
    EXPECT_EQ(m_library.FindByServerId(id("02"))->key, "moved");
    EXPECT_EQ(m_library.FindByServerId(id("03"))->key, "undated");
    EXPECT_EQ(m_library.FindByServerId(id("04"))->key, "https://example.com/later");
    EXPECT_EQ(m_library.FindByServerId(id("05"))->feedUrl, "u");
    EXPECT_TRUE(m_library.FindByLink("v", "https://example.com/other")->serverId.empty());
    EXPECT_EQ(m_library.FindByServerId(id("07"))->feedUrl, "w");
    EXPECT_EQ(m_library.FindByServerId(id("08"))->key, "https://example.com/twin");
    EXPECT_EQ(m_library.Count(LibraryView::Site("u")), 7);
    EXPECT_EQ(m_library.KnownServerIds({id("01"), id("06"), id("99")}),
              (std::set<std::string>{id("01"), id("06")}));

    // Known server ids are left alone, whatever the server sends of them now.
    LibraryArticle changed = FromServer(Article("fresh", kT0 + 5), "06");
    changed.title = "変わった題名";
    EXPECT_EQ(m_library.RecordServerArticles({{"u", {changed, byLink}}}, kT0 + 20), 0);
    EXPECT_EQ(m_library.FindByServerId(id("06"))->title, "title fresh");
    EXPECT_EQ(m_library.Count(LibraryView::Site("u")), 7);
    EXPECT_TRUE(m_library.CheckSearchIndex());
}

TEST_F(Library, ServerArticlesPastTheirSitesLimitsTakeTheirTextsAndSearchWordsAlong) {
    // More articles of one site in one batch than the site keeps, newest first as a reading list
    // gives them, texts both short and long: the site is cut to its limits and every text and
    // search word left matches a kept article.
    m_library.SetSiteLimits(100, 1 << 20);
    std::vector<LibraryArticle> many;
    for (int i = 299; i >= 0; --i) {
        const std::string n = std::to_string(i);
        LibraryArticle a = FromServer(Article("s" + n, kT0 + i), "s" + n);
        a.html = "<p>zq" + n + " " + std::string(i % 7 == 0 ? 20000 : 50, 'y') + "</p>";
        many.push_back(std::move(a));
    }
    many.push_back(many.front());  // the same server id again in the same batch
    const std::vector<ServerArticles> batch{{"u", many},
                                            {"w", {FromServer(Article("w1", kT0), "w1")}}};
    EXPECT_EQ(m_library.RecordServerArticles(batch, kT0 + 400), 301);
    sqlite3* db = m_store.Connection();
    const auto number = [db](const char* sql) {
        SqliteStatement query(db, sql);
        return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
    };
    EXPECT_EQ(m_library.Count(LibraryView::Site("u")), 100);
    EXPECT_EQ(number("SELECT count(*) FROM article_texts"), 101);
    EXPECT_EQ(number("SELECT count(*) FROM article_texts WHERE id NOT IN (SELECT id FROM "
                     "articles)"),
              0);
    EXPECT_TRUE(m_library.CheckSearchIndex());
    EXPECT_EQ(m_library.Search("zq299").size(), 1u);
    EXPECT_EQ(m_library.Search("zq200").size(), 1u);
    EXPECT_TRUE(m_library.Search("zq199").empty());
    EXPECT_EQ(m_library.Search("title").size(), 101u);
    // The statement journals went back to where temporary storage lives: a vacuum's copy of
    // the whole store must not be held in memory.
    EXPECT_EQ(number("PRAGMA temp_store"), 0);
}

// Builds a store of schema 2 or 4 by hand: article keys of feed "u" ("a" seen, "b" not).
void WriteOldStore(const std::string& path, int version) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql =
        "CREATE TABLE feeds (id INTEGER PRIMARY KEY, url BLOB NOT NULL UNIQUE,"
        " etag BLOB NOT NULL DEFAULT x'', last_modified BLOB NOT NULL DEFAULT x'',"
        " last_success INTEGER NOT NULL DEFAULT 0, last_failure INTEGER NOT NULL DEFAULT 0,"
        " failure_message BLOB NOT NULL DEFAULT x'', downloaded INTEGER NOT NULL DEFAULT 0,"
        " touched INTEGER NOT NULL, body_time INTEGER NOT NULL DEFAULT 0);"
        "INSERT INTO feeds(id, url, last_success, downloaded, touched, body_time)"
        " VALUES(1, CAST('u' AS BLOB), 1700000000, 1, 1700000000, 1700000000);";
    if (version == 2) {
        sql +=
            "CREATE TABLE articles (feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE "
            "CASCADE, key BLOB NOT NULL, first_seen INTEGER NOT NULL, last_present INTEGER NOT "
            "NULL, seen INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (feed_id, key)) WITHOUT ROWID;"
            "CREATE INDEX articles_by_presence ON articles(last_present);"
            "INSERT INTO articles VALUES(1, CAST('a' AS BLOB), 1700000000, 1700000000, 1);"
            "INSERT INTO articles VALUES(1, CAST('b' AS BLOB), 1700000000, 1700000000, 0);";
    } else {
        sql +=
            "ALTER TABLE feeds ADD COLUMN fresh_until INTEGER NOT NULL DEFAULT 0;"
            "ALTER TABLE feeds ADD COLUMN gone INTEGER NOT NULL DEFAULT 0;"
            "CREATE TABLE host_waits (host BLOB PRIMARY KEY, until INTEGER NOT NULL) "
            "WITHOUT ROWID;"
            "CREATE TABLE articles (feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE "
            "CASCADE, key_hash INTEGER NOT NULL, first_seen INTEGER NOT NULL, last_present "
            "INTEGER NOT NULL, seen INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (feed_id, key_hash)) "
            "WITHOUT ROWID;"
            "CREATE INDEX articles_by_presence ON articles(last_present);"
            "CREATE INDEX articles_by_age ON articles(feed_id, last_present, first_seen);" +
            ("INSERT INTO articles VALUES(1, " +
             std::to_string(static_cast<int64_t>(HashArticleKey("a"))) +
             ", 1700000000, 1700000000, 1);") +
            ("INSERT INTO articles VALUES(1, " +
             std::to_string(static_cast<int64_t>(HashArticleKey("b"))) +
             ", 1700000000, 1700000000, 0);");
    }
    sql += "PRAGMA user_version=" + std::to_string(version) + ";";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST(LibraryMigration, SeenKeysOfSchemas2And4BecomeReadMarksOfArticlesRecordedLater) {
    for (const int version : {2, 4}) {
        SCOPED_TRACE(version);
        TempDir dir;
        const std::string path = dir.File("varlo.db");
        WriteOldStore(path, version);
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        EXPECT_TRUE(store.Notice().empty());
        EXPECT_EQ(store.UnseenKeys("u"), std::set<uint64_t>{HashArticleKey("b")});
        CLibrary library(store);
        // Known by their keys alone, they are in no view until their feed is read again.
        EXPECT_EQ(library.Count(LibraryView::Unread()), 0);
        EXPECT_EQ(
            library.RecordFeed(
                "u", {}, {Article("a", kT0 + 1), Article("b", kT0 + 2), Article("c", kT0 + 3)},
                kT0 + 60, true),
            1);
        EXPECT_EQ(Keys(library.Page(LibraryView::Site("u"), 0, 10)),
                  (std::vector<std::string>{"c", "b", "a"}));
        EXPECT_EQ(Keys(library.Page(LibraryView::Unread(), 0, 10)),
                  (std::vector<std::string>{"c", "b"}));
        // The index of word beginnings: three letters find the words they begin.
        EXPECT_EQ(library.Search("tit").size(), 3u);
        EXPECT_TRUE(library.CheckSearchIndex());
    }
}

// Schema 7 kept the read mark in the article's row, with partial indexes of the unread ones.
constexpr const char* kBackToSchema7 =
    "DROP TRIGGER articles_take_texts;"
    "ALTER TABLE articles ADD COLUMN read INTEGER NOT NULL DEFAULT 0;"
    "UPDATE articles SET read = NOT EXISTS (SELECT 1 FROM unread u WHERE u.id = articles.id);"
    "DROP TRIGGER articles_start_unread;"
    "DROP TRIGGER articles_unread_follows;"
    "DROP TRIGGER articles_leave_unread;"
    "DROP TABLE unread;"
    "CREATE INDEX articles_unread ON articles(sort_time DESC, id DESC) "
    "  WHERE read = 0 AND stored = 1;"
    "CREATE INDEX articles_unread_by_site ON articles(feed_id) WHERE read = 0;"
    "CREATE INDEX articles_unread_synced ON articles(id) "
    "  WHERE read = 0 AND server_id IS NOT NULL;"
    "PRAGMA user_version=7;";

TEST(LibraryMigration, AStoreOfSchema6GetsTheIndexOfLinksAndItsReadMarksBecomeTheUnreadSet) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        CLibrary library(store);
        ASSERT_EQ(
            library.RecordFeed("u", {}, {Article("a", kT0), Article("b", kT0 + 1)}, kT0, true), 2);
        ASSERT_EQ(library.RecordFeed("v", {}, {Article("c", kT0 + 2)}, kT0, true), 1);
        ASSERT_TRUE(library.SetRead(library.FindByLink("u", "https://example.com/a")->id, true));
        ASSERT_EQ(SqliteExec(store.Connection(), test::kBackBeforeRules), SQLITE_OK);
        ASSERT_EQ(SqliteExec(store.Connection(),
                             (std::string(test::kBackBeforeFullTexts) + kBackToSchema7 +
                              "DROP INDEX articles_by_link; PRAGMA user_version=6;")
                                 .c_str()),
                  SQLITE_OK);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Notice().empty());
    SqliteStatement index(store.Connection(),
                          "SELECT count(*) FROM sqlite_master WHERE name = 'articles_by_link'");
    ASSERT_EQ(index.Step(), SQLITE_ROW);
    EXPECT_EQ(index.Int(0), 1);
    CLibrary library(store);
    EXPECT_EQ(Keys(library.Page(LibraryView::Unread(), 0, 10)),
              (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(library.UnreadCounts(), (std::map<Text, int64_t>{{"u", 1}, {"v", 1}}));
    EXPECT_TRUE(library.FindByLink("u", "https://example.com/a")->read);
    EXPECT_EQ(library.FindByLink("u", "https://example.com/b")->key, "b");
    EXPECT_FALSE(library.FindByLink("u", "https://example.com/b")->read);
    EXPECT_EQ(library.RecordServerArticles(
                  {{"u", {FromServer(Article("a", kT0), "01"), FromServer(Article("c"), "02")}}},
                  kT0 + 10),
              1);
    EXPECT_EQ(library.FindByServerId("tag:google.com,2005:reader/item/01")->key, "a");
    EXPECT_EQ(library.Count(LibraryView::Site("u")), 3);
}

}  // namespace
}  // namespace varlo

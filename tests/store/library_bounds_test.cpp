// What a hostile feed can make the library keep: each text held to its limit, everything an
// article stores counted against its site's share, an article's text and search words gone with
// it, freed pages given back, and a damaged search index mended instead of failing every update.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "store/article_keys.h"
#include "store/article_limits.h"
#include "store/full_text_rollback.h"
#include "store/library.h"
#include "store/schema_before_rules.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::TempDir;

constexpr int64_t kDay = 86400;
constexpr int64_t kT0 = 1700000000;

LibraryArticle Article(const std::string& key, int64_t date, std::string html = "<p>x</p>") {
    LibraryArticle article;
    article.key = key;
    article.title = "title " + key;
    article.link = "https://example.com/" + key;
    article.date = date;
    article.html = std::move(html);
    return article;
}

std::string Repeat(std::string_view unit, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += unit;
    return out;
}

// Text of about `bytes` bytes of varied words, as the search index sees articles.
std::string Prose(size_t bytes, int seed) {
    std::string html = "<p>";
    for (int i = 0; html.size() < bytes; ++i) {
        html += "word" + std::to_string((seed * 7919 + i * 31) % 20000) + " ";
    }
    return html + "</p>";
}

bool ValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80       ? 1
                              : c >> 5 == 6  ? 2
                              : c >> 4 == 14 ? 3
                              : c >> 3 == 30 ? 4
                                             : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

int64_t Number(sqlite3* db, const std::string& sql) {
    SqliteStatement query(db, sql);
    return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
}

// The bytes of text whose article is gone.
int64_t OrphanTextBytes(sqlite3* db) {
    return Number(db,
                  "SELECT coalesce(sum(length(html)), 0) FROM article_texts "
                  "WHERE id NOT IN (SELECT id FROM articles)");
}

// The size of the store's file. (Its log is cut back to 4 MB after each checkpoint.)
int64_t FileBytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

class LibraryBounds : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_store.Open(Path())); }
    std::string Path() const { return m_dir.File("varlo.db"); }
    int Record(const Text& url, const std::vector<LibraryArticle>& articles, int64_t now) {
        return m_library.RecordFeed(url, {}, articles, now, true);
    }
    sqlite3* Db() const { return m_store.Connection(); }

    TempDir m_dir;
    CFeedStore m_store;
    CLibrary m_library{m_store};
};

TEST(ArticleLimits, ATextIsCutBetweenCharactersAtItsLimit) {
    EXPECT_EQ(CapUtf8("abc", 3), "abc");
    EXPECT_EQ(CapUtf8("abcd", 3), "abc");
    // "あ" is three bytes: a cut inside it keeps none of it.
    EXPECT_EQ(CapUtf8("aあ", 3), "a");
    EXPECT_EQ(CapUtf8("aあ", 4), "aあ");
    EXPECT_EQ(CapUtf8("😀😀", 7), "😀");
    EXPECT_EQ(CapUtf8("😀", 3), "");
}

TEST_F(LibraryBounds, AnArticlesTextAndSearchWordsGoWithItHoweverItGoes) {
    // A site's limit.
    m_library.SetSiteLimits(3, int64_t{1} << 30);
    std::vector<LibraryArticle> five;
    for (int i = 1; i <= 5; ++i) {
        five.push_back(Article("u" + std::to_string(i), kT0 + i, "<p>apple" + std::to_string(i)));
    }
    ASSERT_EQ(Record("u", five, kT0), 5);
    EXPECT_EQ(m_library.Count(LibraryView::Site("u")), 3);
    EXPECT_TRUE(m_library.Search("apple1").empty());
    EXPECT_EQ(m_library.Search("apple5").size(), 1u);
    EXPECT_EQ(Number(Db(), "SELECT count(*) FROM article_texts"), 3);

    // The keeping time: an article long gone from its feed goes.
    m_library.SetSiteLimits(CLibrary::kMaxArticlesPerSite, CLibrary::kMaxTextPerSite);
    ASSERT_EQ(Record("v", {Article("v1", kT0, "<p>banana")}, kT0), 1);
    ASSERT_EQ(Record("w", {Article("w1", kT0, "<p>cherry"), Article("w2", kT0, "<p>durian")}, kT0),
              2);
    ASSERT_TRUE(m_library.SetStarredByKey("w1", true));
    const int64_t later = kT0 + 100 * kDay;
    ASSERT_EQ(Record("v", {Article("v2", later, "<p>elder")}, later), 1);
    // A forgotten site (u and w, untouched since): its unstarred articles go.
    ASSERT_TRUE(m_library.Prune(later, 90));

    EXPECT_EQ(Number(Db(), "SELECT count(*) FROM articles WHERE stored = 1"), 2);
    EXPECT_EQ(Number(Db(), "SELECT count(*) FROM article_texts"), 2);
    EXPECT_EQ(OrphanTextBytes(Db()), 0);
    for (const char* gone : {"apple5", "banana", "durian"})
        EXPECT_TRUE(m_library.Search(gone).empty());
    EXPECT_EQ(m_library.Search("cherry").size(), 1u);
    EXPECT_EQ(m_library.Search("elder").size(), 1u);
    EXPECT_TRUE(m_library.CheckSearchIndex());
}

TEST_F(LibraryBounds, AFeedOfNewBigArticlesAtEveryUpdateKeepsTheStoreWithinItsSitesShare) {
    // Fifteen new 100 KB articles at each update against a share of 2 MB (a thirty-second of a
    // site's): the texts of trimmed articles stayed behind and the file grew by the whole feed
    // at every update.
    constexpr int64_t kShare = 2 << 20;
    constexpr int kPerUpdate = 15;
    m_library.SetSiteLimits(CLibrary::kMaxArticlesPerSite, kShare);
    int64_t largest = 0;
    for (int update = 0; update < 8; ++update) {
        std::vector<LibraryArticle> feed;
        for (int i = 0; i < kPerUpdate; ++i) {
            const int n = update * kPerUpdate + i;
            feed.push_back(Article("big" + std::to_string(n), kT0 + n, Prose(100000, n)));
        }
        ASSERT_EQ(Record("big", feed, kT0 + update * kDay), kPerUpdate);
        largest = std::max(largest, FileBytes(Path()));
    }
    EXPECT_EQ(OrphanTextBytes(Db()), 0);
    EXPECT_LE(largest, kShare * 3 / 2);
    EXPECT_TRUE(m_library.CheckSearchIndex());
    RecordProperty("largest_store_bytes", std::to_string(largest));
}

TEST_F(LibraryBounds, EveryTextIsHeldToItsLimitAndALongKeyStillFindsItsArticle) {
    LibraryArticle article = Article("", kT0);
    article.key = Repeat("k", 5000) + "鍵";
    article.title = Repeat("あ", 1000);    // 3,000 bytes
    article.author = Repeat("é", 2000);    // 4,000 bytes
    article.category = Repeat("😀", 1000);  // 4,000 bytes
    article.link = "https://example.com/" + Repeat("x", 20000);
    ASSERT_EQ(Record("u", {article}, kT0), 1);
    std::optional<LibraryRow> row = m_library.FindByKey("u", article.key);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->title, Repeat("あ", 682));
    EXPECT_EQ(row->author, Repeat("é", 1024));
    EXPECT_EQ(row->category, Repeat("😀", 512));
    EXPECT_EQ(row->link.size(), kMaxLinkBytes);
    EXPECT_LE(row->key.size(), 32u);
    for (const std::string& text : {row->title, row->author, row->category, row->link}) {
        EXPECT_TRUE(ValidUtf8(text));
    }
    // The same article read again is the same article; marks find it by its whole key or by
    // the key a view gave, and a sync server finds it by its whole link.
    EXPECT_EQ(Record("u", {article}, kT0 + 60), 0);
    EXPECT_EQ(m_library.SetReadByKey(article.key, true), 1);
    EXPECT_EQ(m_library.SetStarredByKey(row->key, true), 1);
    EXPECT_TRUE(m_library.FindByKey("u", row->key)->starred);
    ASSERT_TRUE(m_library.FindByLink("u", article.link));
    EXPECT_EQ(m_library.FindByLink("u", article.link)->id, row->id);
    EXPECT_EQ(m_library.RecordServerArticles({{"u", {[&] {
                                                   LibraryArticle same = article;
                                                   same.serverId =
                                                       "tag:google.com,2005:reader/item/01";
                                                   return same;
                                               }()}}},
                                             kT0 + 120),
              0);
    EXPECT_EQ(m_library.FindByServerId("tag:google.com,2005:reader/item/01")->id, row->id);
}

TEST_F(LibraryBounds, ASitesShareCountsEveryTextAnArticleStoresNotItsHtmlAlone) {
    // Articles of a line of HTML with the largest title, author, category and link kept: each
    // costs about 18 KB, of which its HTML is a few bytes.
    constexpr int64_t kShare = 240000;
    m_library.SetSiteLimits(CLibrary::kMaxArticlesPerSite, kShare);
    std::vector<LibraryArticle> feed;
    for (int i = 0; i < 40; ++i) {
        LibraryArticle article = Article("k" + std::to_string(i), kT0 + i);
        article.title = std::string(1 << 20, 't');
        article.author = std::string(1 << 20, 'a');
        article.category = std::string(1 << 20, 'c');
        article.link = "https://example.com/" + std::to_string(i) + std::string(1 << 20, 'x');
        feed.push_back(std::move(article));
    }
    ASSERT_EQ(Record("u", feed, kT0), 40);
    const int64_t cost =
        StoredArticleCost("k0", Repeat("t", kMaxTitleBytes), Repeat("l", kMaxLinkBytes),
                          Repeat("a", kMaxAuthorBytes), Repeat("c", kMaxCategoryBytes), {}, "x");
    EXPECT_GT(cost, 16000);
    EXPECT_NEAR(m_library.Count(LibraryView::Site("u")), kShare / cost, 1);
    // What the site holds is what its share allows, whatever its feed repeats.
    EXPECT_LE(Number(Db(),
                     "SELECT sum(length(title) + length(author) + length(category) + "
                     "length(link) + length(key)) FROM articles"),
              kShare);
}

TEST_F(LibraryBounds, ADamagedSearchIndexIsRebuiltWithAMessageInsteadOfFailingEveryUpdate) {
    const struct {
        const char* name;
        const char* damage;
        bool writeNotices;  // the next update reads what was damaged
    } damages[] = {
        // The record of the index's segments, garbled.
        {"structure", "UPDATE article_search_data SET block = x'0102030405' WHERE id = 10", true},
        // The pages of its segments, lost: an update that merges nothing never reads them, the
        // first search does, and a worker then repairs the index.
        {"pages", "DELETE FROM article_search_data WHERE id > 10", false},
    };
    int site = 0;
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        const std::string url = "u" + std::to_string(site++);
        std::vector<LibraryArticle> first;
        for (int i = 0; i < 50; ++i) {
            first.push_back(Article(url + "a" + std::to_string(i), kT0 + i, Prose(2000, i)));
        }
        ASSERT_EQ(Record(url, first, kT0), 50);
        // From outside: another program, a disk that lost writes.
        {
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
            EXPECT_EQ(SqliteExec(other, damage.damage), SQLITE_OK);
            sqlite3_close(other);
        }
        // The store's own check sees nothing amiss; the index's does.
        EXPECT_EQ(Number(Db(), "SELECT count(*) FROM pragma_quick_check WHERE quick_check = 'ok'"),
                  1);
        EXPECT_FALSE(m_library.CheckSearchIndex());
        m_store.ClearNotice();
        std::vector<LibraryArticle> next;
        for (int i = 0; i < 10; ++i) {
            next.push_back(Article(url + "b" + std::to_string(i), kT0 + 100 + i,
                                   "<p>fig" + url + " " + Prose(2000, 100 + i)));
        }
        EXPECT_EQ(Record(url, next, kT0 + kDay), 10);
        if (!damage.writeNotices && m_store.Notice().empty()) {
            EXPECT_TRUE(m_library.Search("word0").empty());
            EXPECT_TRUE(m_library.SearchFailed());
            EXPECT_TRUE(m_library.RepairSearchIndex());
        }
        EXPECT_FALSE(m_store.Notice().empty());
        EXPECT_TRUE(m_library.CheckSearchIndex());
        EXPECT_EQ(m_library.Search("fig" + url).size(), 10u);
        // The articles recorded before the damage are found again.
        EXPECT_FALSE(m_library.Search("word0").empty());
        // And the updates after it go on without a word.
        m_store.ClearNotice();
        EXPECT_EQ(Record(url, {Article(url + "c", kT0 + 200, "<p>grape")}, kT0 + 2 * kDay), 1);
        EXPECT_TRUE(m_store.Notice().empty());
    }
}

TEST_F(LibraryBounds, ASearchThatFailsOnADamagedIndexSaysSoAndARepairMendsIt) {
    std::vector<LibraryArticle> feed;
    for (int i = 0; i < 20; ++i) feed.push_back(Article("a" + std::to_string(i), kT0 + i));
    ASSERT_EQ(Record("u", feed, kT0), 20);
    ASSERT_TRUE(m_library.RepairSearchIndex());
    EXPECT_TRUE(m_store.Notice().empty());
    // Damage from outside: another program, a disk that lost a write.
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
        EXPECT_EQ(
            SqliteExec(other, "UPDATE article_search_data SET block = x'0102030405' WHERE id = 10"),
            SQLITE_OK);
        sqlite3_close(other);
    }
    EXPECT_TRUE(m_library.Search("title").empty());
    EXPECT_TRUE(m_library.SearchFailed());
    // What a worker does when the window's search failed.
    CFeedStore worker;
    ASSERT_TRUE(worker.OpenAnother(Path()));
    CLibrary library(worker);
    EXPECT_TRUE(library.RepairSearchIndex());
    EXPECT_FALSE(worker.Notice().empty());
    EXPECT_EQ(m_library.Search("title").size(), 20u);
}

// The store as the previous version left it: texts of articles that went stay behind, links are
// indexed whole, texts are not held to limits, `text_size` counts titles and HTML only, and the
// file never gives pages back.
constexpr const char* kBackToSchema8 =
    "DROP TRIGGER articles_take_texts;"
    "DROP INDEX articles_by_link;"
    "CREATE INDEX articles_by_link ON articles(feed_id, link) WHERE stored = 1;"
    "UPDATE articles SET text_size = length(title) + "
    "  (SELECT length(html) FROM article_texts t WHERE t.id = articles.id);"
    "PRAGMA user_version=8;";

TEST(LibraryCostMigration, AStoreOfSchema8LosesItsOrphanTextsAndLongTextsAndGivesPagesBack) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    const std::string longKey = Repeat("k", 3000);
    int64_t before = 0;
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        CLibrary library(store);
        std::vector<LibraryArticle> feed;
        for (int i = 0; i < 200; ++i) {
            feed.push_back(Article("a" + std::to_string(i), kT0 + i, Prose(20000, i)));
        }
        feed.push_back(Article(longKey, kT0 + 300, "<p>kept"));
        ASSERT_EQ(library.RecordFeed("u", {}, feed, kT0, true), 201);
        sqlite3* db = store.Connection();
        ASSERT_EQ(SqliteExec(db, test::kBackBeforeRules), SQLITE_OK);
        ASSERT_EQ(
            SqliteExec(db, (std::string(test::kBackBeforeFullTexts) + kBackToSchema8).c_str()),
            SQLITE_OK);
        ASSERT_EQ(SqliteExec(db, "PRAGMA auto_vacuum=NONE; VACUUM;"), SQLITE_OK);
        ASSERT_EQ(Number(db, "PRAGMA auto_vacuum"), 0);
        // What the previous version did: the site's limit took articles and left their texts.
        ASSERT_EQ(SqliteExec(db,
                             "DELETE FROM articles WHERE id IN (SELECT id FROM articles "
                             "ORDER BY id LIMIT 150)"),
                  SQLITE_OK);
        ASSERT_EQ(SqliteExec(db, ("UPDATE articles SET key = '" + longKey + "', author = '" +
                                  Repeat("a", 100000) + "' WHERE key_hash = " +
                                  std::to_string(static_cast<int64_t>(HashArticleKey(longKey))))
                                     .c_str()),
                  SQLITE_OK);
        ASSERT_GT(OrphanTextBytes(db), 150 * 20000);
        ASSERT_EQ(SqliteExec(db, "PRAGMA wal_checkpoint(TRUNCATE)"), SQLITE_OK);
        before = FileBytes(path);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Notice().empty());
    sqlite3* db = store.Connection();
    EXPECT_EQ(OrphanTextBytes(db), 0);
    EXPECT_EQ(Number(db, "SELECT count(*) FROM article_texts"), 51);
    CLibrary library(store);
    EXPECT_TRUE(library.CheckSearchIndex());
    std::optional<LibraryRow> kept = library.FindByKey("u", longKey);
    ASSERT_TRUE(kept);
    EXPECT_LE(kept->key.size(), 32u);
    EXPECT_EQ(kept->author.size(), kMaxAuthorBytes);
    // Every article's cost is what it stores now.
    EXPECT_EQ(Number(db,
                     "SELECT count(*) FROM articles a JOIN article_texts t ON t.id = a.id "
                     "WHERE a.text_size <= length(t.html) + length(a.title) + length(a.link)"),
              0);
    // The next record gives the freed pages back, and from then on in steps.
    ASSERT_EQ(library.RecordFeed("u", {}, {Article("b", kT0 + 400)}, kT0 + kDay, true), 1);
    EXPECT_EQ(Number(db, "PRAGMA auto_vacuum"), 2);
    EXPECT_LT(FileBytes(path), before / 2);
    EXPECT_TRUE(library.CheckSearchIndex());
    // Articles that go from now on take their texts.
    ASSERT_EQ(SqliteExec(db, "DELETE FROM articles"), SQLITE_OK);
    EXPECT_EQ(Number(db, "SELECT count(*) FROM article_texts"), 0);
    EXPECT_TRUE(library.CheckSearchIndex());
}

}  // namespace
}  // namespace varlo

namespace varlo {
namespace {

// Several downloads in one transaction keep what they would have kept one at a time: each site
// trimmed to its own limits, its new articles counted for it, a repeated key counted once.
TEST_F(LibraryBounds, DownloadsRecordedTogetherKeepWhatEachWouldKeepAlone) {
    auto feed = [](const std::string& site, int first, int count) {
        std::vector<LibraryArticle> articles;
        for (int i = first; i < first + count; ++i) {
            articles.push_back(Article(site + std::to_string(i), kT0 + i,
                                       "<p>" + site + "word" + std::to_string(i) + " 日本語"));
        }
        return articles;
    };
    const std::vector<LibraryArticle> a = feed("a", 0, 7), b = feed("b", 0, 2),
                                      a2 = feed("a", 5, 4);
    TempDir aloneDir;
    CFeedStore aloneStore;
    ASSERT_TRUE(aloneStore.Open(aloneDir.File("varlo.db")));
    CLibrary alone(aloneStore);
    for (CLibrary* library : {&alone, &m_library}) library->SetSiteLimits(5, int64_t{1} << 30);
    const std::vector<int> aloneAdded = {alone.RecordFeed("a", {"e1", ""}, a, kT0, true),
                                         alone.RecordFeed("b", {}, b, kT0, true),
                                         alone.RecordFeed("a", {"e2", ""}, a2, kT0 + 1, true)};

    std::vector<CLibrary::FeedDownload> downloads = {{"a", {"e1", ""}, &a, kT0, true},
                                                     {"b", {}, &b, kT0, true},
                                                     {"a", {"e2", ""}, &a2, kT0 + 1, true}};
    ASSERT_TRUE(m_library.RecordFeeds(downloads));
    EXPECT_EQ(aloneAdded, (std::vector<int>{7, 2, 2}));
    for (size_t i = 0; i < downloads.size(); ++i) EXPECT_EQ(downloads[i].added, aloneAdded[i]);
    for (const char* site : {"a", "b"}) {
        SCOPED_TRACE(site);
        std::vector<std::string> together, one;
        for (const LibraryRow& row : m_library.Page(LibraryView::Site(site), 0, 100)) {
            together.push_back(row.key);
        }
        for (const LibraryRow& row : alone.Page(LibraryView::Site(site), 0, 100)) {
            one.push_back(row.key);
        }
        EXPECT_EQ(together, one);
    }
    EXPECT_EQ(m_library.Count(LibraryView::Site("a")), 5);
    EXPECT_EQ(m_store.Feed("a").validators.etag, "e2");
    // Every text kept is searchable, and none of a trimmed article stays.
    EXPECT_EQ(m_library.Search("aword8").size(), 1u);
    EXPECT_TRUE(m_library.Search("aword0").empty());
    EXPECT_EQ(m_library.Search("日本").size(), 7u);
    EXPECT_EQ(OrphanTextBytes(Db()), 0);
    EXPECT_TRUE(m_library.CheckSearchIndex());
}

TEST_F(LibraryBounds, DownloadsRecordedTogetherAreRecordedAllOrNone) {
    const std::vector<LibraryArticle> a = {Article("a1", kT0)}, b = {Article("b1", kT0)};
    std::vector<CLibrary::FeedDownload> downloads = {{"a", {}, &a, kT0, true},
                                                     {"b", {}, &b, kT0, true}};
    // Another connection holds the store's write lock: nothing can be written now.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
    sqlite3_busy_timeout(Db(), 0);
    ASSERT_EQ(SqliteExec(other, "BEGIN IMMEDIATE"), SQLITE_OK);
    EXPECT_FALSE(m_library.RecordFeeds(downloads));
    for (const auto& download : downloads) EXPECT_EQ(download.added, -1);
    SqliteExec(other, "ROLLBACK");
    sqlite3_close(other);
    EXPECT_EQ(Number(Db(), "SELECT count(*) FROM articles"), 0);
    ASSERT_TRUE(m_library.RecordFeeds(downloads));
    EXPECT_EQ(downloads[0].added + downloads[1].added, 2);
}

}  // namespace
}  // namespace varlo

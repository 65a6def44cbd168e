#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/library.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

constexpr int64_t kT0 = 1700000000;

LibraryArticle Article(const std::string& key, std::string html) {
    LibraryArticle article;
    article.key = key;
    article.title = "title " + key;
    article.link = "https://example.com/" + key;
    article.date = kT0;
    article.html = std::move(html);
    return article;
}

class LibraryFullText : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
        ASSERT_EQ(m_library.RecordFeed("site", {}, {Article("a", "<p>summary of the bridge</p>")},
                                       kT0, true),
                  1);
        m_id = m_library.Page(LibraryView::All(), 0, 1).at(0).id;
    }
    size_t Hits(const std::string& words) { return m_library.Search(words).size(); }

    test::TempDir m_dir;
    CFeedStore m_store;
    CLibrary m_library{m_store};
    int64_t m_id = 0;
};

TEST_F(LibraryFullText, IsKeptBesideTheFeedsTextAndSearchedInsteadOfIt) {
    EXPECT_EQ(m_library.FullText(m_id), std::nullopt);
    ASSERT_TRUE(m_library.SetFullText(m_id, "<p>the whole story of the 吊り橋 and its cables</p>"));
    EXPECT_EQ(m_library.FullText(m_id), "<p>the whole story of the 吊り橋 and its cables</p>");
    // The feed's text stays what the feed's page shows.
    EXPECT_EQ(m_library.Article(m_id)->html, "<p>summary of the bridge</p>");
    EXPECT_EQ(Hits("cables"), 1u);
    EXPECT_EQ(Hits("吊り橋"), 1u);
    EXPECT_EQ(Hits("summary"), 0u);
    EXPECT_EQ(Hits("title"), 1u);
    EXPECT_TRUE(m_library.CheckSearchIndex());
}

TEST_F(LibraryFullText, StaysInTheIndexThroughChangesOfTheFeedAndGoesWithItsArticle) {
    ASSERT_TRUE(m_library.SetFullText(m_id, "<p>first whole text</p>"));
    ASSERT_TRUE(m_library.SetFullText(m_id, "<p>second whole text</p>"));
    EXPECT_EQ(Hits("first"), 0u);
    EXPECT_EQ(Hits("second"), 1u);
    // The feed changes the article's title and text: the whole text still answers.
    LibraryArticle changed = Article("a", "<p>a new summary</p>");
    changed.title = "renamed";
    m_library.RecordFeed("site", {}, {changed}, kT0 + 60, true);
    EXPECT_EQ(Hits("second"), 1u);
    EXPECT_EQ(Hits("renamed"), 1u);
    EXPECT_EQ(Hits("summary"), 0u);
    EXPECT_TRUE(m_library.CheckSearchIndex());
    // Forgotten with its article.
    m_store.Prune(kT0 + 400 * 86400);
    EXPECT_EQ(Hits("second"), 0u);
    EXPECT_EQ(m_library.FullText(m_id), std::nullopt);
    EXPECT_TRUE(m_library.CheckSearchIndex());
    EXPECT_FALSE(m_library.SetFullText(m_id, "<p>nothing to attach to</p>"));
}

TEST_F(LibraryFullText, FindsEveryArticleByKeyWhateverTheSignOfItsKeysHash) {
    // About half of all keys hash to a value that is negative as a signed number.
    std::vector<LibraryArticle> feed;
    for (int i = 0; i < 16; ++i) feed.push_back(Article("/article-" + std::to_string(i), "<p>x"));
    ASSERT_EQ(m_library.RecordFeed("many", {}, feed, kT0, true), 16);
    for (const LibraryArticle& article : feed)
        EXPECT_TRUE(m_library.FindByKey("many", article.key).has_value()) << article.key;
}

TEST_F(LibraryFullText, CountsAgainstItsSitesShareOnceAndTheSiteStaysWithinIt) {
    auto siteCost = [&] {
        SqliteStatement query(m_store.Connection(),
                              "SELECT sum(text_size) FROM articles WHERE stored = 1");
        return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
    };
    const int64_t feedOnly = siteCost();
    const std::string whole = "<p>" + std::string(100000, 'w') + "</p>";
    ASSERT_TRUE(m_library.SetFullText(m_id, whole));
    const int64_t withWhole = siteCost();
    EXPECT_GE(withWhole - feedOnly, 150000) << "its row and its words in the search index";
    // A second fetch replaces the first: counted once.
    ASSERT_TRUE(m_library.SetFullText(m_id, whole));
    EXPECT_EQ(siteCost(), withWhole);
    // The feed read again changes nothing, and a feed's change keeps the whole article's part.
    m_library.RecordFeed("site", {}, {Article("a", "<p>summary of the bridge</p>")}, kT0 + 60,
                         true);
    EXPECT_EQ(siteCost(), withWhole);
    m_library.RecordFeed("site", {}, {Article("a", "<p>a longer summary of the bridge</p>")},
                         kT0 + 120, true);
    EXPECT_GT(siteCost(), withWhole);
    EXPECT_LT(siteCost(), withWhole + 100);

    // Whole articles fill a small share: the oldest articles go, the newest stays.
    m_library.SetSiteLimits(CLibrary::kMaxArticlesPerSite, 400000);
    std::vector<LibraryArticle> feed;
    for (int i = 0; i < 4; ++i) {
        feed.push_back(Article("n" + std::to_string(i), "<p>short</p>"));
        feed.back().date = kT0 + 1000 + i;
    }
    ASSERT_EQ(m_library.RecordFeed("site", {}, feed, kT0 + 200, true), 4);
    for (int i = 0; i < 4; ++i) {
        const auto found = m_library.FindByKey("site", "n" + std::to_string(i));
        ASSERT_TRUE(found.has_value());
        EXPECT_TRUE(m_library.SetFullText(found->id, whole));
    }
    EXPECT_LE(siteCost(), 400000);
    EXPECT_TRUE(m_library.FindByKey("site", "n3").has_value());
    EXPECT_FALSE(m_library.FindByKey("site", "a").has_value()) << "the oldest went first";
    EXPECT_TRUE(m_library.CheckSearchIndex());

    // A whole article larger than any article needs is not kept.
    const auto newest = m_library.FindByKey("site", "n3");
    EXPECT_FALSE(m_library.SetFullText(
        newest->id, std::string(static_cast<size_t>(CLibrary::kMaxFullTextBytes) + 1, 'x')));
    EXPECT_EQ(m_library.FullText(newest->id), whole);
}

}  // namespace
}  // namespace varlo

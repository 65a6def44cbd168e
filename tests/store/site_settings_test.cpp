// A site's own settings: what each may be set to, kept by feed address through a change of the
// address and gone with the site and its password, the table added to an older store, and the
// site's own keeping of articles in the library.

#include "store/site_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/secret_store.h"
#include "store/library.h"
#include "store/schema_before_rules.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ScopedEnv;

constexpr int64_t kDay = 86400;
constexpr int64_t kT0 = 1700000000;

TEST(SiteSetting, EachValueIsTakenOnlyWithinItsRange) {
    SiteSettings s;
    EXPECT_TRUE(SetSiteSetting(s, "interval", "15").empty());
    EXPECT_EQ(s.interval, 15);
    EXPECT_TRUE(SetSiteSetting(s, "interval", "1440").empty());
    for (const char* refused : {"14", "1441", "-20", "+20", "20m", "", "0x20"}) {
        if (*refused == '\0') continue;  // empty is "global"
        EXPECT_FALSE(SetSiteSetting(s, "interval", refused).empty()) << refused;
    }
    EXPECT_EQ(s.interval, 1440);
    EXPECT_TRUE(SetSiteSetting(s, "interval", "global").empty());
    EXPECT_EQ(s.interval, 0);

    EXPECT_TRUE(SetSiteSetting(s, "keepArticles", "20000").empty());
    EXPECT_FALSE(SetSiteSetting(s, "keepArticles", "20001").empty());
    EXPECT_FALSE(SetSiteSetting(s, "keepDays", "0").empty());
    EXPECT_TRUE(SetSiteSetting(s, "keepDays", "7").empty());
    EXPECT_EQ(s.keepDays, 7);
    EXPECT_FALSE(SetSiteSetting(s, "display", "browser").empty());
    EXPECT_TRUE(SetSiteSetting(s, "display", "page").empty());
    EXPECT_EQ(s.display, ArticleDisplay::kWebPage);
    EXPECT_TRUE(SetSiteSetting(s, "notify", "false").empty());
    EXPECT_FALSE(s.notify);
    EXPECT_FALSE(SetSiteSetting(s, "fullText", "yes").empty());
    EXPECT_FALSE(SetSiteSetting(s, "password", "x").empty());
}

TEST(SiteSetting, AUserAgentIsPrintableAsciiOfAtMost256Bytes) {
    SiteSettings s;
    EXPECT_TRUE(SetSiteSetting(s, "userAgent", "browser").empty());
    EXPECT_EQ(s.agentKind, UserAgentKind::kBrowser);
    EXPECT_TRUE(SetSiteSetting(s, "userAgent", std::string(256, 'a')).empty());
    EXPECT_EQ(s.agentKind, UserAgentKind::kCustom);
    EXPECT_FALSE(SetSiteSetting(s, "userAgent", std::string(257, 'a')).empty());
    EXPECT_FALSE(SetSiteSetting(s, "userAgent", "Bot\r\nX-Evil: 1").empty());
    EXPECT_FALSE(SetSiteSetting(s, "userAgent", "\xE6\x97\xA5").empty());
    EXPECT_EQ(s.agent, std::string(256, 'a'));
    EXPECT_TRUE(SetSiteSetting(s, "userAgent", "").empty());
    EXPECT_EQ(s.agentKind, UserAgentKind::kVarlo);
    EXPECT_FALSE(SetSiteSetting(s, "user", "a\nb").empty());
}

class SiteSettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(store.Open(dir.File("varlo.db"))); }
    test::TempDir dir;
    ScopedEnv config{"VARLO_CONFIG", dir.File("conf/Varlo.ini").c_str()};
    ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
    CFeedStore store;
};

TEST_F(SiteSettingsStore, SettingsFollowTheFeedAddressAndGoWithTheSiteAndItsPassword) {
    SiteSettings s;
    s.interval = 30;
    s.user = "ann";
    s.agentKind = UserAgentKind::kCustom;
    s.agent = "Reader/1";
    s.noProxy = true;
    ASSERT_TRUE(SaveSiteSettings(store, "http://a/feed", s));
    ASSERT_TRUE(StorePassword(SitePasswordAccount("http://a/feed"), "secret").ok);
    EXPECT_EQ(LoadSiteSettings(store, "http://a/feed"), s);
    EXPECT_EQ(LoadSiteSettings(store, "http://other/feed"), SiteSettings());

    ASSERT_TRUE(MoveSiteSettings(store, "http://a/feed", "https://a/feed"));
    EXPECT_EQ(LoadSiteSettings(store, "http://a/feed"), SiteSettings());
    EXPECT_EQ(LoadSiteSettings(store, "https://a/feed"), s);
    EXPECT_EQ(LookupPassword(SitePasswordAccount("https://a/feed")), "secret");
    EXPECT_FALSE(LookupPassword(SitePasswordAccount("http://a/feed")));

    ASSERT_TRUE(ForgetSiteSettings(store, "https://a/feed"));
    EXPECT_TRUE(LoadAllSiteSettings(store).empty());
    EXPECT_FALSE(LookupPassword(SitePasswordAccount("https://a/feed")));
    // The only password was the site's: the file goes with it.
    EXPECT_NE(access(PasswordFilePath().c_str(), F_OK), 0);
}

TEST_F(SiteSettingsStore, DefaultsKeepNoRow) {
    SiteSettings s;
    s.fullText = true;
    ASSERT_TRUE(SaveSiteSettings(store, "u", s));
    EXPECT_EQ(LoadAllSiteSettings(store).size(), 1u);
    ASSERT_TRUE(SaveSiteSettings(store, "u", SiteSettings()));
    EXPECT_TRUE(LoadAllSiteSettings(store).empty());
}

TEST(SiteSettingsMigration, AStoreOfTheVersionBeforeGetsTheTableAndKeepsItsFeeds) {
    test::TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        ASSERT_GE(store.RecordSuccess("u", {"e", ""}, {"k"}, kT0), 0);
        ASSERT_EQ(SqliteExec(store.Connection(), test::kBackBeforeRules), SQLITE_OK);
        ASSERT_EQ(
            SqliteExec(store.Connection(), "DROP TABLE site_settings; PRAGMA user_version=10;"),
            SQLITE_OK);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Notice().empty());
    EXPECT_EQ(store.Feed("u").validators.etag, "e");
    SiteSettings s;
    s.keepDays = 3;
    EXPECT_TRUE(SaveSiteSettings(store, "u", s));
    EXPECT_EQ(LoadSiteSettings(store, "u").keepDays, 3);
}

LibraryArticle Article(const std::string& key) {
    LibraryArticle article;
    article.key = key;
    article.title = key;
    article.html = "<p>" + key;
    return article;
}

TEST_F(SiteSettingsStore, ASiteKeepsItsOwnDaysAndNumberOfArticles) {
    CLibrary library(store);
    SiteSettings days;
    days.keepDays = 2;
    SiteSettings few;
    few.keepArticles = 3;
    ASSERT_TRUE(SaveSiteSettings(store, "short", days));
    ASSERT_TRUE(SaveSiteSettings(store, "few", few));
    for (const char* site : {"short", "long", "few"}) {
        ASSERT_EQ(library.RecordFeed(site, {}, {Article("old")}, kT0, true), 1);
        // The next body no longer holds the old article.
        ASSERT_EQ(library.RecordFeed(site, {}, {Article("a"), Article("b"), Article("c")},
                                     kT0 + kDay, true),
                  3);
    }
    EXPECT_EQ(library.Count(LibraryView::Site("few")), 3);  // the oldest went at once
    ASSERT_TRUE(library.Prune(kT0 + 3 * kDay, 10));
    EXPECT_EQ(library.Count(LibraryView::Site("short")), 3);  // gone after its own two days
    EXPECT_EQ(library.Count(LibraryView::Site("long")), 4);   // kept for the library's ten
    ASSERT_TRUE(library.Prune(kT0 + 12 * kDay, 10));
    EXPECT_EQ(library.Count(LibraryView::Site("long")), 3);
    // A number lowered later holds from the next pruning on.
    few.keepArticles = 1;
    ASSERT_TRUE(SaveSiteSettings(store, "few", few));
    ASSERT_TRUE(library.Prune(kT0 + 12 * kDay, 10));
    EXPECT_EQ(library.Count(LibraryView::Site("few")), 1);
}

}  // namespace
}  // namespace varlo

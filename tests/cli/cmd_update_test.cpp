// varlo-cli update, new and the store's paths, run as separate programs against loopback servers;
// and the store surviving an update killed at any point.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/run_cli.h"
#include "store/article_keys.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

std::string Rss(const std::vector<std::string>& guids) {
    std::string xml = "<rss version='2.0'><channel><title>t</title>";
    for (const auto& g : guids)
        xml += "<item><title>" + g + "</title><guid>" + g + "</guid></item>";
    return xml + "</channel></rss>";
}

std::vector<Json> Lines(const std::string& out) {
    std::vector<Json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}

class CliUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        setenv("VARLO_PROGRAM_FOLDER", m_dir.Path().c_str(), 1);
        setenv("XDG_CACHE_HOME", m_dir.File("cache").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VARLO_PROGRAM_FOLDER");
        unsetenv("XDG_CACHE_HOME");
        unsetenv("VARLO_TEST_KILL_AT");
    }
    // A subscription file with one site per path, plus a site without a feed.
    std::string Subscriptions(const std::vector<std::string>& paths) {
        std::string opml = "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>";
        for (const auto& p : paths) {
            opml += "<outline text='s' type='rss' xmlUrl='" + m_server.Url(p) + "'/>";
        }
        opml += "<outline text='page only' htmlUrl='http://example.com/'/></body></opml>";
        test::WriteFile(m_dir.File("subs.opml"), opml);
        return "'" + m_dir.File("subs.opml") + "'";
    }
    void Serve(const std::string& path, const std::vector<std::string>& guids,
               const std::string& etag) {
        test::Response response = test::Ok(Rss(guids));
        response.etag = etag;
        m_server.Route(path, response);
    }

    test::TempDir m_dir;
    test::LoopbackServer m_server;
};

TEST_F(CliUpdate, PrintsOneLinePerSiteInFileOrderThenASummaryAndNewShowsWhatIsUnseen) {
    Serve("/a", {"1", "2"}, "\"a\"");
    Serve("/b", {"x"}, "\"b\"");
    const std::string subs = Subscriptions({"/a", "/missing", "/b"});
    auto result = test::RunCli("update " + subs + " --jobs 2");
    ASSERT_EQ(result.status, 0);
    auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], Json::parse("{\"xmlUrl\":\"" + m_server.Url("/a") +
                                    "\",\"status\":\"new\",\"new\":2,\"message\":\"\"}"));
    EXPECT_EQ(lines[1]["status"], "failed");
    EXPECT_EQ(lines[1]["message"], "サーバーがエラー 404 を返しました");
    EXPECT_EQ(lines[2]["new"], 1);
    EXPECT_EQ(lines[3], Json::parse(R"({"sites":3,"new":2,"failed":1,"waiting":0,"fresh":0,
                                         "gone":0,"wholeArticles":0})"));

    Serve("/b", {"x", "y"}, "\"b2\"");
    lines = Lines(test::RunCli("update " + subs).out);
    EXPECT_EQ(lines[0]["status"], "unchanged");
    EXPECT_EQ(lines[0]["new"], 0);
    EXPECT_EQ(lines[2]["status"], "new");
    EXPECT_EQ(lines[2]["new"], 1);
    EXPECT_EQ(lines[3], Json::parse(R"({"sites":3,"new":1,"failed":1,"waiting":0,"fresh":0,
                                         "gone":0,"wholeArticles":0})"));

    // The marks live in the store, across runs of the tool.
    lines = Lines(test::RunCli("new " + subs).out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Json::parse("{\"xmlUrl\":\"" + m_server.Url("/a") + "\",\"unseen\":2}"));
    EXPECT_TRUE(lines[1]["unseen"].is_null());
    EXPECT_EQ(lines[2]["unseen"], 2);
}

TEST_F(CliUpdate, TellsOfSitesThatWaitAreGoneOrWithAutoStillFresh) {
    test::LoopbackServer busy("127.0.0.2");
    test::Response tooMany;
    tooMany.status = 429;
    tooMany.headers = {{"Retry-After", "3600"}};
    busy.Route("/busy", tooMany);
    test::Response fresh = test::Ok(Rss({"1"}));
    fresh.headers.emplace_back("Cache-Control", "max-age=3600");
    m_server.Route("/fresh", fresh);
    test::Response gone;
    gone.status = 410;
    m_server.Route("/gone", gone);
    std::string opml = "<opml version='1.0'><body>";
    for (const std::string& url :
         {m_server.Url("/fresh"), m_server.Url("/gone"), busy.Url("/busy")})
        opml += "<outline text='s' type='rss' xmlUrl='" + url + "'/>";
    test::WriteFile(m_dir.File("subs.opml"), opml + "</body></opml>");
    const std::string subs = "'" + m_dir.File("subs.opml") + "'";

    const auto before = static_cast<int64_t>(std::time(nullptr));
    auto lines = Lines(test::RunCli("update " + subs).out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["status"], "new");
    EXPECT_EQ(lines[1]["status"], "gone");
    EXPECT_EQ(lines[1]["message"], "サイトは終了しました");
    EXPECT_EQ(lines[2]["status"], "waiting");
    EXPECT_GE(lines[2]["until"].get<int64_t>(), before + 3600);
    EXPECT_EQ(lines[3]["gone"], 1);
    EXPECT_EQ(lines[3]["waiting"], 1);
    EXPECT_FALSE(lines[0].contains("until"));

    // As the automatic update: the fresh feed is not asked; the others are not asked either.
    lines = Lines(test::RunCli("update " + subs + " --auto").out);
    EXPECT_EQ(lines[0]["status"], "fresh");
    EXPECT_EQ(lines[1]["status"], "gone");
    EXPECT_EQ(lines[2]["status"], "waiting");
    EXPECT_EQ(lines[3]["fresh"], 1);
    EXPECT_EQ(m_server.Requests().size(), 2u);
    EXPECT_EQ(busy.Requests().size(), 1u);
    // Without --auto the fresh feed is asked again.
    lines = Lines(test::RunCli("update " + subs).out);
    EXPECT_EQ(lines[0]["status"], "unchanged");
    EXPECT_EQ(m_server.Requests().size(), 3u);
}

TEST_F(CliUpdate, UsageAndUnreadableFiles) {
    EXPECT_EQ(test::RunCli("update").status, 2);
    EXPECT_EQ(test::RunCli("update a.opml --jobs 0").status, 2);
    EXPECT_EQ(test::RunCli("update a.opml --jobs x").status, 2);
    EXPECT_EQ(test::RunCli("new").status, 2);
    EXPECT_EQ(test::RunCli("update '" + m_dir.File("absent.opml") + "'").status, 1);
    EXPECT_EQ(test::RunCli("new '" + m_dir.File("absent.opml") + "'").status, 1);
}

TEST_F(CliUpdate, PathsNameTheStoreInTheProgramFolderAndThePrivateCache) {
    const auto json = Json::parse(test::RunCli("paths").out);
    EXPECT_EQ(json["store"], m_dir.File("varlo.db"));
    EXPECT_EQ(json["cache"], m_dir.File("cache/Varlo/feeds"));
}

// The state of one site in the store: its validator, its article keys (as the store keeps
// them, hashed) and the titles of its stored articles.
struct SiteState {
    std::string etag;
    std::set<int64_t> keys;
    std::set<std::string> titles;
    bool operator==(const SiteState&) const = default;
};

std::map<std::string, SiteState> ReadStates(const std::string& path) {
    std::map<std::string, SiteState> states;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok");
    sqlite3_finalize(statement);
    auto text = [](sqlite3_stmt* s, int c) {
        return std::string(static_cast<const char*>(sqlite3_column_blob(s, c)),
                           static_cast<size_t>(sqlite3_column_bytes(s, c)));
    };
    sqlite3_prepare_v2(db, "SELECT url, etag FROM feeds", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        states[text(statement, 0)].etag = text(statement, 1);
    sqlite3_finalize(statement);
    sqlite3_prepare_v2(db,
                       "SELECT f.url, a.key_hash FROM articles a JOIN feeds f ON f.id = a.feed_id",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        states[text(statement, 0)].keys.insert(sqlite3_column_int64(statement, 1));
    }
    sqlite3_finalize(statement);
    sqlite3_prepare_v2(db,
                       "SELECT f.url, a.title FROM articles a JOIN feeds f ON f.id = a.feed_id "
                       "WHERE a.stored = 1",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        states[text(statement, 0)].titles.insert(text(statement, 1));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return states;
}

TEST_F(CliUpdate, AnUpdateKilledAtAnyPointLeavesEachSiteInItsOldOrItsNewState) {
    const std::vector<std::string> paths = {"/s1", "/s2", "/s3"};
    auto hash = [](std::string_view key) { return static_cast<int64_t>(HashArticleKey(key)); };
    const SiteState oldState{"\"v1\"", {hash("a"), hash("b")}, {"a", "b"}};
    const SiteState newState{"\"v2\"", {hash("a"), hash("b"), hash("c")}, {"a", "b", "c"}};
    for (const char* point :
         {"update-transfer", "store-before-commit", "store-inside-commit", "store-after-commit"}) {
        SCOPED_TRACE(point);
        test::TempDir dir;
        setenv("VARLO_PROGRAM_FOLDER", dir.Path().c_str(), 1);
        for (const auto& p : paths) Serve(p, {"a", "b"}, "\"v1\"");
        const std::string subs = Subscriptions(paths);
        ASSERT_EQ(test::RunCli("update " + subs).status, 0);
        for (const auto& p : paths) Serve(p, {"a", "b", "c"}, "\"v2\"");

        setenv("VARLO_TEST_KILL_AT", point, 1);
        const auto killed = test::RunCli("update " + subs + " --jobs 1");
        unsetenv("VARLO_TEST_KILL_AT");
        // The shell between reports a child killed by SIGKILL as 128 + 9.
        EXPECT_EQ(killed.status, 128 + SIGKILL);

        const auto states = ReadStates(dir.File("varlo.db"));
        int updated = 0;
        for (const auto& p : paths) {
            const SiteState& state = states.at(m_server.Url(p));
            EXPECT_TRUE(state == oldState || state == newState) << p << " " << state.etag;
            updated += state == newState;
        }
        // Killed after its first commit, the sites that commit recorded are new (bodies read
        // while the store was busy are recorded together); before it, none is.
        if (std::string(point) == "store-after-commit") {
            EXPECT_GE(updated, 1);
        } else {
            EXPECT_EQ(updated, 0);
        }

        // The store opens and the next update finishes the job.
        ASSERT_EQ(test::RunCli("update " + subs).status, 0);
        for (const auto& p : paths)
            EXPECT_EQ(ReadStates(dir.File("varlo.db")).at(m_server.Url(p)), newState);
        // The search index holds what the articles hold, no more and no less.
        CFeedStore store;
        ASSERT_TRUE(store.Open(dir.File("varlo.db")));
        EXPECT_TRUE(CLibrary(store).CheckSearchIndex());
    }
}

}  // namespace
}  // namespace varlo

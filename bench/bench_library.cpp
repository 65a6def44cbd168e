// The reading library at scale: a generated store of ARTICLES articles (default 1,000,000) over
// 2,000 sites, about 1 KB of text each, one in four Japanese, recorded the way an update records
// them. Then each goal of the store beside its naive baseline: searches (first 200 results, 95th
// percentile) against LIKE '%...%' over the same table; the unread view of 100,000 articles ready
// and jumped to its end against reading every row of it; marking 100,000 read against one UPDATE
// per article; opening the store with the counts the window shows against counting by a full
// scan; and the store's size against the UTF-8 size of its titles and texts.
//
// usage: bench_library [ARTICLES] [FOLDER] [reuse]   (a smaller count for a quick look; the store
//   is made in FOLDER, default a temporary folder, and removed unless FOLDER is given; "reuse"
//   measures the store a run left in FOLDER, opened and so brought to this version's schema)

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/feed_store.h"
#include "store/library.h"
#include "store/sqlite.h"

namespace varlo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSites = 2000;
constexpr int64_t kT0 = 1700000000;
constexpr int kRounds = 10;

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(p * static_cast<double>(values.size()) + 0.999999);
    index = std::clamp<size_t>(index, 1, values.size()) - 1;
    return values[index];
}

// Words of the generated texts: Japanese ones from a fixed list, Latin ones made of syllables so
// that the vocabulary is wide (a word is in a few thousand articles, not in all).
const std::vector<std::string>& JapaneseWords() {
    static const std::vector<std::string> words = {"東京",         "大阪",
                                                   "京都",         "北海道",
                                                   "経済",         "政治",
                                                   "技術",         "開発",
                                                   "研究",         "大学",
                                                   "学生",         "先生",
                                                   "会社",         "社長",
                                                   "新しい",       "発表",
                                                   "今日",         "明日",
                                                   "昨日",         "天気",
                                                   "予報",         "雨",
                                                   "雪",           "晴れ",
                                                   "電車",         "駅",
                                                   "空港",         "飛行機",
                                                   "旅行",         "温泉",
                                                   "料理",         "ラーメン",
                                                   "寿司",         "カメラ",
                                                   "写真",         "映画",
                                                   "音楽",         "コンサート",
                                                   "ゲーム",       "アニメ",
                                                   "漫画",         "小説",
                                                   "作家",         "図書館",
                                                   "病院",         "医者",
                                                   "薬",           "健康",
                                                   "スポーツ",     "野球",
                                                   "サッカー",     "選手",
                                                   "試合",         "勝利",
                                                   "市場",         "株価",
                                                   "円安",         "輸出",
                                                   "輸入",         "企業",
                                                   "製品",         "スマートフォン",
                                                   "ソフトウェア", "ネットワーク",
                                                   "データ",       "人工知能",
                                                   "ロボット",     "宇宙",
                                                   "ロケット",     "衛星",
                                                   "地震",         "津波",
                                                   "台風",         "災害",
                                                   "避難",         "安全",
                                                   "情報",         "記事",
                                                   "ニュース",     "新聞",
                                                   "雑誌",         "放送",
                                                   "番組",         "俳優",
                                                   "歌手",         "女優",
                                                   "は",           "が",
                                                   "を",           "に",
                                                   "で",           "と",
                                                   "の",           "も",
                                                   "です",         "ました",
                                                   "します",       "される",
                                                   "という",       "ために",
                                                   "から",         "まで",
                                                   "、",           "。"};
    return words;
}

std::string LatinWord(std::mt19937& random) {
    static const char* const kSyllables[] = {
        "ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "ze", "pa", "qu", "ti", "mo", "li",
        "da", "en", "or", "an", "is", "ex", "ur", "be", "co", "fi", "go", "ha", "ju", "ny"};
    // Two or three syllables: about 22,000 different words.
    std::uniform_int_distribution<int> syllable(0, std::size(kSyllables) - 1);
    std::uniform_int_distribution<int> length(2, 3);
    std::string word;
    for (int i = length(random); i > 0; --i) word += kSyllables[syllable(random)];
    return word;
}

std::string JapaneseText(std::mt19937& random, size_t bytes) {
    const auto& words = JapaneseWords();
    std::uniform_int_distribution<size_t> pick(0, words.size() - 1);
    std::string text;
    while (text.size() < bytes) text += words[pick(random)];
    return text;
}

std::string LatinText(std::mt19937& random, size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        if (!text.empty()) text += ' ';
        text += LatinWord(random);
    }
    return text;
}

std::string SiteUrl(int site) {
    return "https://site" + std::to_string(site) + ".example.com/feed.xml";
}

// Records every site's articles as its updates would, in ten rounds over all sites (so that the
// articles recorded last are the latest of every site); the UTF-8 size of titles and texts.
int64_t Generate(CFeedStore& store, int64_t articles) {
    CLibrary library(store);
    std::mt19937 random(20241208);
    const int64_t perBatch = std::max<int64_t>(1, articles / kSites / kRounds);
    int64_t bytes = 0;
    int64_t made = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int site = 0; site < kSites && made < articles; ++site) {
            std::vector<LibraryArticle> batch;
            for (int64_t i = 0; i < perBatch && made < articles; ++i, ++made) {
                LibraryArticle article;
                article.key = "https://site" + std::to_string(site) + ".example.com/a/" +
                              std::to_string(round * perBatch + i);
                article.link = article.key;
                const bool japanese = made % 4 == 0;
                article.title = japanese ? JapaneseText(random, 40) : LatinText(random, 40);
                article.html =
                    "<p>" + (japanese ? JapaneseText(random, 500) : LatinText(random, 500)) +
                    "</p><p>" + (japanese ? JapaneseText(random, 480) : LatinText(random, 480)) +
                    "</p>";
                // Later rounds are later days, in any order within a round.
                article.date = kT0 + round * 86400 + (made * 7919) % 86400;
                bytes += static_cast<int64_t>(article.title.size() + article.html.size());
                batch.push_back(std::move(article));
            }
            if (library.RecordFeed(SiteUrl(site), {}, batch, kT0 + round * 86400, true) < 0) {
                std::fprintf(stderr, "recording failed\n");
                std::exit(1);
            }
        }
        std::fprintf(stderr, "  %lld articles\n", static_cast<long long>(made));
    }
    return bytes;
}

// The unread articles: the tenth of them recorded last (as after a while away, the latest ones
// of every site), 100,000 of a million.
void MarkLatestUnread(sqlite3* db, int64_t articles) {
    SqliteExec(db, "DELETE FROM unread");
    SqliteStatement mark(db,
                         "INSERT INTO unread(id, feed_id, sort_time, stored, synced) SELECT id, "
                         "feed_id, sort_time, stored, server_id IS NOT NULL FROM articles WHERE "
                         "id > (SELECT max(id) FROM articles) - ?");
    mark.Bind(1, articles / 10);
    mark.Step();
}

int64_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

// The naive search: LIKE over titles and texts, every term, newest first.
std::vector<int64_t> LikeSearch(sqlite3* db, const std::vector<std::string>& terms) {
    std::string sql =
        "SELECT a.id FROM articles a JOIN article_texts t ON t.id = a.id WHERE a.stored = 1";
    for (size_t i = 0; i < terms.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        sql += " AND (a.title LIKE ?" + n + " OR t.html LIKE ?" + n + ")";
    }
    sql += " ORDER BY a.sort_time DESC LIMIT 200";
    SqliteStatement query(db, sql);
    for (size_t i = 0; i < terms.size(); ++i) {
        query.Bind(static_cast<int>(i + 1), "%" + terms[i] + "%");
    }
    std::vector<int64_t> ids;
    while (query.Step() == SQLITE_ROW) ids.push_back(query.Int(0));
    return ids;
}

void Row(const char* goal, double value, const char* unit, double target, const char* baseline,
         double baselineValue) {
    std::printf("%-44s %10.1f %-3s (goal <= %6.0f)   %s %10.1f %s\n", goal, value, unit, target,
                baseline, baselineValue, unit);
}

void SearchGoal(CFeedStore& store, const char* name, const std::vector<std::string>& queries) {
    CLibrary library(store);
    std::vector<double> times;
    size_t hits = 0;
    for (const std::string& words : queries) {
        const auto start = Clock::now();
        hits += library.Search(words, 200).size();
        times.push_back(Ms(start));
    }
    // The baseline scans the whole table: a few of the queries are enough to show its cost.
    std::vector<double> baseline;
    for (size_t i = 0; i < queries.size() && i < 3; ++i) {
        std::vector<std::string> terms;
        size_t from = 0;
        while (from <= queries[i].size()) {
            const size_t space = std::min(queries[i].find(' ', from), queries[i].size());
            if (space > from) terms.push_back(queries[i].substr(from, space - from));
            from = space + 1;
        }
        const auto start = Clock::now();
        LikeSearch(store.Connection(), terms);
        baseline.push_back(Ms(start));
    }
    char label[96];
    std::snprintf(label, sizeof label, "search %s, p95 (%zu results)", name, hits);
    Row(label, Percentile(times, 0.95), "ms", 50, "LIKE:", Percentile(baseline, 0.95));
}

}  // namespace
}  // namespace varlo

int main(int argc, char** argv) {
    using namespace varlo;
    const int64_t articles = argc > 1 ? std::max(1000LL, std::atoll(argv[1])) : 1000000;
    const std::filesystem::path folder =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::temp_directory_path() / "varlo-bench-library";
    const bool reuse = argc > 3 && std::string(argv[3]) == "reuse";
    const std::string path = (folder / "varlo.db").string();
    const bool existed = reuse && std::filesystem::exists(path);
    if (!existed) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }

    std::printf("library of %lld articles over %d sites\n", static_cast<long long>(articles),
                kSites);
    int64_t textBytes = 0;
    {
        CFeedStore store;
        const auto start = Clock::now();
        if (!store.Open(path)) return 1;
        if (existed) {
            std::printf("opened (and migrated) in %.1f s\n", Ms(start) / 1000);
            SqliteStatement sizes(store.Connection(),
                                  "SELECT (SELECT sum(length(title)) FROM articles WHERE "
                                  "stored = 1) + (SELECT sum(length(html)) FROM article_texts)");
            if (sizes.Step() == SQLITE_ROW) textBytes = sizes.Int(0);
        } else {
            textBytes = Generate(store, articles);
            std::printf("generated in %.1f s\n", Ms(start) / 1000);
        }
        SqliteStatement count(store.Connection(), "SELECT count(*) FROM articles");
        MarkLatestUnread(store.Connection(), count.Step() == SQLITE_ROW ? count.Int(0) : articles);
        SqliteExec(store.Connection(), "PRAGMA wal_checkpoint(TRUNCATE)");
    }

    // Opening at start: the store and the counts the site list shows.
    double openMs = 0;
    double openBaselineMs = 0;
    {
        const auto start = Clock::now();
        CFeedStore store;
        store.Open(path);
        std::fprintf(stderr, "  opened in %.1f ms\n", Ms(start));
        CLibrary library(store);
        library.UnreadCounts();
        library.UnreadTotal();
        library.StarredCount();
        openMs = Ms(start);
        const auto scan = Clock::now();
        SqliteExec(store.Connection(),
                   "SELECT feed_id, count(*) FROM articles a NOT INDEXED WHERE EXISTS "
                   "(SELECT 1 FROM unread u WHERE u.id = a.id) GROUP BY feed_id");
        openBaselineMs = Ms(scan) + openMs;
    }

    CFeedStore store;
    if (!store.Open(path)) return 1;
    CLibrary library(store);
    const int64_t unread = library.Count(LibraryView::Unread());
    std::printf("%lld unread\n\n", static_cast<long long>(unread));
    std::printf("%-44s %14s %-18s   %s\n", "goal", "Varlo", "", "baseline");

    // Searches: two Japanese characters, one Latin word, three terms.
    std::mt19937 random(7);
    std::vector<std::string> japanese, latin, three;
    const std::vector<std::string> pairs = {"東京", "経済", "研究", "天気", "映画", "選手", "市場",
                                            "情報", "宇宙", "料理", "音楽", "大学", "写真", "地震",
                                            "番組", "企業", "京都", "安全", "病院", "空港"};
    japanese = pairs;
    for (int i = 0; i < 20; ++i) latin.push_back(LatinWord(random));
    for (int i = 0; i < 20; ++i) {
        three.push_back(i % 2 ? LatinWord(random) + " " + LatinWord(random).substr(0, 3) + " " +
                                    LatinWord(random)
                              : pairs[i] + " " + pairs[(i + 7) % 20] + " です");
    }
    SearchGoal(store, "two Japanese characters", japanese);
    SearchGoal(store, "one Latin word", latin);
    SearchGoal(store, "three terms", three);

    // The unread view: ready (its count and first screen) and its end.
    {
        const auto start = Clock::now();
        const int64_t rows = library.Count(LibraryView::Unread());
        library.Page(LibraryView::Unread(), 0, 40);
        const double ready = Ms(start);
        const auto jump = Clock::now();
        library.Page(LibraryView::Unread(), std::max<int64_t>(0, rows - 40), 40);
        const double end = Ms(jump);
        const auto all = Clock::now();
        const std::vector<int64_t> ids = library.Ids(LibraryView::Unread());
        const std::vector<LibraryRow> everyRow = library.Rows(ids);
        const double baseline = Ms(all);
        char label[96];
        std::snprintf(label, sizeof label, "unread view of %lld ready",
                      static_cast<long long>(rows));
        Row(label, ready, "ms", 100, "every row:", baseline);
        Row("unread view: jump to its end", end, "ms", 50, "every row:", baseline);
        (void)everyRow;
    }

    // The views of the open subscription file: one that holds every site (the counts the site
    // list shows after each mark, and the unread view's ids), and one that holds half of them.
    {
        auto sitesUpTo = [](int count) {
            std::vector<Text> urls;
            for (int site = 0; site < count; ++site) urls.push_back(SiteUrl(site));
            std::sort(urls.begin(), urls.end());
            return std::make_shared<const std::vector<Text>>(std::move(urls));
        };
        const auto every = sitesUpTo(kSites);
        const auto half = sitesUpTo(kSites / 2);
        auto counts = [&](const std::shared_ptr<const std::vector<Text>>& sites) {
            const auto start = Clock::now();
            library.Count(LibraryView::Unread().Within(sites));
            library.Count(LibraryView::Starred().Within(sites));
            return Ms(start);
        };
        auto ids = [&](const std::shared_ptr<const std::vector<Text>>& sites) {
            const auto start = Clock::now();
            library.Ids(LibraryView::Unread().Within(sites));
            return Ms(start);
        };
        const auto whole = Clock::now();
        library.Count(LibraryView::Unread());
        library.Count(LibraryView::Starred());
        const double wholeCounts = Ms(whole);
        const auto wholeIdsStart = Clock::now();
        library.Ids(LibraryView::Unread());
        const double wholeIds = Ms(wholeIdsStart);
        counts(every);  // fills the table of sites once
        Row("counts of a file of every site", counts(every), "ms", 50, "no file:", wholeCounts);
        Row("unread ids of a file of every site", ids(every), "ms", 500, "no file:", wholeIds);
        counts(half);
        Row("counts of a file of half the sites", counts(half), "ms", 50, "no file:", wholeCounts);
        Row("unread ids of a file of half the sites", ids(half), "ms", 500, "no file:", wholeIds);
    }

    // Marking every unread article read, then the same marks one statement each.
    {
        const auto start = Clock::now();
        library.MarkAllRead();
        const double marked = Ms(start);
        MarkLatestUnread(store.Connection(), unread * 10);
        const std::vector<int64_t> ids = library.Ids(LibraryView::Unread());
        const auto each = Clock::now();
        SqliteExec(store.Connection(), "BEGIN");
        for (const int64_t id : ids) library.SetRead(id, true);
        SqliteExec(store.Connection(), "COMMIT");
        const double baseline = Ms(each);
        char label[96];
        std::snprintf(label, sizeof label, "marking %lld read", static_cast<long long>(unread));
        Row(label, marked, "ms", 200, "one by one:", baseline);
    }

    Row("opening the store with its counts", openMs, "ms", 300, "full scan:", openBaselineMs);
    SqliteExec(store.Connection(), "PRAGMA wal_checkpoint(TRUNCATE)");
    const int64_t fileBytes = FileSize(path) + FileSize(path + "-wal");
    std::printf("%-44s %10.2f x   (goal <= %6.0f)   %.1f MB store / %.1f MB titles and texts\n",
                "store size / UTF-8 size", static_cast<double>(fileBytes) / textBytes, 2.0,
                fileBytes / 1e6, textBytes / 1e6);
    if (argc <= 2) std::filesystem::remove_all(folder);
    return 0;
}

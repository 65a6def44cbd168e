// Full-text search of the library: a generated store of articles (about 1 KB of HTML each, one in
// four Japanese) indexed with the tokenizer "varlo", its size beside the UTF-8 size of the titles
// and texts, and the time to the first 200 hits, newest first, of 20 searches each of two Japanese
// characters, of one Latin word and of three terms, beside the same searches done with
// LIKE '%...%' over the same table.
// Usage: bench_search [articles (100000)] [detail: none|column|full (none)] [folder] [prefix
// lengths of the index ("3 4 5 6 7 8"; "" for none)]

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "encoding/carried_reference.h"
#include "store/fts_tokenizer.h"
#include "store/search_query.h"
#include "store/search_tokens.h"

using namespace varlo;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Words drawn with a Zipf-like law over a fixed vocabulary, as in real text.
class Vocabulary {
  public:
    Vocabulary(std::vector<std::string> words, std::mt19937_64& random)
        : m_words(std::move(words)), m_random(random) {
        std::vector<double> weights;
        for (size_t i = 0; i < m_words.size(); ++i) weights.push_back(1.0 / double(i + 1));
        m_pick = std::discrete_distribution<size_t>(weights.begin(), weights.end());
    }
    const std::string& Draw() { return m_words[m_pick(m_random)]; }
    const std::string& At(size_t rank) const { return m_words[rank]; }

  private:
    std::vector<std::string> m_words;
    std::mt19937_64& m_random;
    std::discrete_distribution<size_t> m_pick;
};

std::string Utf8(char32_t c) {
    std::string out;
    AppendUtf8(c, out);
    return out;
}

std::vector<std::string> LatinWords(std::mt19937_64& random, size_t count) {
    static const char* kOnsets[] = {"b",  "c",  "d",  "f",  "g",  "h",  "j",  "k", "l",
                                    "m",  "n",  "p",  "r",  "s",  "t",  "v",  "w", "st",
                                    "tr", "pl", "ch", "sh", "th", "br", "cr", ""};
    static const char* kVowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "io", "é"};
    std::vector<std::string> words;
    std::uniform_int_distribution<int> syllables(1, 4);
    while (words.size() < count) {
        std::string word;
        for (int n = syllables(random); n > 0; --n) {
            word += kOnsets[random() % std::size(kOnsets)];
            word += kVowels[random() % std::size(kVowels)];
        }
        if (random() % 3 == 0) word += "nst"[random() % 3];
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> JapaneseWords(std::mt19937_64& random, size_t count) {
    // A pool of kanji of which the first are far more common than the rest.
    std::vector<char32_t> kanji;
    for (char32_t c = 0x4E00; kanji.size() < 3000; c += 1 + random() % 6) kanji.push_back(c);
    std::vector<double> weights;
    for (size_t i = 0; i < kanji.size(); ++i) weights.push_back(1.0 / double(i + 10));
    std::discrete_distribution<size_t> pickKanji(weights.begin(), weights.end());
    std::vector<std::string> words;
    while (words.size() < count) {
        std::string word;
        const unsigned kind = random() % 20;
        if (kind < 12) {  // a compound of two or three kanji
            for (int n = 2 + (random() % 4 == 0); n > 0; --n)
                word += Utf8(kanji[pickKanji(random)]);
        } else if (kind < 17) {  // a katakana loan word
            for (int n = 3 + random() % 4; n > 0; --n) word += Utf8(0x30A1 + random() % 86);
            if (random() % 3 == 0) word += "ー";
        } else {  // a word of hiragana
            for (int n = 2 + random() % 3; n > 0; --n) word += Utf8(0x3041 + random() % 83);
        }
        words.push_back(word);
    }
    return words;
}

struct Article {
    std::string title;
    std::string html;
};

class ArticleMaker {
  public:
    explicit ArticleMaker(std::mt19937_64& random)
        : m_random(random),
          m_latin(LatinWords(random, 30000), random),
          m_japanese(JapaneseWords(random, 30000), random) {}

    Article Make(bool japanese) {
        Article article;
        for (int n = 3 + m_random() % 5; n > 0; --n) {
            if (!japanese && !article.title.empty()) article.title += ' ';
            article.title += japanese ? Japanese() : Latin(article.title.empty());
        }
        std::string& html = article.html;
        while (html.size() < 1000) {
            html += "<p>";
            for (int sentence = 1 + m_random() % 3; sentence > 0; --sentence) {
                for (int n = 6 + m_random() % 10; n > 0; --n) {
                    if (m_random() % 40 == 0) {
                        html += "<a href=\"https://example.com/" + m_latin.Draw() + "\">";
                        html += japanese ? Japanese() : Latin(false);
                        html += "</a>";
                    } else {
                        html += japanese ? Japanese() : Latin(false);
                    }
                    if (!japanese) html += ' ';
                    if (japanese && m_random() % 5 == 0) html += "、";
                }
                html += japanese ? "。" : ". ";
            }
            html += "</p>";
        }
        return article;
    }

    Vocabulary& Latin() { return m_latin; }
    Vocabulary& JapaneseVocabulary() { return m_japanese; }

  private:
    std::string Latin(bool capital) {
        std::string word = m_latin.Draw();
        if (capital && word[0] >= 'a' && word[0] <= 'z') word[0] = char(word[0] - 'a' + 'A');
        return word;
    }
    std::string Japanese() {
        static const char* kParticles[] = {"の", "は", "を",   "に",   "が",
                                           "と", "で", "した", "です", "ます"};
        return m_japanese.Draw() + kParticles[m_random() % std::size(kParticles)];
    }

    std::mt19937_64& m_random;
    Vocabulary m_latin;
    Vocabulary m_japanese;
};

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), error ? error : "?");
        std::exit(1);
    }
}

int64_t QueryInt(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    int64_t value = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return value;
}

// Runs `sql` with text bindings and counts its rows.
int Rows(sqlite3* db, const std::string& sql, const std::vector<std::string>& bindings) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db));
        std::exit(1);
    }
    for (size_t i = 0; i < bindings.size(); ++i) {
        sqlite3_bind_text(statement, int(i + 1), bindings[i].data(), int(bindings[i].size()),
                          SQLITE_TRANSIENT);
    }
    int rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) ++rows;
    sqlite3_finalize(statement);
    return rows;
}

// The first 200 hits, newest first, through the index (and the check where the query needs it).
int SearchIndex(sqlite3* db, const std::string& words) {
    const SearchQuery query = BuildSearchQuery(words);
    if (query.Empty()) return 0;
    std::string sql =
        "SELECT a.id, a.title FROM search JOIN articles a ON a.id = search.rowid "
        "WHERE search MATCH ?1";
    if (query.NeedsCheck()) sql += " AND varlo_search_check(?2, a.title, a.html, 'html')";
    sql += " ORDER BY search.rowid DESC LIMIT 200";
    return Rows(db, sql, {query.Match(), words});
}

// The same with LIKE over the same table.
int SearchLike(sqlite3* db, const std::string& words) {
    std::vector<std::string> patterns;
    std::string sql = "SELECT id, title FROM articles WHERE 1";
    size_t start = 0;
    while (start < words.size()) {
        size_t end = words.find(' ', start);
        if (end == std::string::npos) end = words.size();
        if (end > start) {
            patterns.push_back("%" + words.substr(start, end - start) + "%");
            const std::string n = std::to_string(patterns.size());
            sql += " AND (title LIKE ?" + n + " OR html LIKE ?" + n + ")";
        }
        start = end + 1;
    }
    sql += " ORDER BY id DESC LIMIT 200";
    return Rows(db, sql, patterns);
}

struct Timing {
    double p95 = 0;
    double median = 0;
    double hits = 0;
};

Timing Measure(sqlite3* db, const std::vector<std::string>& queries,
               int (*search)(sqlite3*, const std::string&)) {
    std::vector<double> times;
    double hits = 0;
    for (const std::string& words : queries) {
        const auto start = Clock::now();
        hits += search(db, words);
        times.push_back(SecondsSince(start) * 1000);
    }
    std::sort(times.begin(), times.end());
    const size_t rank = (times.size() * 95 + 99) / 100;  // nearest rank
    return {times[rank - 1], times[times.size() / 2], hits / double(queries.size())};
}

// A substring of `length` characters of a Japanese word, or of two words side by side.
std::string JapaneseSubstring(const std::string& text, std::mt19937_64& random, size_t length) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    for (;;) {
        const size_t first = random() % (starts.size() - length);
        const std::string sub = text.substr(starts[first], starts[first + length] - starts[first]);
        // Of CJK characters only: no punctuation, no markup.
        bool cjk = true;
        for (size_t i = 0; i < sub.size(); i += 3) {
            cjk = cjk && static_cast<unsigned char>(sub[i]) >= 0xE3 && sub.size() % 3 == 0 &&
                  sub.compare(i, 3, "、") != 0 && sub.compare(i, 3, "。") != 0;
        }
        if (cjk) return sub;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come in a long run
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::string detail = argc > 2 ? argv[2] : "none";
    const std::filesystem::path folder =
        argc > 3 ? argv[3] : std::filesystem::temp_directory_path() / "varlo-bench-search";
    const std::string prefix = argc > 4 ? argv[4] : "3 4 5 6 7 8";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "search.db").string();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);

    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || !RegisterVarloTokenizer(db) ||
        !RegisterSearchCheck(db)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    Exec(db,
         "CREATE TABLE articles(id INTEGER PRIMARY KEY, site INTEGER, date INTEGER, title TEXT, "
         "html TEXT, read INTEGER);"
         "CREATE VIRTUAL TABLE search USING fts5(title, html, content='articles', "
         "content_rowid='id', tokenize='varlo html', columnsize=0, detail=" +
             detail + (prefix.empty() ? "" : ", prefix='" + prefix + "'") + ");");

    std::mt19937_64 random(20261208);
    ArticleMaker maker(random);
    std::vector<std::string> japaneseTexts;  // a sample to draw searched substrings from
    std::vector<std::string> latinTexts;
    double textBytes = 0;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* index = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO articles VALUES (?1, ?2, ?3, ?4, ?5, 0)", -1, &insert,
                       nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO search(rowid, title, html) VALUES (?1, ?2, ?3)", -1, &index,
                       nullptr);
    const auto buildStart = Clock::now();
    double indexSeconds = 0;
    Exec(db, "BEGIN");
    for (size_t id = 1; id <= count; ++id) {
        const bool japanese = id % 4 == 0;
        const Article article = maker.Make(japanese);
        textBytes += double(article.title.size() + article.html.size());
        if (id % 997 == 0) (japanese ? japaneseTexts : latinTexts).push_back(article.html);
        sqlite3_bind_int64(insert, 1, int64_t(id));
        sqlite3_bind_int64(insert, 2, int64_t(id % 2000));
        sqlite3_bind_int64(insert, 3, 1700000000 + int64_t(id) * 60);
        sqlite3_bind_text(insert, 4, article.title.data(), int(article.title.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, article.html.data(), int(article.html.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        const auto indexStart = Clock::now();
        sqlite3_bind_int64(index, 1, int64_t(id));
        sqlite3_bind_text(index, 2, article.title.data(), int(article.title.size()), SQLITE_STATIC);
        sqlite3_bind_text(index, 3, article.html.data(), int(article.html.size()), SQLITE_STATIC);
        if (sqlite3_step(index) != SQLITE_DONE) {
            std::fprintf(stderr, "indexing: %s\n", sqlite3_errmsg(db));
            return 1;
        }
        sqlite3_reset(index);
        indexSeconds += SecondsSince(indexStart);
        if (id % 10000 == 0) Exec(db, "COMMIT; BEGIN");
    }
    Exec(db, "COMMIT");
    sqlite3_finalize(insert);
    sqlite3_finalize(index);
    const double buildSeconds = SecondsSince(buildStart);
    Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");

    const auto sizes = [&](const char* when) {
        const double pageSize = double(QueryInt(db, "PRAGMA page_size"));
        const double used =
            double(QueryInt(db, "PRAGMA page_count") - QueryInt(db, "PRAGMA freelist_count")) *
            pageSize;
        const double indexBytes =
            double(QueryInt(db, "SELECT sum(pgsize) FROM dbstat WHERE name LIKE 'search%'"));
        std::printf("%-34s %10.1f MB  %5.2fx the text (goal <= 2x); index %.1f MB = %.2fx\n", when,
                    used / 1e6, used / textBytes, indexBytes / 1e6, indexBytes / textBytes);
    };
    std::printf("articles %zu (one in four Japanese), detail=%s, prefix='%s'\n", count,
                detail.c_str(), prefix.c_str());
    std::printf("titles and texts (UTF-8)           %10.1f MB\n", textBytes / 1e6);
    std::printf("build %.1f s, of which indexing %.1f s (%.1f MB/s of text)\n", buildSeconds,
                indexSeconds, textBytes / 1e6 / indexSeconds);
    sizes("store as written");
    const auto optimizeStart = Clock::now();
    Exec(db, "INSERT INTO search(search) VALUES ('optimize'); PRAGMA wal_checkpoint(TRUNCATE)");
    std::printf("optimize %.1f s\n", SecondsSince(optimizeStart));
    sizes("store after optimize");

    // The tokenizer and the check of a hit alone, over the sampled texts.
    std::vector<std::string> sample = japaneseTexts;
    sample.insert(sample.end(), latinTexts.begin(), latinTexts.end());
    double sampleBytes = 0;
    for (const std::string& text : sample) sampleBytes += double(text.size());
    const auto tokenizeStart = Clock::now();
    size_t tokens = 0;
    for (int round = 0; round < 20; ++round) {
        for (const std::string& text : sample) {
            SearchTokenizer tokenizer(text, TextForm::kHtml, TokenMode::kDocument);
            for (SearchToken token; tokenizer.Next(token);) ++tokens;
        }
    }
    const double tokenizeSeconds = SecondsSince(tokenizeStart);
    const SearchQuery check = BuildSearchQuery("\"no such\" phrase");
    const auto checkStart = Clock::now();
    size_t checked = 0;
    for (int round = 0; round < 20; ++round) {
        for (const std::string& text : sample) checked += check.Matches("", text, TextForm::kHtml);
    }
    const double checkSeconds = SecondsSince(checkStart);
    std::printf(
        "tokenizer alone %.1f MB/s (%.0f tokens per KB); check of a hit %.1f MB/s (%.1f us "
        "per article)%s\n",
        sampleBytes * 20 / 1e6 / tokenizeSeconds, double(tokens) / (sampleBytes * 20 / 1000),
        sampleBytes * 20 / 1e6 / checkSeconds, checkSeconds * 1e6 / double(sample.size() * 20),
        checked ? " (?)" : "");

    // The searches: substrings and words of the stored text, common and rare alike.
    std::vector<std::string> japanese, latin, three;
    for (int i = 0; i < 20; ++i) {
        japanese.push_back(
            JapaneseSubstring(japaneseTexts[random() % japaneseTexts.size()], random, 2));
        latin.push_back(maker.Latin().At(random() % (i < 10 ? 100 : 5000)));
        if (i % 2 == 0) {
            const std::string& text = japaneseTexts[random() % japaneseTexts.size()];
            three.push_back(JapaneseSubstring(text, random, 2) + " " +
                            JapaneseSubstring(text, random, 3) + " " +
                            JapaneseSubstring(text, random, 2));
        } else {
            three.push_back(maker.Latin().At(random() % 300) + " " +
                            maker.Latin().At(random() % 3000) + " " +
                            maker.Latin().At(random() % 100));
        }
    }
    std::printf("\n%-44s %12s %12s %10s\n", "first 200 hits, newest first (20 searches)", "p95 ms",
                "median ms", "hits");
    const auto row = [&](const char* what, const std::vector<std::string>& queries) {
        const Timing fts = Measure(db, queries, SearchIndex);
        const Timing like = Measure(db, queries, SearchLike);
        std::printf("%-44s %12.2f %12.2f %10.1f   (goal p95 <= 50 ms)\n", what, fts.p95, fts.median,
                    fts.hits);
        std::printf("%-44s %12.2f %12.2f %10.1f\n", "  baseline LIKE '%...%'", like.p95,
                    like.median, like.hits);
    };
    row("two Japanese characters", japanese);
    row("one Latin word (its prefix)", latin);
    row("three terms", three);
    sqlite3_close(db);
    return 0;
}

#include "feed_generator.h"

#include <cstdio>

namespace varlo::bench {
namespace {

// A fixed pool of Japanese phrases; a simple linear congruential generator picks from it so that
// every run produces the same bytes.
const char* const kPhrases[] = {
    "日本語のニュース記事です。",
    "今日は晴れのち曇り、",
    "東京都渋谷区で",
    "新しい製品が発表されました。",
    "開発者向けのイベントが開催され、",
    "多くの参加者が集まりました。",
    "ソフトウェアの更新について、",
    "詳しくは公式サイトをご覧ください。",
    "フィードリーダーの使い方、",
    "RSS と Atom の違いを解説します。",
    "写真はイメージです。",
    "価格は1,980円（税込）です。",
    "株式会社モルヴァ",
    "ｶﾀｶﾅの半角文字も含みます。",
};

struct Lcg {
    unsigned long long state = 20261207;
    unsigned Next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    }
};

std::string Sentence(Lcg& rng, int phrases) {
    std::string out;
    for (int i = 0; i < phrases; ++i)
        out += kPhrases[rng.Next() % (sizeof kPhrases / sizeof *kPhrases)];
    return out;
}

std::string Item(FeedKind kind, Lcg& rng, size_t n) {
    char date[64];
    const int day = 1 + static_cast<int>(n % 28);
    const int hour = static_cast<int>(n % 24);
    std::string link = "https://example.jp/articles/" + std::to_string(n) + ".html";
    std::string title = Sentence(rng, 2) + " #" + std::to_string(n);
    std::string description = Sentence(rng, 12 + static_cast<int>(rng.Next() % 24));
    switch (kind) {
        case FeedKind::Rss20:
            std::snprintf(date, sizeof date, "Mon, %02d Nov 2026 %02d:15:00 +0900", day, hour);
            return "    <item>\n      <title>" + title + "</title>\n      <link>" + link +
                   "</link>\n      <description><![CDATA[<p>" + description +
                   "</p>]]></description>\n      <category>ニュース</category>\n      <pubDate>" +
                   date + "</pubDate>\n      <guid>" + link + "</guid>\n    </item>\n";
        case FeedKind::Rss10:
            std::snprintf(date, sizeof date, "2026-11-%02dT%02d:15:00+09:00", day, hour);
            return "  <item rdf:about=\"" + link + "\">\n    <title>" + title +
                   "</title>\n    <link>" + link + "</link>\n    <description>" + description +
                   "</description>\n    <dc:subject>ニュース</dc:subject>\n    <dc:date>" + date +
                   "</dc:date>\n  </item>\n";
        case FeedKind::Atom10:
            std::snprintf(date, sizeof date, "2026-11-%02dT%02d:15:00+09:00", day, hour);
            return "  <entry>\n    <title>" + title +
                   "</title>\n    <link rel=\"alternate\" href=\"" + link + "\"/>\n    <id>" +
                   link + "</id>\n    <published>" + date + "</published>\n    <updated>" + date +
                   "</updated>\n    <summary>" + description +
                   "</summary>\n    <category term=\"news\">ニュース</category>\n  </entry>\n";
    }
    return {};
}

}  // namespace

std::string GenerateFeed(FeedKind kind, size_t bytes, size_t items) {
    Lcg rng;
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    std::string tail;
    switch (kind) {
        case FeedKind::Rss20:
            out +=
                "<rss version=\"2.0\">\n  <channel>\n    <title>ベンチマークのフィード</title>\n"
                "    <link>https://example.jp/</link>\n    "
                "<description>生成されたフィード</description>\n";
            tail = "  </channel>\n</rss>\n";
            break;
        case FeedKind::Rss10:
            out +=
                "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                "xmlns=\"http://purl.org/rss/1.0/\" "
                "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                "  <channel rdf:about=\"https://example.jp/index.rdf\">\n    <title>ベンチマーク"
                "</title>\n    <link>https://example.jp/</link>\n    "
                "<description>生成</description>\n"
                "  </channel>\n";
            tail = "</rdf:RDF>\n";
            break;
        case FeedKind::Atom10:
            out +=
                "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n  <title>ベンチマーク</title>\n"
                "  <link rel=\"self\" href=\"https://example.jp/atom.xml\"/>\n  <link "
                "href=\"https://example.jp/\"/>\n  <id>tag:example.jp,2026:feed</id>\n  "
                "<updated>2026-11-30T00:00:00Z</updated>\n  "
                "<author><name>モルヴァ</name></author>\n";
            tail = "</feed>\n";
            break;
    }
    for (size_t n = 0; items ? n < items : out.size() + tail.size() < bytes; ++n)
        out += Item(kind, rng, n);
    out += tail;
    return out;
}

bool WriteBenchFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace varlo::bench

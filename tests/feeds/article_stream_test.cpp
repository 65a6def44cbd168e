// Articles read while the file is parsed must be exactly those a reading of the whole tree gives:
// each file here is read both ways (a caller that asks to see the document gets the whole tree).

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "feed_fixture.h"
#include "feeds/rss_file.h"
#include "support/test_support.h"
#include "xml/document.h"
#include "xml/text_buffer.h"

namespace varlo {
namespace {

// A date as written, or "now" for the time of reading (an undated article), which differs between
// two readings.
std::string DateOf(TimeValue t, const test::ReadingTime& reading) {
    return reading.Contains(t) ? "now" : std::to_string(t);
}

// Everything a reading fills, one line per article.
std::string Described(const CRssFile& feed, int result, const test::ReadingTime& reading) {
    std::ostringstream out;
    out << result << '|' << feed.m_nFormat << '|' << feed.m_strTitle << '|' << feed.m_strLink << '|'
        << feed.m_strDescription << '|' << feed.m_strDescriptionHtml << '|' << feed.m_strAuthor
        << '|' << feed.m_strId << '|' << feed.m_strBase << '|' << feed.m_bArticleCapReached
        << feed.m_bTreeLimitReached << '\n';
    for (int i = 0; i < feed.GetSize(); ++i) {
        const CRssItem& item = *feed.GetAt(i);
        out << item.m_strTitle << '|' << item.m_strLink << '|' << item.m_strDescription << '|'
            << item.DescriptionHtml() << '|' << item.m_strContent << '|' << item.ContentHtml()
            << '|' << item.m_strCategory << '|' << item.m_strGuid << '|' << item.Base() << '|'
            << item.m_nTitleKind << item.m_nDescriptionKind << item.m_nContentKind << '|'
            << item.MediaDescription() << '|' << DateOf(item.m_timePublished, reading) << '|'
            << DateOf(item.m_timeUpdated, reading);
        for (const auto* links : {&item.Enclosures(), &item.Media()}) {
            for (const MediaLink& link : *links) {
                out << '[' << link.url << ' ' << link.type << ' ' << link.length << ' ' << link.base
                    << ' ' << link.thumbnail << ']';
            }
        }
        out << '\n';
    }
    return out.str();
}

// The file read as articles are parsed, and read as a whole tree; empty when both agree, else
// where they part.
std::string ReadBothWays(const std::string& path, std::string* streamedText = nullptr) {
    test::ReadingTime reading;
    CRssFile streamed;
    const int streamedResult = streamed.ReadRss(path);
    CRssFile whole;
    const int wholeResult = whole.ReadRss(path, [](const CMXMLDocument&) {});
    reading.Stop();
    const std::string a = Described(streamed, streamedResult, reading);
    const std::string b = Described(whole, wholeResult, reading);
    if (streamedText) *streamedText = a;
    if (a == b) return {};
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    const size_t from = at > 80 ? at - 80 : 0;
    return "streamed: " + a.substr(from, 160) + "\nwhole:    " + b.substr(from, 160);
}

TEST(ArticleStream, ReadsEveryShapeAsTheWholeTreeDoes) {
    test::MessageCapture quiet;
    const std::string rssHead = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>";
    const std::vector<std::pair<const char*, std::string>> shapes = {
        {"items nested in items, read after their outer one",
         rssHead + "<title>T</title><item><title>outer</title><item><title>inner</title>"
                   "<item><title>innermost</title></item></item></item><item><title>last</title>"
                   "</item></channel></rss>"},
        {"RDF items beside a channel that comes after them and lends them its address",
         "<rdf:RDF><item><title>a</title></item><!-- between -->\n<item><title>b</title>"
         "<link>https://example.jp/b</link></item><channel rdf:about=\"https://example.jp/\">"
         "<title>Site</title></channel><item><title>c</title></item></rdf:RDF>"},
        {"the first channel inside an article, whose texts are the feed's",
         rssHead + "</channel><item><title>a</title><channel rdf:about=\"x\"><title>inner"
                   "</title></channel></item><channel><title>real</title><item><title>b</title>"
                   "</item></channel></rss>"},
        {"xml:base of the channel and the root resolving each article's address",
         "<rss xml:base=\"https://example.jp/root/\"><channel xml:base=\"sub/\"><item>"
         "<link>a.html</link><description>&lt;img src=\"i.png\"&gt;</description></item>"
         "<item xml:base=\"/other/\"><link>b.html</link></item></channel></rss>"},
        {"Atom whose author, name and id appear only inside entries",
         "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title><entry><id>e1</id>"
         "<author><name>Writer</name></author><title type=\"html\">&lt;b&gt;1&lt;/b&gt;</title>"
         "<summary type=\"text\">a &amp; b</summary><content type=\"xhtml\"><div><p>x</p></div>"
         "</content></entry>\n<entry><id>e2</id><summary><![CDATA[<i>c</i>]]></summary>"
         "</entry></feed>"},
        {"Atom 0.3 with its feed-level author after the entries",
         "<feed version=\"0.3\"><entry><title>a</title><issued>2026-01-02T03:04:05Z</issued>"
         "</entry><author><name>Late</name></author></feed>"},
        {"descriptions of mixed text, CDATA, comments and markup",
         rssHead + "<item><description>a &amp;amp; <![CDATA[<b>b</b>]]> c</description>"
                   "<content:encoded>x<!-- y -->&lt;z&gt;</content:encoded></item><item>"
                   "<description><p>inline</p> tail</description></item></channel></rss>"},
        {"a feed behind a server's warning markup",
         "<br />\n<b>Warning</b>: something<br />\n<?xml version=\"1.0\"?>" + rssHead.substr(21) +
             "<title>after</title><item><title>i</title></item></channel></rss>"},
        {"an RSS file without a channel", "<rss><item><title>lost</title></item></rss>"},
        {"self-closing articles and media",
         rssHead + "<item/><item><enclosure url=\"a.mp3\" length=\"12\" type=\"audio/mpeg\"/>"
                   "<media:group><media:content url=\"v.mp4\"/><media:description>d"
                   "</media:description></media:group></item><item/></channel></rss>"},
    };
    test::TempDir dir;
    for (const auto& [what, xml] : shapes) {
        test::WriteFile(dir.File("feed.xml"), xml);
        EXPECT_EQ(ReadBothWays(dir.File("feed.xml")), "") << what;
    }
    // What the trickiest shapes read, spelled out.
    CRssFile nested;
    test::ReadFeedText(nested, shapes[0].second);
    ASSERT_EQ(nested.GetSize(), 4);
    EXPECT_EQ(nested.GetAt(1)->m_strTitle, "inner");
    EXPECT_EQ(nested.GetAt(3)->m_strTitle, "last");
    CRssFile rdf;
    test::ReadFeedText(rdf, shapes[1].second);
    ASSERT_EQ(rdf.GetSize(), 3);
    EXPECT_EQ(rdf.GetAt(0)->m_strLink, "https://example.jp/");
    EXPECT_EQ(rdf.GetAt(1)->m_strLink, "https://example.jp/b");
    CRssFile atom;
    test::ReadFeedText(atom, shapes[4].second);
    EXPECT_EQ(atom.m_strAuthor, "Writer");
    EXPECT_EQ(atom.m_strId, "e1");
}

TEST(ArticleStream, ReadsPastTheCapAndAfterAHostileTailAsTheWholeTreeDoes) {
    test::MessageCapture quiet;
    test::TempDir dir;
    // More articles than are read: the same ones are kept and the cap is noted.
    std::string many = "<rss><channel>";
    for (int i = 0; i <= kMaxArticles; ++i)
        many += "<item><title>" + std::to_string(i) + "</title></item>\n";
    many += "</channel></rss>";
    test::WriteFile(dir.File("many.xml"), many);
    std::string streamed;
    EXPECT_EQ(ReadBothWays(dir.File("many.xml"), &streamed), "");
    EXPECT_NE(streamed.find("\n99999|"), std::string::npos);

    // Articles whose text has gone back to the system, then thousands of unclosed tags that make
    // the parse index every tag of what is left: the index must not read the text that went.
    std::string hostile = "<rss><channel>";
    while (hostile.size() < kKeptTextBufferBytes + (size_t{1} << 20)) {
        hostile += "<item><title>article</title><description>" + std::string(900, 'x') +
                   "</description></item>\n";
    }
    for (int i = 0; i < 20000; ++i) hostile += "<a>";
    hostile += "<item><title>after</title></item></a></channel></rss>";
    test::WriteFile(dir.File("hostile.xml"), hostile);
    EXPECT_EQ(ReadBothWays(dir.File("hostile.xml"), &streamed), "");
    EXPECT_NE(streamed.find("after|"), std::string::npos);
}

TEST(ArticleStream, ReadsEveryFileOfTheCorpusAsTheWholeTreeDoes) {
    const std::string root = test::CorpusPath("");
    if (root.empty()) GTEST_SKIP() << "the shared corpus is absent";
    test::MessageCapture quiet;
    int compared = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         it != std::filesystem::end(it); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        ASSERT_EQ(ReadBothWays(it->path().string()), "") << it->path();
        ++compared;
    }
    EXPECT_GT(compared, 1500);
}

}  // namespace
}  // namespace varlo

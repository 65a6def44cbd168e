#include "feeds/article_key.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "feeds/display_form.h"
#include "feeds/element_lookup.h"
#include "feeds/rss_file.h"
#include "support/test_support.h"
#include "xml/document.h"

namespace varlo {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<Text> KeysOfFeed(const CRssFile& feed) {
    std::vector<Text> keys;
    for (int i = 0; i < feed.GetSize(); ++i) keys.push_back(feed.GetAt(i)->m_strKey);
    return keys;
}

// The keys of the articles of a feed file, read as the articles stream out of the parse and read
// from the whole tree: both readings must give each article the same key.
std::vector<Text> KeysOf(const std::string& xml) {
    TempDir dir;
    WriteFile(dir.File("f.xml"), xml);
    CRssFile streamed;
    EXPECT_EQ(streamed.ReadRss(dir.File("f.xml")), 1);
    CRssFile whole;
    whole.ReadRss(dir.File("f.xml"), [](const CMXMLDocument&) {});
    EXPECT_EQ(KeysOfFeed(whole), KeysOfFeed(streamed));
    return KeysOfFeed(streamed);
}

TEST(ArticleKey, RssItemsTakeGuidThenDecodedLinkThenTitleWithDateAsWritten) {
    EXPECT_EQ(KeysOf("<rss><channel><title>c</title>"
                     "<item><guid isPermaLink='false'> tag:1 </guid><link>http://a/1</link></item>"
                     "<item><guid></guid><link> http://a/?x=1&amp;y=2 </link></item>"
                     "<item><title>T</title><pubDate>Mon, 01 Jan 2024 09:00:00 +0900</pubDate>"
                     "</item>"
                     "<item><title> Undated </title></item>"
                     "<item><title>R</title><dc:date>2024-01-01T00:00:00Z</dc:date></item>"
                     "<item><link href='http://a/h'/><title>H</title></item>"
                     "</channel></rss>"),
              (std::vector<Text>{"tag:1", "http://a/?x=1&y=2", "T\tMon, 01 Jan 2024 09:00:00 +0900",
                                 "Undated", "R\t2024-01-01T00:00:00Z", "H"}));
}

TEST(ArticleKey, AtomEntriesTakeIdThenTheirReaderLinkNeverAnEditLink) {
    EXPECT_EQ(KeysOf("<feed xmlns='http://www.w3.org/2005/Atom'><title>f</title>"
                     "<entry><id>urn:1</id><title>a</title></entry>"
                     "<entry><link rel='edit' href='http://a/edit'/>"
                     "<link href='http://a/2'/><title>b</title></entry>"
                     "<entry><link rel='replies' href='http://a/r'/><title>c</title>"
                     "<updated>2024-01-02T00:00:00Z</updated></entry>"
                     "</feed>"),
              (std::vector<Text>{"urn:1", "http://a/2", "c\t2024-01-02T00:00:00Z"}));
    EXPECT_EQ(KeysOf("<feed version='0.3'><entry><title>x</title><modified>m</modified>"
                     "<issued>i</issued></entry></feed>"),
              std::vector<Text>{"x\tm"});
}

TEST(ArticleKey, ALinklessRdfItemIsNotKeyedByTheChannelAddressItIsGiven) {
    CRssFile feed;
    TempDir dir;
    WriteFile(dir.File("rdf.xml"),
              "<rdf:RDF><channel rdf:about='http://c/'><title>c</title></channel>"
              "<item rdf:about='http://c/1'><title>1</title><link>http://c/1</link></item>"
              "<item><title>2</title><pubDate>p</pubDate></item></rdf:RDF>");
    ASSERT_EQ(feed.ReadRss(dir.File("rdf.xml")), 1);
    ASSERT_EQ(feed.GetSize(), 2);
    EXPECT_EQ(feed.GetAt(1)->m_strLink, "http://c/");
    // An RDF item's reading ignores "pubDate"; its key has always taken it.
    EXPECT_EQ(KeysOfFeed(feed), (std::vector<Text>{"http://c/1", "2\tp"}));
}

// The keys as every store made so far holds them: taken from the whole tree, each article's
// elements looked for anywhere below it. A key the readers give differently would make every
// article of such a feed new again, and lose its marks.
Text StoredKeyOf(const CMXMLElement& item) {
    if (item.NodeName() == "entry") return {};
    const auto found = FindFirstOfEach<5>(item, {"guid", "link", "title", "pubDate", "dc:date"});
    const Text link = found[1] ? TextOf(*found[1]) : Text();
    const Text id = found[0] ? TextOf(*found[0]) : Text();
    return ArticleKeyFrom(id, link, found[2], found[3] ? found[3] : found[4]);
}

std::vector<Text> StoredKeys(const CMXMLDocument& document) {
    std::vector<Text> keys;
    const CMXMLElement* root = document.GetDocumentElement();
    if (root == nullptr) return keys;
    const bool atom = root->NodeName() == "feed";
    const bool atom03 = atom && root->GetAttribute("version") == "0.3";
    WalkElements(*root, [&](const CMXMLElement& element) {
        if (atom && element.NodeName() == "entry") keys.push_back(AtomEntryKey(element, atom03));
        if (!atom && element.NodeName() == "item") keys.push_back(StoredKeyOf(element));
        return keys.size() >= static_cast<size_t>(kMaxArticles);
    });
    return keys;
}

TEST(ArticleKey, EveryFeedOfTheCorpusKeepsTheKeysItsArticlesWereStoredBy) {
    const std::string root = test::CorpusPath("");
    if (root.empty()) GTEST_SKIP() << "the shared corpus is absent";
    test::MessageCapture quiet;
    int compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        CRssFile feed;
        std::vector<Text> stored;
        bool behindMarkup = false;
        if (feed.ReadRss(path,
                         [&](const CMXMLDocument& document) {
                             stored = StoredKeys(document);
                             const CMXMLElement* top = document.GetDocumentElement();
                             behindMarkup = top != nullptr && top->NodeName() != "rss" &&
                                            top->NodeName() != "feed" &&
                                            top->NodeName() != "rdf:RDF";
                         }) != 1 ||
            behindMarkup) {
            continue;
        }
        CRssFile streamed;
        streamed.ReadRss(path);
        ASSERT_EQ(KeysOfFeed(feed), stored) << path;
        ASSERT_EQ(KeysOfFeed(streamed), stored) << path;
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace varlo

#include "xml/japanese_decoding.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.h"
#include "support/transcode.h"
#include "xml/document.h"

namespace varlo {
namespace {

using test::Sjis;
using test::Transcode;

constexpr const char* kTitle = "日本語のブログ（テスト）";
constexpr const char* kItem = "記事の題名・その１";

// A small RSS feed in UTF-8 whose declaration names `encoding` (none when empty).
std::string Feed(const std::string& encoding) {
    std::string declaration = "<?xml version=\"1.0\"";
    if (!encoding.empty()) declaration += " encoding=\"" + encoding + "\"";
    declaration += "?>\n";
    return declaration + "<rss version=\"2.0\"><channel>\n<title>" + kTitle +
           "</title>\n<item><title>" + kItem + "</title></item>\n</channel></rss>\n";
}

// The channel and item titles of a document parsed from the bytes.
std::pair<Text, Text> Titles(const std::string& bytes) {
    CMXMLDocument document;
    document.ParseXML(bytes);
    const CMXMLElement* root = document.GetDocumentElement();
    if (!root) return {};
    const CMXMLElement* channel = root->FindFirstElement("channel");
    const CMXMLElement* item = root->FindFirstElement("item");
    if (!channel || !item) return {};
    const CMXMLElement* title = channel->FindFirstElement("title");
    const CMXMLElement* itemTitle = item->FindFirstElement("title");
    return {title ? title->GetText() : Text(), itemTitle ? itemTitle->GetText() : Text()};
}

TEST(JapaneseFeedDecoding, ConvertsDeclaredEucJpAndIso2022Jp) {
    for (const char* encoding : {"EUC-JP", "euc-jp", "ISO-2022-JP", "iso-2022-jp"}) {
        const auto titles = Titles(Transcode(Feed(encoding), "UTF-8", encoding));
        EXPECT_EQ(titles.first, Sjis(kTitle)) << encoding;
        EXPECT_EQ(titles.second, Sjis(kItem)) << encoding;
    }
}

TEST(JapaneseFeedDecoding, ConvertsUndeclaredTextByWhatItsBytesShow) {
    for (const char* encoding : {"EUC-JP", "ISO-2022-JP"}) {
        const auto titles = Titles(Transcode(Feed(""), "UTF-8", encoding));
        EXPECT_EQ(titles.first, Sjis(kTitle)) << encoding;
    }
}

TEST(JapaneseFeedDecoding, ReadsUtf8UnderAStaleEucJpDeclarationAsUtf8) {
    EXPECT_EQ(Titles(Feed("EUC-JP")).first, Sjis(kTitle));
}

TEST(JapaneseFeedDecoding, NeverTakesUtf8WithFourByteCharactersForEucJp) {
    // F0 would make the guess say EUC-JP.
    EXPECT_EQ(DecodeJapaneseXmlText("<r>\xF0\x9F\x98\x80 \xE6\x97\xA5</r>", ""), std::nullopt);
    EXPECT_EQ(DecodeJapaneseXmlText("<r>\xF0\x9F\x98\x80</r>", "EUC-JP"), std::nullopt);
    // A broken sequence is not UTF-8: the guess stands.
    EXPECT_EQ(DecodeJapaneseXmlText("<r>\xF0\xA1</r>", ""), std::optional<Text>("<r>\xE8\x9F</r>"));
}

TEST(JapaneseFeedDecoding, LeavesShiftJisAndUtf8AsTheyWere) {
    EXPECT_EQ(Titles(Transcode(Feed("Shift_JIS"), "UTF-8", "CP932")).first, Sjis(kTitle));
    EXPECT_EQ(Titles(Feed("utf-8")).first, Sjis(kTitle));
    EXPECT_EQ(DecodeJapaneseXmlText("<a>\xE6\x97\xA5</a>", ""), std::nullopt);
    EXPECT_EQ(DecodeJapaneseXmlText("<a>\x93\xFA</a>", "Shift_JIS"), std::nullopt);
}

TEST(JapaneseFeedDecoding, KeepsLineBreaksOutOfTheShiftState) {
    // A katakana run left open at the end of a line must not shift the line feed.
    EXPECT_EQ(DecodeJapaneseXmlText("<a>\x1B(I1\n\x1B(Bb</a>", "ISO-2022-JP"),
              std::optional<Text>("<a>\xB1\nb</a>"));
}

TEST(JapaneseFeedDecoding, LoadsTheEucJpSampleFeed) {
    const std::string path = test::CorpusPath("xml-rss-libxml/t/data/rss-euc.xml");
    if (path.empty() || !std::ifstream(path)) GTEST_SKIP() << "corpus not present";
    test::MessageCapture messages;
    CMXMLDocument document;
    ASSERT_TRUE(document.LoadFile(path));
    EXPECT_EQ(document.GetEncoding(), "EUC-JP");
    const CMXMLElement* channel = document.GetDocumentElement()->FindFirstElement("channel");
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->FindFirstElement("title")->GetText(), Sjis("RSS 1.0チャンネル例"));
    EXPECT_EQ(channel->FindFirstElement("description")->GetText(), Sjis("例で示します"));
}

}  // namespace
}  // namespace varlo

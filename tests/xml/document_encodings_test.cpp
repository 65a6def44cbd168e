// Feeds and subscription files in the encodings real sites use, read into system text and written
// back as UTF-8 without losing a character.

#include <gtest/gtest.h>

#include <string>

#include "encoding/codepage.h"
#include "encoding/latin_text.h"
#include "support/test_support.h"
#include "support/transcode.h"
#include "xml/document.h"
#include "xml/encoding.h"

namespace varlo {
namespace {

using test::Transcode;

// The UTF-8 text of the root's content, after reading `bytes` as a whole document.
std::string ReadTitle(const std::string& bytes) {
    CMXMLDocument doc;
    doc.ParseXML(bytes);
    const CMXMLElement* root = doc.GetDocumentElement();
    return root ? Cp932ToUtf8(root->GetText()) : std::string("(no root)");
}

std::string Declared(const char* encoding, const std::string& title) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<title>" + title +
           "</title>\n";
}

struct Sample {
    const char* encoding;  // as declared
    const char* iconvName;
    const char* text;  // UTF-8
};

TEST(DeclaredEncodings, EachIsConvertedAndEveryCharacterComesBackOnSave) {
    const Sample samples[] = {
        {"ISO-8859-1", "ISO-8859-1", "Café crème, naïve façade, Ærøskøbing"},
        {"windows-1252", "WINDOWS-1252", "“Smart” quotes — and €5 …"},
        {"GB2312", "GB2312", "中文简体：汉语新闻"},
        {"GBK", "GBK", "中文简体：汉语新闻"},
        {"Big5", "BIG5", "繁體中文：漢語新聞"},
        {"EUC-KR", "EUC-KR", "한국어 뉴스 제목"},
        {"KOI8-R", "KOI8-R", "Новости: Привет, мир"},
    };
    for (const Sample& sample : samples) {
        const std::string bytes =
            Transcode(Declared(sample.encoding, sample.text), "UTF-8", sample.iconvName);
        EXPECT_EQ(ReadTitle(bytes), sample.text) << sample.encoding;
        CMXMLDocument doc;
        doc.ParseXML(bytes);
        EXPECT_EQ(doc.GetEncoding(), sample.encoding);
        EXPECT_NE(TextToUTF8(doc.GetXML()).find(std::string("<title>") + sample.text + "</title>"),
                  std::string::npos)
            << sample.encoding;
    }
}

TEST(DeclaredEncodings, Iso88591IsReadAsWindows1252LikeBrowsersDo) {
    EXPECT_EQ(ReadTitle(Declared("iso-8859-1", "It\x92s \x93quoted\x94")), "It’s “quoted”");
}

TEST(DeclaredEncodings, WellFormedUtf8WinsOverADeclaredSingleByteEncoding) {
    EXPECT_EQ(ReadTitle(Declared("ISO-8859-1", "Café 日本 😀")), "Café 日本 😀");
    EXPECT_EQ(ReadTitle(Declared("windows-1252", "na\xC3\xAFve")), "naïve");
}

TEST(DeclaredEncodings, UnknownNamesAndUndeclaredTextsAreDetectedAsBefore) {
    const std::string sjis = Transcode("日本語", "UTF-8", "CP932");
    EXPECT_EQ(ReadTitle(Declared("x-no-such-encoding", sjis)), "日本語");
    EXPECT_EQ(ReadTitle("<title>" + sjis + "</title>"), "日本語");
    EXPECT_EQ(ReadTitle(Declared("Shift_JIS", sjis)), "日本語");
    EXPECT_EQ(ReadTitle("<title>" + Transcode("日本語", "UTF-8", "EUC-JP") + "</title>"), "日本語");
}

TEST(WideEncodings, Utf16AndUtf32WithAByteOrderMarkOrWithoutAreRead) {
    const std::string text = "日本語 😀 Café";
    const std::string document = Declared("UTF-16", text);
    const struct {
        const char* iconvName;
        std::string mark;
    } forms[] = {
        {"UTF-16LE", "\xFF\xFE"},
        {"UTF-16BE", "\xFE\xFF"},
        {"UTF-16LE", ""},
        {"UTF-16BE", ""},
        {"UTF-32LE", std::string("\xFF\xFE\0\0", 4)},
        {"UTF-32BE", std::string("\0\0\xFE\xFF", 4)},
    };
    for (const auto& form : forms) {
        const std::string bytes = form.mark + Transcode(document, "UTF-8", form.iconvName);
        EXPECT_EQ(ReadTitle(bytes), text) << form.iconvName << " mark " << form.mark.size();
    }
}

TEST(WideEncodings, AUtf16FileIsReadWholeDespiteItsZeroBytes) {
    test::TempDir dir;
    const std::string path = dir.File("wide.xml");
    test::WriteFile(path,
                    "\xFF\xFE" + Transcode(Declared("UTF-16", "ひらがな 😀"), "UTF-8", "UTF-16LE"));
    CMXMLDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(Cp932ToUtf8(doc.GetDocumentElement()->GetText()), "ひらがな 😀");
    // A broken unit (a lone surrogate) costs one "?", not the rest of the file.
    const std::string broken = "\xFF\xFE" + Transcode("<t>a", "UTF-8", "UTF-16LE") +
                               std::string("\x00\xD8", 2) + Transcode("b</t>", "UTF-8", "UTF-16LE");
    EXPECT_EQ(ReadTitle(broken), "a?b");
}

TEST(StrayBytes, AUtf8FeedWithACharacterCutInHalfIsStillReadAsUtf8) {
    // A description shortened in the middle of a character used to make the whole feed read as
    // Shift_JIS, garbling every Japanese character in it.
    std::string japanese;
    for (int i = 0; i < 3; ++i)
        japanese += "日本語のニュース記事です。新しい製品が発表されました。";
    const std::string cut = japanese.substr(0, 10);  // ends one byte into a character
    for (const char* declaration : {"", "<?xml version=\"1.0\" encoding=\"utf-8\"?>"}) {
        const std::string title =
            ReadTitle(std::string(declaration) + "<t>" + japanese + cut + "</t>");
        // The stray byte reads as its windows-1252 character.
        EXPECT_EQ(title, japanese + cut.substr(0, 9) + "ã") << declaration;
    }
    // Shift_JIS and EUC-JP text is never taken for such UTF-8.
    const std::string long_ = japanese + japanese;
    EXPECT_FALSE(IsUtf8WithStrayBytes(Transcode(long_, "UTF-8", "CP932")));
    EXPECT_FALSE(IsUtf8WithStrayBytes(Transcode(long_, "UTF-8", "EUC-JP")));
    EXPECT_EQ(ReadTitle("<t>" + Transcode(long_, "UTF-8", "CP932") + "</t>"), long_);
    // A few characters and a bad byte decide nothing.
    EXPECT_FALSE(IsUtf8WithStrayBytes("caf\xC3\xA9 \xFF"));
}

TEST(Utf8Mark, DeclaresUtf8EvenWithAStrayBadByte) {
    // Without the mark, so short a text with a bad byte would be read as Shift_JIS.
    EXPECT_EQ(ReadTitle("\xEF\xBB\xBF<t>日本\xFF語</t>"), "日本ÿ語");
}

TEST(StrayBytes, AFeedDeclaredUtf8WithAWordProcessorsQuoteIsReadAsUtf8) {
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    std::string accents;
    for (int i = 0; i < 19; ++i) accents += "\xC3\xA9";
    // 19 well-formed characters and one stray byte: 95%. The stray byte is the windows-1252
    // character browsers show.
    EXPECT_TRUE(IsMostlyUtf8("don\x92t " + accents));
    EXPECT_EQ(ReadTitle(utf8 + "<t>I don\x92t really feel " + accents + "</t>"),
              "I don’t really feel ééééééééééééééééééé");
    EXPECT_EQ(ReadTitle(utf8 + "<t>\x93\xE6\x97\xA5 \xE2\x80\x94 \xF0\x9F\x98\x80\x94 " + accents +
                        accents + "</t>"),
              "“日 — 😀” ééééééééééééééééééé" + Cp932ToUtf8(Utf8ToCp932("ééééééééééééééééééé")));
    // Below 95% the detection decides as before: Shift_JIS labelled UTF-8 stays Shift_JIS.
    EXPECT_FALSE(IsMostlyUtf8("don\x92t " + accents.substr(2)));
    const std::string sjis = Transcode("日本語のニュース記事です。", "UTF-8", "CP932");
    EXPECT_FALSE(IsMostlyUtf8(sjis));
    EXPECT_EQ(ReadTitle(utf8 + "<t>" + sjis + "</t>"), "日本語のニュース記事です。");
}

TEST(LatinText, UndeclaredWindows1252IsReadAsItAndJapaneseKeepsItsReading) {
    // Letters standing alone beside ASCII letters: Western text in windows-1252.
    EXPECT_EQ(ReadTitle("<t>Voc\xEA ter\xE1 simula\xE7\xF5"
                        "es de 2\xBA n\xEDvel: don\x92t caf\xE9 na\xEFve m\xE1quina r\xE1pida "
                        "est\xE1 l\xE1 j\xE1 f\xE9 s\xF3</t>"),
              "Você terá simulações de 2º nível: don’t café naïve máquina rápida está lá já fé só");
    EXPECT_EQ(ReadTitle("<?xml version=\"1.0\"?><t>don\x92t</t>"), "don’t");
    // Japanese in each legacy encoding keeps its reading, katakana and punctuation included.
    for (const char* japanese : {"日本語のニュース記事です。", "アイテム、カタログ。", "ｱｲｳ ﾃｽﾄ",
                                 "Windows版 ソフト", "表示 Test"}) {
        EXPECT_EQ(ReadTitle("<t>" + Transcode(japanese, "UTF-8", "CP932") + "</t>"), japanese);
    }
    const std::string japanese = "日本語のニュース記事です。";
    for (const char* encoding : {"EUC-JP", "ISO-2022-JP"}) {
        EXPECT_EQ(ReadTitle("<t>" + Transcode(japanese, "UTF-8", encoding) + "</t>"), japanese)
            << encoding;
    }
    // A declaration decides.
    EXPECT_EQ(ReadTitle(Declared("Shift_JIS", "\x83\x41")), "ア");
    EXPECT_FALSE(LooksLikeWindows1252(Transcode("カタログ", "UTF-8", "CP932")));
    EXPECT_FALSE(LooksLikeWindows1252("plain ASCII"));
}

}  // namespace
}  // namespace varlo

#include "fetch/text_file.h"

#include <gtest/gtest.h>

#include "encoding/codepage.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

using test::Sjis;
using test::Transcode;

class TextFileLoading : public ::testing::Test {
  protected:
    // Loads bytes written to a file of the temporary folder.
    CTextFile LoadBytes(std::string_view bytes) {
        const std::string path = m_dir.File("down.html");
        test::WriteFile(path, bytes);
        CTextFile file;
        EXPECT_EQ(file.Load(path), 1);
        return file;
    }

    test::TempDir m_dir;
    test::MessageCapture m_messages;
};

constexpr const char* kPage =
    "<html><head><title>日本語のページ</title></head>\n"
    "<body>ｶﾀｶﾅ以外の漢字とかなです。</body></html>\n";

TEST_F(TextFileLoading, LeavesAsciiUnconvertedButBringsItsBreaksToCrLf) {
    const CTextFile file = LoadBytes("<p>a</p>\n<p>b</p>\n");
    EXPECT_EQ(file.m_nCode, kCodeAscii);
    EXPECT_EQ(file.m_nLineBreak, kLineBreakLf);
    EXPECT_EQ(file.m_strText, "<p>a</p>\r\n<p>b</p>\r\n");
}

TEST_F(TextFileLoading, ConvertsEachEncodingMadeByIconv) {
    const std::string expected = Sjis(kPage);
    const std::string crlf = [&] {
        std::string s;
        for (char c : expected) {
            if (c == '\n') s += '\r';
            s += c;
        }
        return s;
    }();
    struct Case {
        const char* encoding;
        int code;
    };
    for (const Case& c :
         {Case{"SHIFT_JIS", kCodeShiftJis}, Case{"EUC-JP", kCodeEucJp}, Case{"UTF-8", kCodeUtf8}}) {
        const CTextFile file = LoadBytes(Transcode(kPage, "UTF-8", c.encoding));
        EXPECT_EQ(file.m_nCode, c.code) << c.encoding;
        EXPECT_EQ(file.m_strText, crlf) << c.encoding;
    }
    // ISO-2022-JP has no half-width katakana; its page is the same without them.
    const char* jisPage = "<title>日本語のページ</title>\n<body>カタカナと漢字</body>";
    const CTextFile file = LoadBytes(Transcode(jisPage, "UTF-8", "ISO-2022-JP"));
    EXPECT_EQ(file.m_nCode, kCodeJis);
    EXPECT_EQ(file.m_strText, Sjis("<title>日本語のページ</title>\r\n<body>カタカナと漢字</body>"));
}

TEST_F(TextFileLoading, ReadsAPageInTheEncodingItsMetaElementDeclares) {
    // Such pages used to be guessed at as Japanese, garbling the title discovery takes.
    const struct {
        const char* meta;
        const char* encoding;
        const char* title;
    } pages[] = {
        {"<meta charset=\"iso-8859-1\">", "ISO-8859-1", "Café"},
        {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=GB2312\">", "GB2312",
         "中文新闻"},
        {"<meta charset='windows-1251'>", "WINDOWS-1251", "Новости"},
    };
    for (const auto& page : pages) {
        const std::string html = std::string("<html><head>") + page.meta + "<title>" + page.title +
                                 "</title></head></html>";
        const CTextFile file = LoadBytes(Transcode(html, "UTF-8", page.encoding));
        EXPECT_EQ(file.m_nCode, kCodeUtf8) << page.encoding;
        EXPECT_NE(Cp932ToUtf8(file.m_strText).find(std::string("<title>") + page.title),
                  std::string::npos)
            << page.encoding;
    }
    // UTF-8 wins over the declaration; Japanese declarations keep the detection.
    EXPECT_EQ(LoadBytes("<meta charset=\"iso-8859-1\"><title>caf\xC3\xA9</title>").m_strText,
              "<meta charset=\"iso-8859-1\"><title>caf&#xE9;</title>");
    const std::string sjis = "<meta charset=\"shift_jis\"><title>" + Sjis("日本語") + "</title>";
    EXPECT_EQ(LoadBytes(sjis).m_strText, sjis);
    EXPECT_EQ(DeclaredPageCharset("<p>charset=x</p>"), "");
    EXPECT_EQ(DeclaredPageCharset("<meta content=\"text/html;charset=EUC-KR\">"), "EUC-KR");
}

TEST_F(TextFileLoading, ReadsAUtf16PageByItsByteOrderMark) {
    const CTextFile file =
        LoadBytes("\xFF\xFE" + Transcode("<title>日本語 café</title>\n", "UTF-8", "UTF-16LE"));
    EXPECT_EQ(file.m_nCode, kCodeUtf8);
    EXPECT_EQ(file.m_strText, Sjis("<title>日本語 caf") + "&#xE9;</title>\r\n");
}

TEST_F(TextFileLoading, ReadsUtf8WithOnlyAccentsOrAnEmojiFirstAsUtf8) {
    // Formerly left undecided (accents) or read as EUC-JP (an emoji first), garbling the title.
    const CTextFile accents = LoadBytes("caf\xC3\xA9\r\n");
    EXPECT_EQ(accents.m_nCode, kCodeUtf8);
    EXPECT_EQ(accents.m_strText, "caf&#xE9;\r\n");
    const CTextFile emoji = LoadBytes("<title>\xF0\x9F\x98\x80 \xE6\x97\xA5</title>");
    EXPECT_EQ(emoji.m_nCode, kCodeUtf8);
    EXPECT_EQ(emoji.m_strText, "<title>&#x1F600; \x93\xFA</title>");
    // No-break spaces alone decide nothing for the Japanese detection.
    const CTextFile spaces = LoadBytes(
        "<p>a\xC2\xA0"
        "b</p>");
    EXPECT_EQ(spaces.m_nCode, kCodeUtf8);
    EXPECT_EQ(spaces.m_strText, "<p>a&#xA0;b</p>");
}

TEST_F(TextFileLoading, ReadsWesternPagesAsBrowsersDoNotAsJapanese) {
    // Declared UTF-8 with one stray byte of windows-1252 among well-formed characters.
    std::string accents;
    for (int i = 0; i < 19; ++i) accents += "\xC3\xA9";
    const CTextFile stray = LoadBytes("<meta charset=\"utf-8\"><p>I don\x92t " + accents + "</p>");
    EXPECT_EQ(stray.m_nCode, kCodeUtf8);
    EXPECT_EQ(Cp932ToUtf8(stray.m_strText),
              "<meta charset=\"utf-8\"><p>I don’t ééééééééééééééééééé</p>");
    // Without any declaration, letters standing alone: windows-1252.
    const CTextFile latin = LoadBytes(
        "<p>simula\xE7\xF5"
        "es de n\xEDvel caf\xE9 ol\xE1 j\xE1 est\xE1 don\x92t voc\xEA pa\xEDs</p>");
    EXPECT_EQ(latin.m_nCode, kCodeUtf8);
    EXPECT_EQ(Cp932ToUtf8(latin.m_strText),
              "<p>simulações de nível café olá já está don’t você país</p>");
    // Shift_JIS that claims to be UTF-8 is still found out.
    const CTextFile sjis =
        LoadBytes("<meta charset=\"utf-8\">" + Transcode("日本語のページ", "UTF-8", "CP932"));
    EXPECT_EQ(sjis.m_nCode, kCodeShiftJis);
    EXPECT_EQ(sjis.m_strText, Sjis("<meta charset=\"utf-8\">日本語のページ"));
}

TEST_F(TextFileLoading, RecognisesUtf8ByItsByteOrderMarkAndDropsIt) {
    const CTextFile file = LoadBytes("\xEF\xBB\xBF<p>caf\xC3\xA9 \xE3\x81\x82</p>");
    EXPECT_EQ(file.m_nCode, kCodeUtf8);
    EXPECT_EQ(file.m_strText, "<p>caf&#xE9; \x82\xA0</p>");
}

TEST_F(TextFileLoading, ConvertsHalfWidthKatakanaAfterTheJisEscape) {
    const CTextFile file = LoadBytes("\x1B$B\x46\x7C\x1B(B a \x1B(I\x36\x40\x36\x45\x1B(B\n");
    EXPECT_EQ(file.m_nCode, kCodeJis);
    EXPECT_EQ(file.m_strText, "\x93\xFA a \xB6\xC0\xB6\xC5\r\n");
}

TEST_F(TextFileLoading, KeepsTheLastJisLineWithoutABreakAndEmptyLines) {
    const CTextFile file = LoadBytes("\x1B$B\x46\x7C\x1B(B\r\n\r\nend \x1B$B\x46\x7C");
    EXPECT_EQ(file.m_nLineBreak, kLineBreakCrLf);
    EXPECT_EQ(file.m_strText, "\x93\xFA\r\n\r\nend \x93\xFA");
}

TEST_F(TextFileLoading, CarriesJisModesAcrossLinesButNotAcrossFiles) {
    // The first page ends in two-byte mode, its second line relying on the first line's escape.
    const CTextFile first = LoadBytes("\x1B$B\x46\x7C\n\x46\x7C");
    EXPECT_EQ(first.m_strText, "\x93\xFA\r\n\x93\xFA");
    // A fresh page starts in ASCII mode, with the same object as with a new one.
    CTextFile reused;
    test::WriteFile(m_dir.File("a.html"), "\x1B$B\x46\x7C");
    test::WriteFile(m_dir.File("b.html"), "Fine\n\x1B$B\x46\x7C\x1B(B");
    ASSERT_EQ(reused.Load(m_dir.File("a.html")), 1);
    ASSERT_EQ(reused.Load(m_dir.File("b.html")), 1);
    EXPECT_EQ(reused.m_strText, "Fine\r\n\x93\xFA");
}

TEST_F(TextFileLoading, ConvertsALineLongerThanAnyConversionAreaWhole) {
    std::string euc;
    std::string expected;
    for (int i = 0; i < 50000; ++i) {
        euc += "\xC6\xFC";
        expected += "\x93\xFA";
    }
    const CTextFile file = LoadBytes(euc + "\n" + euc);
    EXPECT_EQ(file.m_nCode, kCodeEucJp);
    EXPECT_EQ(file.m_strText, expected + "\r\n" + expected);
}

TEST_F(TextFileLoading, TurnsLoneCarriageReturnsIntoCrLf) {
    const CTextFile file = LoadBytes("a\rb\r\nc\r");
    EXPECT_EQ(file.m_nLineBreak, kLineBreakCr);
    EXPECT_EQ(file.m_strText, "a\r\nb\r\nc\r\n");
}

TEST_F(TextFileLoading, ReportsAMissingFileAndKeepsTheOldText) {
    CTextFile file;
    file.m_strText = "old";
    EXPECT_EQ(file.Load(m_dir.File("absent.html")), 0);
    EXPECT_EQ(file.m_strText, "old");
    EXPECT_EQ(file.m_strPath, m_dir.File("absent.html"));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "ファイルが見つかりません");
}

TEST_F(TextFileLoading, ReportsAFolderAsUnreadable) {
    CTextFile file;
    EXPECT_EQ(file.Load(m_dir.Path().string()), 0);
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

}  // namespace
}  // namespace varlo

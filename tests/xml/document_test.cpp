#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "support/test_support.h"
#include "xml/document.h"
#include "xml/encoding.h"
#include "xml/writer.h"

namespace varlo {
namespace {

using test::MessageCapture;
using test::ReadFile;
using test::Sjis;
using test::TempDir;
using test::WriteFile;

TEST(XmlDocumentLoading, Utf8FileWithMarkDeclarationAndCrLfBecomesShiftJis) {
    TempDir dir;
    const std::string path = dir.File("feed.xml");
    WriteFile(path,
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<rss><title>日本語のタイトル</title></rss>\r\n");
    CMXMLDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.GetEncoding(), "utf-8");
    ASSERT_NE(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.GetDocumentElement()->NodeName(), "rss");
    EXPECT_EQ(doc.GetDocumentElement()->GetText(), Sjis("日本語のタイトル"));
}

TEST(XmlDocumentLoading, ShiftJisFileIsLoadedUnchangedWhateverItDeclares) {
    TempDir dir;
    const std::string path = dir.File("sjis.xml");
    const std::string title = Sjis("ひらがなカタカナ漢字");
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>" + title + "</r>");
    CMXMLDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.GetDocumentElement()->GetText(), title);
}

TEST(XmlDocumentLoading, Utf8FileWithOneEmojiIsReadWholeAsUtf8) {
    // Formerly the emoji failed the test and every Japanese character was read as Shift_JIS.
    const std::string bytes = "<r>\xF0\x9F\x98\x80 \xE6\x97\xA5\xC3\xA9</r>";
    EXPECT_TRUE(IsUTF8(bytes));
    CMXMLDocument doc;
    doc.ParseXML(bytes);
    EXPECT_EQ(doc.GetDocumentElement()->GetText(), "&#x1F600; \x93\xFA&#xE9;");
    EXPECT_EQ(
        TextToUTF8(doc.GetXML()),
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r>\xF0\x9F\x98\x80 \xE6\x97\xA5\xC3\xA9</r>");
}

TEST(XmlDocumentLoading, Utf8TestAcceptsWellFormedSequencesOfOneToFourBytes) {
    EXPECT_TRUE(IsUTF8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsUTF8("\xF0\x9F\x98"));
    EXPECT_FALSE(IsUTF8("\xF8\x88\x80\x80\x80"));
    EXPECT_TRUE(IsUTF8(""));
    EXPECT_TRUE(IsUTF8("plain ascii"));
    EXPECT_TRUE(IsUTF8("\xC3\xA9\xE6\x97\xA5"));
    EXPECT_FALSE(IsUTF8("\xC3"));
    EXPECT_FALSE(IsUTF8("\x80"));
    EXPECT_FALSE(IsUTF8("\xE6\x97"));
    EXPECT_FALSE(IsUTF8("\xE6\x97\x41"));
    // Overlong forms are not rejected.
    EXPECT_TRUE(IsUTF8("\xC0\x80"));
}

TEST(XmlDocumentLoading, Utf8TestOfLongTextsAgreesWithReadingWholeSequences) {
    // Long texts are checked many bytes at a time; a sequence that straddles two blocks, the
    // first block or the end must be judged as reading one character after another judges it.
    const auto reference = [](std::string_view text) {
        for (size_t i = 0; i < text.size();) {
            const auto c = static_cast<unsigned char>(text[i]);
            const size_t length = c < 0x80   ? 1
                                  : c < 0xC0 ? 0
                                  : c < 0xE0 ? 2
                                  : c < 0xF0 ? 3
                                  : c < 0xF5 ? 4
                                             : 0;
            if (length == 0 || i + length > text.size()) return false;
            for (size_t k = 1; k < length; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
            }
            i += length;
        }
        return true;
    };
    const std::string pieces[] = {"a",        "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
                                  "\x80",     "\xC3",     "\xE6\x97",     "\xF0\x9F\x98",
                                  "\xF5\x80", "\xFF",     "\xBF\xBF",     "\xC0\x80"};
    unsigned long long state = 12345;
    size_t agreed = 0;
    for (size_t length : {64, 65, 95, 96, 97, 127, 128, 129, 159, 160, 200, 300}) {
        for (int round = 0; round < 300; ++round) {
            std::string text(length, 'x');
            // One to three odd pieces among ASCII, at any place, the end included.
            const int count = 1 + round % 3;
            for (int k = 0; k < count; ++k) {
                state = state * 6364136223846793005ULL + 1442695040888963407ULL;
                const std::string& piece = pieces[(state >> 33) % std::size(pieces)];
                const size_t at = (state >> 13) % length;
                text.replace(at, std::min(piece.size(), length - at), piece.substr(0, length - at));
            }
            text.resize(length, 'x');
            ASSERT_EQ(IsUTF8(text), reference(text)) << length << " " << round;
            agreed += reference(text);
        }
    }
    // Both answers occur often enough for the comparison to mean something.
    EXPECT_GT(agreed, 300u);
    EXPECT_LT(agreed, 2700u);
    // Japanese throughout, cut at every length past the first block.
    std::string japanese;
    while (japanese.size() < 300) japanese += "\xE6\x97\xA5\xE6\x9C\xAC a";
    for (size_t length = 64; length <= 300; ++length) {
        EXPECT_EQ(IsUTF8(std::string_view(japanese).substr(0, length)),
                  reference(std::string_view(japanese).substr(0, length)))
            << length;
    }
}

TEST(XmlDocumentLoading, ACommentBeforeTheRootEndsAtItsCloseNotAtAGreaterThanInside) {
    // Such a comment used to end at its first ">", and its rest became the root.
    CMXMLDocument doc;
    doc.ParseXML(
        "<?xml version=\"1.0\"?>\n<!--\nExpect: '<span style=\"x\">a</span>'\n-->\n"
        "<rss><item/></rss>");
    ASSERT_NE(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.GetDocumentElement()->NodeName(), "rss");
    EXPECT_EQ(doc.GetDocumentElement()->GetElementsByTagName("item").GetCount(), 1);
}

TEST(XmlDocumentLoading, WhatFollowsTheRootsEndTagIsIgnored) {
    // A cache plug-in's comment after the root used to leave the root without children, and the
    // feed without articles.
    const char* trailers[] = {
        "<!-- cached 0.1s -->", "<?pi x?>\n", "<script>var a = '</x>';</script>",
        "  stray text ",        "junk</x>",   "<!-- a --> <!-- b -->\n"};
    for (const char* trailer : trailers) {
        CMXMLDocument doc;
        doc.ParseXML(std::string("<?xml version=\"1.0\"?>\n<rss><a>1</a><b/></rss >\n") + trailer);
        const CMXMLElement* root = doc.GetDocumentElement();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->NodeName(), "rss") << trailer;
        EXPECT_TRUE(root->HasEndTag()) << trailer;
        EXPECT_EQ(root->GetText(), "1") << trailer;
        EXPECT_EQ(root->GetElementsByTagName("b").GetCount(), 1) << trailer;
    }
    // A root that is never closed still has no children.
    CMXMLDocument open;
    open.ParseXML("<rss><a>1</a><!-- -->");
    EXPECT_FALSE(open.GetDocumentElement()->HasChildNodes());
}

TEST(XmlDocumentLoading, DoctypeWithInternalSubsetEndsAtItsFirstBracket) {
    CMXMLDocument doc;
    doc.ParseXML(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<!DOCTYPE r [<!ENTITY e \"v\">]>\n"
        "<!-- c --><r>x</r>");
    EXPECT_EQ(doc.GetEncoding(), "Shift_JIS");
    EXPECT_EQ(doc.GetDocumentElement()->NodeName(), "r");
    EXPECT_EQ(doc.GetDocumentElement()->GetText(), "x");
}

TEST(XmlDocumentLoading, TextWithoutMarkupStillGivesAnUnnamedRoot) {
    CMXMLDocument doc;
    doc.ParseXML("  just text \r\n");
    ASSERT_NE(doc.GetDocumentElement(), nullptr);
    EXPECT_EQ(doc.GetDocumentElement()->NodeName(), "");
    EXPECT_EQ(doc.GetDocumentElement()->GetText(), "just text");
}

TEST(XmlDocumentLoading, FileIsReadUpToItsFirstZeroByte) {
    TempDir dir;
    const std::string path = dir.File("z.xml");
    WriteFile(path, std::string("<r>a</r>\0<x/>", 13));
    CMXMLDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.GetDocumentElement()->GetXML(), "<r>a</r>");
}

TEST(XmlDocumentLoading, MissingFileShowsTheOpenMessageAndFails) {
    MessageCapture messages;
    CMXMLDocument doc;
    EXPECT_FALSE(doc.LoadFile("/no/such/dir/file.xml"));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "ファイルのオープンに失敗しました:/no/such/dir/file.xml");
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
}

TEST(XmlDocumentLoading, UnreadableStreamShowsTheReadMessage) {
    TempDir dir;
    MessageCapture messages;
    CMXMLDocument doc;
    // A folder opens as a stream but cannot be read.
    EXPECT_FALSE(doc.LoadFile(dir.Path().string()));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Messages()[0].starts_with("ファイルの読込に失敗しました:"))
        << messages.Messages()[0];
}

TEST(XmlDocumentLoading, LoadingSelectsTheCompactLayout) {
    SetXmlFormat(XmlFormat::Indented);
    CMXMLDocument doc;
    doc.ParseXML("<r><a/></r>");
    EXPECT_EQ(GetXmlFormat(), XmlFormat::Compact);
    EXPECT_EQ(doc.GetXML(), "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r><a /></r>");
}

class XmlDocumentSaving : public ::testing::Test {
  protected:
    void SetUp() override {
        auto root = doc.AppendChild(CMXMLDocument::CreateElement("r"));
        root->SetNodeValue(Sjis("<t>日本</t>"));
    }
    CMXMLDocument doc;
};

TEST_F(XmlDocumentSaving, WritesTheDeclarationAndUtf8WithoutAMark) {
    TempDir dir;
    ASSERT_TRUE(doc.SaveFile(dir.File("out.xml")));
    EXPECT_EQ(ReadFile(dir.File("out.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r><t>日本</t></r>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(XmlDocumentSaving, FailureInAReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0 && access("/", W_OK) == 0) {
        // Root writes anywhere; a folder that does not exist stands in for one we cannot write.
        MessageCapture messages;
        EXPECT_FALSE(doc.SaveFile("/no/such/folder/out.xml"));
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0],
                  "ファイルのオープンに失敗しました:/no/such/folder/out.xml");
        return;
    }
    TempDir dir;
    const std::string path = dir.File("keep.xml");
    WriteFile(path, "old content");
    std::filesystem::permissions(
        dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    MessageCapture messages;
    EXPECT_FALSE(doc.SaveFile(path));
    EXPECT_EQ(ReadFile(path), "old content");
    ASSERT_EQ(messages.Messages().size(), 1u);
}

TEST_F(XmlDocumentSaving, AFailedWriteLeavesThePreviousFileIntactAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("keep.xml");
    WriteFile(path, "old content");
    // Writes past the file size limit fail as a full device would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    MessageCapture messages;
    const bool saved_ok = doc.SaveFile(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFile(path), "old content");
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "ファイルの書込に失敗しました:" + path);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(XmlDocumentSaving, SavingThroughALinkReplacesTheLinkedFile) {
    TempDir dir;
    const std::string real = dir.File("real.xml");
    const std::string link = dir.File("link.xml");
    WriteFile(real, "old");
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(doc.SaveFile(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadFile(real).find("<r>"), std::string::npos);
}

TEST_F(XmlDocumentSaving, RoundTripKeepsTheTree) {
    TempDir dir;
    SetXmlFormat(XmlFormat::Indented);
    ASSERT_TRUE(doc.SaveFile(dir.File("a.xml")));
    CMXMLDocument again;
    ASSERT_TRUE(again.LoadFile(dir.File("a.xml")));
    EXPECT_EQ(again.GetDocumentElement()->FindFirstElement("t")->GetText(), Sjis("日本"));
    SetXmlFormat(XmlFormat::Compact);
}

}  // namespace
}  // namespace varlo

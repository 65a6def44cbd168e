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

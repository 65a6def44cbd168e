// Subscription files in the window: characters the code page lacks shown as themselves, and what
// could not be read announced on open and guarded on save.

#include <string>
#include <vector>

#include "app_fixture.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/views/varlo_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"

namespace varlo::test {
namespace {

std::string Opml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<opml version=\"1.0\"><head><title>t"
           "</title></head><body><outline title=\"Subscriptions\">" +
           body + "</outline></body></opml>\n";
}

// Two outlines with an address nested beyond the parser's cap, and one entry it reads.
std::string DeepOpml() {
    std::string body;
    for (int i = 0; i < 300; ++i) body += "<outline title=\"f" + std::to_string(i) + "\">";
    body +=
        "<outline title=\"deep\" xmlUrl=\"http://deep/\"/><outline title=\"d2\" "
        "htmlUrl=\"http://d2/\"/>";
    for (int i = 0; i < 300; ++i) body += "</outline>";
    body +=
        "<outline title=\"ニュース 😀\"><outline title=\"Café 😀 한국어\" "
        "htmlUrl=\"http://a.example/\"/></outline>";
    return Opml(body);
}

const char* const kLossMessage = "読み込めなかった項目が 2 件あります。保存すると失われます。";
const char* const kOverwriteQuestion =
    "読み込めなかった項目が 2 件あります。このファイルに保存すると失われます。上書きしますか？";

using SubscriptionFile = AppTest;

TEST_F(SubscriptionFile, EmojiAndOtherScriptsShowAsThemselvesAndSaveUnchanged) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, Opml("<outline title=\"ニュース 😀\"><outline title=\"Café 😀 한국어\" "
                         "htmlUrl=\"http://a.example/é\"/><outline title=\"Ærø — “q” 〜\" "
                         "xmlUrl=\"http://b.example/\"/></outline>"));
    MessageCapture messages;
    ASSERT_TRUE(Start({file}));
    EXPECT_TRUE(messages.Messages().empty());
    CListCtrlBox& rows = *Frame().SiteList()->GetList();
    ASSERT_EQ(SiteRowCount(), 2);
    EXPECT_EQ(rows.GetItemText(SiteRow(0), 0), wxString::FromUTF8("Café 😀 한국어"));
    EXPECT_EQ(rows.GetItemText(SiteRow(1), 0), wxString::FromUTF8("Ærø — “q” 〜"));
    SaveScreenshot(&Frame(), "site_list_unicode");

    Doc().Modify(true);
    Frame().RunCommand(cmd::kFileSave);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(messages.Messages().empty()) << "nothing was lost, so nothing is asked";
    const std::string saved = ReadFile(file);
    EXPECT_NE(saved.find("title=\"Café 😀 한국어\" htmlUrl=\"http://a.example/é\""),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("title=\"ニュース 😀\""), std::string::npos);
    EXPECT_NE(saved.find("title=\"Ærø — “q” 〜\""), std::string::npos);
}

TEST_F(SubscriptionFile, ReferenceTextShowsAsTextAndWhatXmlForbidsIsLeftOutWithAWord) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, Opml("<outline title=\"&amp;#x1F600; 😀&#1;\" htmlUrl=\"http://a.example/\"/>"));
    ASSERT_TRUE(Start({file}));
    CListCtrlBox& rows = *Frame().SiteList()->GetList();
    ASSERT_EQ(SiteRowCount(), 1);
    EXPECT_EQ(rows.GetItemText(SiteRow(0), 0), wxString::FromUTF8("&#x1F600; 😀\x01"));
    SaveScreenshot(&Frame(), "site_list_reference_text");

    MessageCapture messages;
    Doc().Modify(true);
    Frame().RunCommand(cmd::kFileSave);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(
        messages.Messages(),
        std::vector<std::string>{"XML ファイルに書けない文字 (制御文字など) が 1 個あったため、"
                                 "それらを除いて保存しました。"});
    const std::string saved = ReadFile(file);
    EXPECT_NE(saved.find("title=\"&amp;#x1F600; 😀\""), std::string::npos) << saved;
}

TEST_F(SubscriptionFile, OutlinesThatCouldNotBeReadAreAnnouncedAndSavingOverThemAsks) {
    const std::string file = dir.File("deep.xml");
    const std::string original = DeepOpml();
    WriteFile(file, original);
    {
        MessageCapture messages;
        ASSERT_TRUE(Start({file}));
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0], kLossMessage);
        EXPECT_EQ(messages.Styles()[0] & 0xF, static_cast<unsigned>(kMbOk));
    }
    ASSERT_EQ(SiteRowCount(), 1);
    Doc().Modify(true);
    {
        MessageCapture messages(kIdNo);
        Frame().RunCommand(cmd::kFileSave);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0], kOverwriteQuestion);
        EXPECT_EQ(messages.Styles()[0] & 0xF, static_cast<unsigned>(kMbYesNo));
        EXPECT_EQ(ReadFile(file), original) << "No leaves the file as it was";
        EXPECT_TRUE(Doc().IsModified());
    }
    {
        // Saving elsewhere loses nothing of that file: no question.
        MessageCapture messages(kIdNo);
        EXPECT_TRUE(Doc().OnSaveDocument(wxString::FromUTF8(dir.File("copy.xml"))));
        EXPECT_TRUE(messages.Messages().empty());
        EXPECT_EQ(ReadFile(file), original);
    }
    Doc().Modify(true);
    {
        MessageCapture messages(kIdYes);
        Frame().RunCommand(cmd::kFileSave);
        EXPECT_EQ(messages.Messages().size(), 1u);
        EXPECT_FALSE(Doc().IsModified());
        EXPECT_EQ(ReadFile(file).find("http://deep/"), std::string::npos);
        EXPECT_NE(ReadFile(file).find("Café 😀 한국어"), std::string::npos);
    }
    {
        // Once written over, there is nothing more to lose.
        MessageCapture messages(kIdNo);
        Doc().Modify(true);
        Frame().RunCommand(cmd::kFileSave);
        EXPECT_TRUE(messages.Messages().empty());
        EXPECT_FALSE(Doc().IsModified());
    }
}

TEST_F(SubscriptionFile, ANewDocumentForgetsWhatCouldNotBeRead) {
    const std::string file = dir.File("deep.xml");
    WriteFile(file, DeepOpml());
    {
        MessageCapture messages;
        ASSERT_TRUE(Start({file}));
    }
    Frame().RunCommand(cmd::kFileNew);
    MessageCapture messages(kIdNo);
    EXPECT_TRUE(Doc().OnSaveDocument(wxString::FromUTF8(file)));
    EXPECT_TRUE(messages.Messages().empty());
}

}  // namespace
}  // namespace varlo::test

#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/views/article_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "shell/command_ids.h"

namespace varlo::test {
namespace {

const char* const kOpml =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head><title>t</title>"
    "</head><body><outline title=\"Subscriptions\"><outline title=\"ニュース\">"
    "<outline title=\"A\" htmlUrl=\"http://a.example/\" />"
    "<outline title=\"B\" htmlUrl=\"http://b.example/\" /></outline></outline></body></opml>";

using ShellStartUp = AppTest;

TEST_F(ShellStartUp, FirstStartShowsAnUntitledDocumentOnTwoThirdsOfTheScreen) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("無題 - Varlo"));
    const wxRect rect = Frame().GetRect();
    const wxRect area = wxDisplay(0u).GetClientArea();
    EXPECT_EQ(rect.GetSize(), wxSize(area.GetWidth() * 2 / 3, area.GetHeight() * 2 / 3));
    EXPECT_TRUE(area.Contains(rect)) << "centred on the screen";
    EXPECT_TRUE(Frame().GetToolBar()->IsShown());
    EXPECT_TRUE(Frame().GetStatusBar()->IsShown());
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::SiteList);
    EXPECT_FALSE(std::filesystem::exists(settingsPath)) << "nothing is written at start-up";
}

TEST_F(ShellStartUp, PlacementAndBarsAreSavedOnCloseAndRestored) {
    ASSERT_TRUE(Start());
    Frame().SetSize(150, 120, 700, 500);
    PumpEvents();
    Frame().RunCommand(cmd::kViewToolBar);
    EXPECT_FALSE(Frame().GetToolBar()->IsShown());
    Stop();
    auto stored = StoredSettings();
    EXPECT_EQ(stored->GetString("Window size", "Rect", {}), "150,120,850,620,0,0,-1,-1");
    EXPECT_EQ(stored->GetInt("Window size", "ToolBar", 1), 0);
    EXPECT_EQ(stored->GetInt("Window size", "StatusBar", 0), 1);
    EXPECT_EQ(stored->GetInt("Window size", "showCmd", 0), 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().GetRect(), wxRect(150, 120, 700, 500));
    EXPECT_FALSE(Frame().GetToolBar()->IsShown());
}

TEST_F(ShellStartUp, ARectWithFewerThanEightIntegersCountsAsMissing) {
    StoredSettings()->WriteString("Window size", "Rect", "10,20,300");
    ASSERT_TRUE(Start());
    const wxRect area = wxDisplay(0u).GetClientArea();
    EXPECT_EQ(Frame().GetSize(), wxSize(area.GetWidth() * 2 / 3, area.GetHeight() * 2 / 3));
}

TEST_F(ShellStartUp, TheMostRecentFileIsOpenedUnlessInitFileIsZero) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    StoredSettings()->WriteString("Recent File List", "File1", file);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 2);
    EXPECT_EQ(Frame().GetTitle(), "subs.xml - Varlo");
    EXPECT_EQ(SiteRowCount(), 2);
    Stop();
    StoredSettings()->WriteInt("System", "InitFile", 0);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 0);
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("無題 - Varlo"));
}

TEST_F(ShellStartUp, ADeletedRecentFileGivesANewDocumentWithoutAMessage) {
    StoredSettings()->WriteString("Recent File List", "File1", dir.File("gone.xml"));
    MessageCapture messages;
    ASSERT_TRUE(Start());
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("無題 - Varlo"));
}

TEST_F(ShellStartUp, AnUnreadableRecentFileStillLeavesAWindow) {
    const std::string file = dir.File("broken.xml");
    WriteFile(file, "<html>not a subscription file</html>");
    StoredSettings()->WriteString("Recent File List", "File1", file);
    MessageCapture messages;
    ASSERT_TRUE(Start());
    ASSERT_NE(app->Frame(), nullptr);
    EXPECT_TRUE(Frame().IsShown());
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"ファイルを開けません: " + file +
                                                            "\nOPMLファイルではありません"});
}

TEST_F(ShellStartUp, AFileThatCannotBeOpenedIsNamedWithTheReason) {
    // Not there.
    const std::string missing = dir.File("missing.opml");
    MessageCapture messages;
    ASSERT_TRUE(Start({missing}));
    EXPECT_TRUE(Frame().IsShown());
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"ファイルを開けません: " + missing +
                                                            "\nファイルが見つかりません"});
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("無題 - Varlo"));

    // A folder, an empty file, and an OPML file without its body; a file this user may not read
    // is refused by the system the same way, unless the tests run with every permission.
    const std::string folder = dir.File("folder.opml");
    std::filesystem::create_directory(folder);
    const std::string empty = dir.File("empty.opml");
    WriteFile(empty, "");
    const std::string bodiless = dir.File("bodiless.opml");
    WriteFile(bodiless, "<opml version=\"1.0\"><head/></opml>");
    const std::string locked = dir.File("locked.opml");
    WriteFile(locked, "<opml version=\"1.0\"><body/></opml>");
    chmod(locked.c_str(), 0);
    const bool lockable = access(locked.c_str(), R_OK) != 0;
    std::vector<std::string> expected;
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {folder, "フォルダーです"},
             {empty, "ファイルが空です"},
             {bodiless, "OPML の body 要素がありません"},
             {locked, "ファイルを読む許可がありません"}}) {
        if (path == locked && !lockable) continue;
        MessageCapture each;
        EXPECT_FALSE(app->OpenDocumentFile(path));
        EXPECT_EQ(each.Messages(),
                  std::vector<std::string>{"ファイルを開けません: " + path + "\n" + reason});
    }
}

TEST_F(ShellStartUp, TheTitleIsJapaneseWhileAStartUpMessageIsOpen) {
    const std::string file = dir.File("broken.xml");
    WriteFile(file, "<html>not a subscription file</html>");
    std::vector<std::string> titles;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const Text&, unsigned) {
        CMainFrame* frame = wxTheApp ? static_cast<CVarloApp*>(wxTheApp)->Frame() : nullptr;
        titles.push_back(frame ? std::string(frame->GetTitle().utf8_str()) : "");
        return kIdOk;
    });
    const bool started = Start({file});
    SetMessageBoxHandler(previous);
    ASSERT_TRUE(started);
    ASSERT_EQ(titles.size(), 1u);
    for (const std::string& title : titles) EXPECT_EQ(title, "無題 - Varlo");
}

// Answers the next file chooser: `check` looks at it, then `name` in `folder` is chosen with the
// filter `filter`.
void ChooseInFileDialog(const std::string& folder, const std::string& name, int filter,
                        std::function<void(wxFileDialog&)> check) {
    ExpectModal([=](wxDialog* shown) {
        auto* files = dynamic_cast<wxFileDialog*>(shown);
        EXPECT_NE(files, nullptr);
        if (!files) return wxID_CANCEL;
        check(*files);
        // The toolkit picks the filter of a name's extension: the user's choice comes last.
        files->SetDirectory(folder);
        files->SetFilename(wxString::FromUTF8(name));
        files->SetFilterIndex(filter);
        return wxID_OK;
    });
}

TEST_F(ShellStartUp, TheFileChooserOffersOpmlFilesFirstAndKeepsTheLastFilter) {
    const std::string opml = dir.File("subscriptions.opml");
    WriteFile(opml, kOpml);
    WriteFile(dir.File("other.xml"), kOpml);
    ASSERT_TRUE(Start());
    ChooseInFileDialog(dir.Path().string(), "subscriptions.opml", 2, [](wxFileDialog& files) {
        EXPECT_EQ(files.GetWildcard(),
                  wxString::FromUTF8("OPMLﾌｧｲﾙ(*.opml;*.xml) |*.opml;*.xml|XMLﾌｧｲﾙ(*.xml) "
                                     "|*.xml|全てのﾌｧｲﾙ(*.*) |*.*"));
        EXPECT_EQ(files.GetFilterIndex(), 0) << "OPML files first";
    });
    Frame().RunCommand(cmd::kFileOpen);
    ExpectNoPendingModals();
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 2);
    EXPECT_EQ(Frame().GetTitle(), "subscriptions.opml - Varlo");
    EXPECT_EQ(StoredSettings()->GetInt("System", "OpenFilter", -1), 2);

    // The next time, and after a restart, the chooser starts with the filter chosen last.
    ChooseInFileDialog(dir.Path().string(), "other.xml", 1,
                       [](wxFileDialog& files) { EXPECT_EQ(files.GetFilterIndex(), 2); });
    Frame().RunCommand(cmd::kFileOpen);
    ExpectNoPendingModals();
    EXPECT_EQ(Frame().GetTitle(), "other.xml - Varlo");
    Stop();
    ASSERT_TRUE(Start());
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(static_cast<wxFileDialog*>(shown)->GetFilterIndex(), 1);
        return wxID_CANCEL;
    });
    Frame().RunCommand(cmd::kFileOpen);
    ExpectNoPendingModals();
    EXPECT_EQ(StoredSettings()->GetInt("System", "OpenFilter", -1), 1) << "a cancel keeps it";

    // A value no filter has falls back to the first.
    Stop();
    StoredSettings()->WriteInt("System", "OpenFilter", 7);
    ASSERT_TRUE(Start());
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(static_cast<wxFileDialog*>(shown)->GetFilterIndex(), 0);
        return wxID_CANCEL;
    });
    Frame().RunCommand(cmd::kFileOpen);
    ExpectNoPendingModals();
}

TEST_F(ShellStartUp, AFileOnTheCommandLineIsOpenedWhateverInitFileHolds) {
    const std::string file = dir.File("cmd.xml");
    WriteFile(file, kOpml);
    StoredSettings()->WriteInt("System", "InitFile", 0);
    ASSERT_TRUE(Start({file}));
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 2);
}

TEST_F(ShellStartUp, ListZeroLeavesNoPaneActive) {
    StoredSettings()->WriteInt("View", "List", 0);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::None);
}

using ShellDocument = AppTest;

TEST_F(ShellDocument, EditingMarksModifiedAndClosingAsksToSave) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    ASSERT_TRUE(Start({file}));
    Doc().m_opmlFile.RemoveAt(0);
    Doc().Modify(true);
    {
        MessageCapture messages(kIdCancel);
        Frame().Close();
        PumpEvents();
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0], "subs.xml への変更を保存しますか?");
        ASSERT_NE(app->Frame(), nullptr) << "cancel keeps the window";
    }
    {
        MessageCapture messages(kIdYes);
        Frame().Close();
        PumpEvents();
        EXPECT_EQ(messages.Messages().size(), 1u);
    }
    EXPECT_EQ(app->Frame(), nullptr);
    COpmlFile saved;
    ASSERT_TRUE(saved.ReadOpml(file));
    EXPECT_EQ(saved.GetCount(), 1);
}

TEST_F(ShellDocument, MovingAndSortingDoNotMarkModified) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    ASSERT_TRUE(Start({file}));
    Frame().RunCommand(cmd::kSortTitle);
    Frame().SiteList()->GetList()->SelectItem(SiteRow(1));
    Frame().RunCommand(cmd::kMoveUp);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(ShellDocument, SaveWithAPathWritesWithoutADialogAndClearsTheFlag) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    ASSERT_TRUE(Start({file}));
    Doc().m_opmlFile.m_strTitle = "changed";
    Doc().Modify(true);
    Frame().RunCommand(cmd::kFileSave);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_NE(ReadFile(file).find("changed"), std::string::npos);
}

TEST_F(ShellDocument, ReopeningTheOpenFileDoesNotReadItAgain) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    ASSERT_TRUE(Start({file}));
    Doc().m_opmlFile.RemoveAt(0);
    Doc().Modify(true);
    EXPECT_TRUE(app->OpenDocumentFile(file));
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 1) << "unsaved changes stay in memory";
}

TEST_F(ShellDocument, AFailedOpenKeepsTheListTheRowsAndThePath) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    const std::string bad = dir.File("bad.xml");
    WriteFile(bad, "<opml version=\"1.0\"><head/></opml>");
    ASSERT_TRUE(Start({file}));
    Doc().Modify(true);
    MessageCapture messages(kIdNo);
    EXPECT_FALSE(app->OpenDocumentFile(bad));
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 2);
    EXPECT_EQ(SiteRowCount(), 2);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Frame().GetTitle(), "subs.xml - Varlo");
    EXPECT_EQ(messages.Messages().back(),
              "ファイルを開けません: " + bad + "\nOPML の body 要素がありません");
}

TEST_F(ShellDocument, NewEmptiesTheListTheFeedAndTheArticles) {
    const std::string file = dir.File("subs.xml");
    WriteFile(file, kOpml);
    ASSERT_TRUE(Start({file}));
    auto feed = std::make_shared<CRssFile>();
    feed->Add(std::make_unique<CRssItem>(TimeValue{0}));
    Doc().SetFeed(std::move(feed));
    Frame().ArticleList()->OnArticleUpdate();
    ASSERT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
    Frame().RunCommand(cmd::kFileNew);
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 0);
    EXPECT_EQ(Doc().Feed().GetSize(), 0);
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 0);
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("無題 - Varlo"));
}

using ArticleListFill = AppTest;

TEST_F(ArticleListFill, TheUpdateCommandSelectsTheFirstArticleAndAnEmptyFeedSelectsNothing) {
    ASSERT_TRUE(Start());
    CArticleView& articles = *Frame().ArticleList();
    auto feed = std::make_shared<CRssFile>();
    for (int i = 0; i < 3; ++i) {
        auto item = std::make_unique<CRssItem>(TimeValue{1000000000 + i});
        item->m_strTitle = "article " + std::to_string(i);
        feed->Add(std::move(item));
    }
    Doc().SetFeed(std::move(feed));
    articles.OnArticleUpdate();
    EXPECT_EQ(articles.GetList()->GetItemCount(), 3);
    EXPECT_EQ(articles.GetList()->GetSelectedItem(), 0);
    EXPECT_EQ(articles.GetList()->GetItemText(1, 0), "article 1");
    Doc().SetFeed(nullptr);
    articles.OnArticleUpdate();
    EXPECT_EQ(articles.GetList()->GetItemCount(), 0);
    EXPECT_EQ(articles.GetList()->GetSelectedItem(), -1);
    articles.FillArticleList(-1);
    EXPECT_EQ(articles.GetList()->GetSelectedItem(), -1);
}

}  // namespace
}  // namespace varlo::test

// Sync from the window against a small Google Reader server on loopback: the account dialog, the
// sync at start and on F5 in place of the update, the questions asked on the window's thread, the
// file saved with the server's subscriptions, and a refused login asking for the password again.

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>

#include <cstdlib>
#include <ctime>

#include "app_fixture.h"
#include "dialog_test_util.h"
#include "gui/app/sync_window.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/sync_account_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/sync_settings.h"
#include "gui/views/varlo_view.h"
#include "platform/secret_store.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/library.h"
#include "support/reader_server.h"

namespace varlo::test {
namespace {

const char* const kPassword = "s3cret-api-pass";
const char* const kRefused = "サーバーにログインできませんでした。パスワードを確かめてください。";

// Whether `window` or one of its children shows `text`.
bool ShowsText(wxWindow* window, const std::string& text) {
    if (auto* label = dynamic_cast<wxStaticText*>(window);
        label && label->GetLabel().Contains(wxString::FromUTF8(text))) {
        return true;
    }
    for (wxWindow* child : window->GetChildren()) {
        if (ShowsText(child, text)) return true;
    }
    return false;
}

// A label's words without the line breaks the dialog put in (a break takes a space's place).
std::string Unbroken(const wxString& text) {
    std::string out;
    for (const char c : std::string(text.utf8_str())) {
        if (c != '\n' && c != ' ') out += c;
    }
    return out;
}

class SyncWindow : public AppTest {
  protected:
    SyncWindow() : server("ann", kPassword) {}
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        // The password goes to the file beside this test's settings, never to a real keyring.
        setenv("VARLO_NO_KEYRING", "1", 1);
        setenv("VARLO_CONFIG", settingsPath.c_str(), 1);
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        server.AddSubscription({"feed/1", "News", "http://a.test/feed", {"Tech"}});
        server.AddSubscription({"feed/2", "Server only", "http://s.test/feed", {}});
        server.AddItems("feed/1", 4, now - 3600);
        server.AddItems("feed/2", 2, now - 1800);
        server.SetRead(2, true);
        subs = dir.File("subs.xml");
        WriteFile(subs,
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\">"
                  "<head><title>t</title></head><body>"
                  "<outline title=\"News\" xmlUrl=\"http://a.test/feed\" />"
                  "</body></opml>");
    }
    void TearDown() override {
        AppTest::TearDown();
        unsetenv("VARLO_CONFIG");
        unsetenv("VARLO_NO_KEYRING");
    }
    SyncAccount Account() const { return {server.ApiUrl(), "ann"}; }
    // The account as a previous session left it, with `password` kept.
    void KeepAccount(const std::string& password) {
        SaveSyncSetting(*StoredSettings(), {Account(), subs});
        ASSERT_TRUE(StorePassword(Account().Key(), password).ok);
    }
    CSyncWindow& Sync() { return Frame().Sync(); }
    bool WaitForSyncs(int count) {
        return WaitUntil([&] { return Sync().Finished() >= count && !Sync().IsRunning(); }, 20);
    }
    std::string Status() {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    }
    int64_t StoredArticles() { return CLibrary(FeedMarks().Store()).Count(LibraryView::All()); }

    FakeReaderServer server;
    std::string subs;
};

TEST_F(SyncWindow, AccountDialogChecksTheLoginKeepsThePasswordApartAndRemovesTheAccount) {
    ASSERT_TRUE(Start({subs}));
    MessageCapture messages;
    ExpectModal([&](wxDialog* shown) {
        auto* dialog = dynamic_cast<CSyncAccountDlg*>(shown);
        EXPECT_TRUE(dialog);
        if (!dialog) return wxID_CANCEL;
        EXPECT_EQ(dialog->GetTitle(), U8("同期アカウント"));
        EXPECT_TRUE(dialog->m_editPassword->HasFlag(wxTE_PASSWORD));
        EXPECT_FALSE(dialog->m_buttonRemove->IsEnabled());  // nothing to remove yet
        dialog->m_editServer->ChangeValue(wxString::FromUTF8(server.ApiUrl()));
        dialog->m_editUser->ChangeValue("ann");
        // A wrong password is refused in so many words; the right one logs in.
        dialog->m_editPassword->ChangeValue("wrong");
        Press(dialog->m_buttonCheck);
        EXPECT_TRUE(WaitUntil([&] { return !dialog->IsChecking(); }));
        EXPECT_EQ(Unbroken(dialog->m_result->GetLabel()), Unbroken(U8(kRefused)));
        dialog->m_editPassword->ChangeValue(kPassword);
        Press(dialog->m_buttonCheck);
        EXPECT_TRUE(WaitUntil([&] { return !dialog->IsChecking(); }));
        EXPECT_EQ(dialog->m_result->GetLabel(), U8("接続できました。"));
        SaveScreenshot(dialog, "sync-account-dialog");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kSyncAccount);
    ExpectNoPendingModals();
    // Setting the account syncs at once; the site only the file had is offered for upload (the
    // question waits on the window's thread) and the answer "no" keeps it off the server.
    messages.SetAnswer(kIdNo);
    ASSERT_TRUE(WaitForSyncs(1));
    EXPECT_TRUE(Sync().Last().ran);

    const std::string ini = ReadFile(settingsPath);
    EXPECT_NE(ini.find("[Sync]"), std::string::npos);
    EXPECT_NE(ini.find("User=ann"), std::string::npos);
    EXPECT_EQ(ini.find(kPassword), std::string::npos);
    EXPECT_EQ(ReadFile(subs).find(kPassword), std::string::npos);
    EXPECT_EQ(LookupPassword(Account().Key()), kPassword);
    EXPECT_EQ(ModeOf(PasswordFilePath()), 0600u);
    // The one-time warning that no keyring took the password.
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_NE(messages.Messages().front().find("sync-password"), std::string::npos);

    // The server's other site is in the list and in the saved file.
    EXPECT_EQ(SiteRowCount(), 2);
    EXPECT_NE(ReadFile(subs).find("http://s.test/feed"), std::string::npos);
    EXPECT_FALSE(Doc().IsModified());

    // Removing asks first, then forgets the password and the settings.
    ExpectModal([](wxDialog* shown) {
        auto* dialog = dynamic_cast<CSyncAccountDlg*>(shown);
        EXPECT_TRUE(dialog && dialog->m_buttonRemove->IsEnabled());
        EXPECT_EQ(dialog->m_editUser->GetValue(), "ann");
        EXPECT_TRUE(dialog->m_editPassword->GetValue().empty());  // never shown again
        return CSyncAccountDlg::kRemove;
    });
    messages.SetAnswer(kIdYes);
    Frame().RunCommand(cmd::kSyncAccount);
    ExpectNoPendingModals();
    EXPECT_FALSE(LoadSyncSetting(*StoredSettings()));
    EXPECT_FALSE(LookupPassword(Account().Key()));
    EXPECT_FALSE(Sync().Applying());
}

TEST_F(SyncWindow, ALongReasonInTheAccountDialogPushesTheButtonsDownRatherThanHidingUnderThem) {
    ASSERT_TRUE(Start({subs}));
    const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    ExpectModal([&](wxDialog* shown) {
        auto* dialog = dynamic_cast<CSyncAccountDlg*>(shown);
        EXPECT_TRUE(dialog);
        if (!dialog) return wxID_CANCEL;
        auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
        const int heightBefore = dialog->GetClientSize().y;
        dialog->m_editServer->ChangeValue(wxString::FromUTF8(closed + "/api/greader.php"));
        dialog->m_editUser->ChangeValue("ann");
        dialog->m_editPassword->ChangeValue(kPassword);
        Press(dialog->m_buttonCheck);
        EXPECT_TRUE(WaitUntil([&] { return !dialog->IsChecking(); }));
        EXPECT_EQ(Unbroken(dialog->m_result->GetLabel()),
                  Unbroken(wxString::FromUTF8("同期サーバーに接続できませんでした: "
                                              "サーバーに接続できませんでした (" +
                                              closed + ")")));
        // Every line of it is inside the dialog and above the buttons.
        const wxRect text = dialog->m_result->GetRect();
        EXPECT_GE(text.height, dialog->m_result->GetBestSize().y);
        EXPECT_GE(text.height, dialog->m_result->GetCharHeight() * 4);  // four lines at least
        EXPECT_LT(text.GetBottom(), ok->GetRect().GetTop());
        EXPECT_LT(text.GetBottom(), dialog->m_buttonRemove->GetRect().GetTop());
        EXPECT_LE(ok->GetRect().GetBottom(), dialog->GetClientSize().y);
        EXPECT_GT(dialog->GetClientSize().y, heightBefore);
        EXPECT_LE(text.GetRight(), dialog->GetClientSize().x);
        SaveScreenshot(dialog, "sync-account-dialog-long-message");
        // A short answer afterwards gives the room back.
        dialog->m_editServer->ChangeValue(wxString::FromUTF8(server.ApiUrl()));
        Press(dialog->m_buttonCheck);
        EXPECT_TRUE(WaitUntil([&] { return !dialog->IsChecking(); }));
        EXPECT_EQ(dialog->m_result->GetLabel(), U8("接続できました。"));
        EXPECT_EQ(dialog->GetClientSize().y, heightBefore);
        return wxID_CANCEL;
    });
    Frame().RunCommand(cmd::kSyncAccount);
    ExpectNoPendingModals();
}

TEST_F(SyncWindow, RunsAtStartAndOnF5InsteadOfTheUpdateAndAfterAMark) {
    KeepAccount(kPassword);
    MessageCapture messages(kIdYes);
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(WaitForSyncs(1));
    EXPECT_EQ(StoredArticles(), 6);
    EXPECT_EQ(Status(), "同期しました: 記事 6 件、既読 1 件");
    // The only local site is on the server: no question at all.
    EXPECT_TRUE(messages.Messages().empty());

    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    server.AddItems("feed/2", 3, now);
    Frame().RunCommand(cmd::kUpdateAll);
    EXPECT_FALSE(Frame().Updates().IsRunning());  // no site is asked for its feed
    EXPECT_TRUE(Sync().IsRunning());
    EXPECT_EQ(Status(), "同期中");
    // The list takes no edits while the sync holds the document.
    EXPECT_TRUE(Frame().ListBusy());
    ASSERT_TRUE(WaitForSyncs(2));
    EXPECT_EQ(StoredArticles(), 9);
    EXPECT_EQ(Status(), "同期しました: 記事 3 件、既読 0 件");

    const int logins = server.CountRequests("ClientLogin");
    Frame().ScheduleSync();
    EXPECT_FALSE(Sync().IsRunning());  // it waits a little for more marks
    ASSERT_TRUE(WaitForSyncs(3));
    EXPECT_EQ(server.CountRequests("ClientLogin"), logins + 1);

    // The automatic update syncs too (its minutes made milliseconds).
    setenv("VARLO_AUTO_UPDATE_UNIT_MS", "1", 1);
    Frame().Updates().SetAutoUpdate(5);
    // (Its ticks come faster than a sync ends, so one follows another until it is off.)
    ASSERT_TRUE(WaitUntil([&] { return Sync().Finished() >= 4; }, 20));
    Frame().Updates().SetAutoUpdate(0);
    unsetenv("VARLO_AUTO_UPDATE_UNIT_MS");
    ASSERT_TRUE(WaitUntil([&] { return !Sync().IsRunning(); }, 20));
    EXPECT_FALSE(Frame().Updates().IsRunning());
}

TEST_F(SyncWindow, UnsavedChangesAreAskedAboutBeforeTheServersSubscriptionsAreApplied) {
    KeepAccount(kPassword);
    MessageCapture messages(kIdYes);
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(WaitForSyncs(1));
    const std::string saved = ReadFile(subs);
    ASSERT_EQ(SiteRowCount(), 2);

    // A site added on the server while the user has unsaved changes: "no" leaves the file, the
    // list and the changes as they were...
    server.AddSubscription({"feed/3", "Later", "http://later.test/feed", {}});
    Doc().Modify(true);
    messages.SetAnswer(kIdNo);
    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(WaitForSyncs(2));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_NE(messages.Messages().back().find("未保存の変更"), std::string::npos);
    EXPECT_EQ(ReadFile(subs), saved);
    EXPECT_EQ(SiteRowCount(), 2);
    EXPECT_TRUE(Doc().IsModified());

    // ...and "yes" at the next sync applies the site and saves the file.
    messages.SetAnswer(kIdYes);
    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(WaitForSyncs(3));
    EXPECT_EQ(messages.Messages().size(), 2u);
    EXPECT_EQ(SiteRowCount(), 3);
    EXPECT_NE(ReadFile(subs).find("http://later.test/feed"), std::string::npos);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(SyncWindow, ClosingDuringASyncWaitsForItsEndSoTheFileKeepsTheServersChanges) {
    KeepAccount(kPassword);
    MessageCapture messages(kIdYes);
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(WaitForSyncs(1));
    server.AddSubscription({"feed/3", "Later", "http://later.test/feed", {}});
    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(Sync().IsRunning());
    // Closed now, the merge would be remembered without the file that holds its result.
    Frame().Close(false);
    ASSERT_TRUE(app->Frame());
    EXPECT_TRUE(Frame().IsShown());
    ASSERT_TRUE(WaitUntil([&] { return app->Frame() == nullptr; }, 20));
    EXPECT_NE(ReadFile(subs).find("http://later.test/feed"), std::string::npos);
}

TEST_F(SyncWindow, AnotherFileIsNotSynced) {
    KeepAccount(kPassword);
    const std::string other = dir.File("other.xml");
    WriteFile(other, ReadFile(subs));
    ASSERT_TRUE(Start({other}));
    EXPECT_FALSE(Sync().Applying());
    EXPECT_FALSE(Sync().IsRunning());
    EXPECT_EQ(Sync().Finished(), 0);
    EXPECT_EQ(server.CountRequests("ClientLogin"), 0);
}

TEST_F(SyncWindow, AFailureIsListedAndARefusedLoginAsksForThePasswordAgain) {
    KeepAccount("old-password");
    MessageCapture messages;
    ExpectModal([](wxDialog* shown) {
        auto* dialog = dynamic_cast<wxTextEntryDialog*>(shown);
        EXPECT_TRUE(dialog);
        if (!dialog) return wxID_CANCEL;
        EXPECT_TRUE(ShowsText(dialog, kRefused));
        EXPECT_TRUE(dialog->GetValue().empty());
        dialog->SetValue(kPassword);
        return wxID_OK;
    });
    ASSERT_TRUE(Start({subs}));
    // The refused sync, then the one with the new password.
    ASSERT_TRUE(WaitForSyncs(2));
    ExpectNoPendingModals();
    EXPECT_TRUE(Sync().Last().ran);
    EXPECT_EQ(LookupPassword(Account().Key()), kPassword);
    EXPECT_EQ(StoredArticles(), 6);

    // A server answering garbage fails the sync cleanly: the failure is listed with the update's.
    server.Fault("stream/contents", Ok("{not json", "application/json"));
    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(WaitForSyncs(3));
    ASSERT_FALSE(Frame().Updates().Failures().empty());
    EXPECT_EQ(Frame().Updates().Failures().front().xmlUrl, server.ApiUrl());
    EXPECT_EQ(StoredArticles(), 6);
}

TEST_F(SyncWindow, SitesMostOfWhichTheServerDroppedAreRemovedOnlyWhenTheUserSaysSo) {
    server.AddSubscription({"feed/3", "Third", "http://t.test/feed", {}});
    KeepAccount(kPassword);
    MessageCapture messages(kIdNo);
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(WaitForSyncs(1));
    ASSERT_EQ(SiteRowCount(), 3);
    server.RemoveSubscription("feed/2");
    server.RemoveSubscription("feed/3");
    const std::string before = ReadFile(subs);
    ASSERT_TRUE(Sync().Start());
    ASSERT_TRUE(WaitForSyncs(2));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().back(),
              "サーバーの一覧から 2 件のサイトが消えています。ファイルからも削除しますか？");
    EXPECT_EQ(ReadFile(subs), before);
    EXPECT_EQ(SiteRowCount(), 3);
    messages.SetAnswer(kIdYes);
    ASSERT_TRUE(Sync().Start());
    ASSERT_TRUE(WaitForSyncs(3));
    EXPECT_EQ(SiteRowCount(), 1);
    EXPECT_EQ(ReadFile(subs).find("http://t.test/feed"), std::string::npos);
}

TEST_F(SyncWindow, AsksOncePerServerBeforeThePasswordGoesUnencryptedToAnotherMachine) {
    // Requests to "another machine" go to the test's server as to a proxy.
    setenv("http_proxy", server.Http().Url("").c_str(), 1);
    unsetenv("no_proxy");
    const SyncAccount remote{"http://reader.example.test/api/greader.php", "ann"};
    SaveSyncSetting(*StoredSettings(), {remote, subs});
    ASSERT_TRUE(StorePassword(remote.Key(), kPassword).ok);
    MessageCapture messages(kIdNo);
    ASSERT_TRUE(Start({subs}));  // the sync at start asks, and "no" sends nothing
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().back(), "パスワードが暗号化されずに送信されます。続けますか？");
    EXPECT_EQ(server.Http().Requests().size(), 0u);
    messages.SetAnswer(kIdYes);
    ASSERT_TRUE(Sync().Start());
    ASSERT_TRUE(WaitForSyncs(1));
    EXPECT_TRUE(Sync().Last().ran);
    EXPECT_EQ(messages.Messages().size(), 2u);
    // Remembered with the account: the next sync goes without asking.
    ASSERT_TRUE(Sync().Start());
    ASSERT_TRUE(WaitForSyncs(2));
    EXPECT_EQ(messages.Messages().size(), 2u);
    EXPECT_TRUE(LoadSyncSetting(*StoredSettings())->inClearAllowed);
    unsetenv("http_proxy");
    setenv("no_proxy", "*", 1);
}

TEST_F(SyncWindow, TheServersOwnAddressIsReplacedByTheApisOnceItAnswered) {
    const SyncAccount typed{server.Http().Url(""), "ann"};
    SaveSyncSetting(*StoredSettings(), {typed, subs});
    ASSERT_TRUE(StorePassword(typed.Key(), kPassword).ok);
    MessageCapture messages(kIdYes);
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(WaitForSyncs(1));
    EXPECT_TRUE(Sync().Last().ran);
    const auto setting = LoadSyncSetting(*StoredSettings());
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->account.server, server.ApiUrl());
    EXPECT_EQ(LookupPassword(Account().Key()), kPassword);
    EXPECT_FALSE(LookupPassword(typed.Key()));
    // The next sync logs in at the API's address at once.
    const int logins = server.CountRequests("ClientLogin");
    ASSERT_TRUE(Sync().Start());
    ASSERT_TRUE(WaitForSyncs(2));
    EXPECT_EQ(server.CountRequests("ClientLogin"), logins + 1);
}

}  // namespace
}  // namespace varlo::test

#include "gui/app/sync_window.h"

#include <wx/app.h>
#include <wx/statusbr.h>
#include <wx/textdlg.h>

#include "encoding/codepage.h"
#include "gui/app/desktop_services.h"
#include "gui/app/main_frame.h"
#include "gui/app/update_all.h"
#include "gui/controls/sync_account_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/settings.h"
#include "gui/platform/wx_text.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/secret_memory.h"
#include "platform/secret_store.h"
#include "store/feed_store.h"
#include "store/store_paths.h"
#include "store/worker_store.h"
#include "subscriptions/opml_file.h"
#include "sync/server_address.h"
#include "sync/sync_messages.h"

namespace varlo {

namespace {

// A sync waits this long after a mark, so that the marks of a few moments go together.
constexpr int kAfterMarkMs = 3000;

// Keeps the password in the secret store; the first time it lands in the file instead of a
// keyring the user is told once. False (and said so) when it could not be kept anywhere.
bool KeepPassword(const SyncAccount& account, const std::string& password) {
    const SecretStored stored = StorePassword(account.Key(), password);
    if (!stored.ok) {
        ShowMessageBox(Jp("パスワードを保存できませんでした。"), kMbOk | kMbIconError);
        return false;
    }
    if (stored.fileCreated) {
        ShowMessageBox(PasswordFileWarning(PasswordFilePath()), kMbOk | kMbIconWarning);
    }
    return true;
}

// The list as a copy the sync thread may change while the window goes on showing the original.
std::unique_ptr<COpmlFile> CopyList(const COpmlFile& list) {
    auto copy = std::make_unique<COpmlFile>();
    copy->m_strTitle = list.m_strTitle;
    copy->m_nUnreadItems = list.m_nUnreadItems;
    copy->m_nSortKey = list.m_nSortKey;
    copy->m_bDescending = list.m_bDescending;
    for (int i = 0; i < list.GetCount(); ++i) {
        copy->Add(std::make_unique<COpmlItem>(*list.GetAt(i)));
    }
    return copy;
}

}  // namespace

CSyncWindow::CSyncWindow(CMainFrame& frame) : m_frame(frame), m_later(this) {
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Start(); }, m_later.GetId());
}

CSyncWindow::~CSyncWindow() {
    m_later.Stop();
    Cancel();
}

CVarloDoc* CSyncWindow::Doc() const {
    CVarloView* sites = m_frame.SiteList();
    return sites ? wxDynamicCast(sites->GetDocument(), CVarloDoc) : nullptr;
}

std::optional<SyncSetting> CSyncWindow::Applying() const {
    CVarloDoc* doc = Doc();
    if (!doc) return std::nullopt;
    std::optional<SyncSetting> setting = LoadSyncSetting(Settings());
    if (!setting || !SyncAppliesTo(*setting, std::string(doc->GetFilename().utf8_str()))) {
        return std::nullopt;
    }
    return setting;
}

bool CSyncWindow::Start() {
    std::optional<SyncSetting> setting = Applying();
    if (!setting) return false;
    m_later.Stop();
    if (m_running) {
        m_again = true;
        return true;
    }
    if (PasswordTravelsInClear(setting->account.server) && !setting->inClearAllowed) {
        if (ShowMessageBox(InClearQuestion(), kMbYesNo | kMbIconWarning) != kIdYes) {
            ShowStatus(Wx("同期しませんでした"));
            return false;
        }
        setting->inClearAllowed = true;
        SaveSyncSetting(Settings(), *setting);
    }
    std::optional<std::string> password = LookupPassword(setting->account.Key());
    if (!password || password->empty()) {
        if (!AskPassword(*setting, false)) return false;
        password = LookupPassword(setting->account.Key());
        if (!password) return false;
    }
    Run(*setting, std::move(*password));
    return true;
}

void CSyncWindow::Schedule() {
    if (!Applying()) return;
    if (m_running) {
        m_again = true;
        return;
    }
    m_later.StartOnce(kAfterMarkMs);
}

void CSyncWindow::Cancel() {
    if (m_questions) m_questions->Cancel();
}

void CSyncWindow::Run(const SyncSetting& setting, std::string password) {
    CVarloDoc* doc = Doc();
    if (!doc) return;
    // The site list takes no edits while the sync runs (the frame counts it as busy), so the
    // copy and the document stay the same list until the sync's changes come back.
    std::shared_ptr<COpmlFile> file = CopyList(doc->m_opmlFile);
    const bool modified = doc->IsModified();
    // Saving over a file whose outlines could not all be read would lose them.
    const bool lossy = doc->m_opmlFile.m_nUnreadItems > 0;
    m_questions = std::make_shared<CWindowQuestions>();
    std::shared_ptr<CWindowQuestions> questions = m_questions;
    m_running = true;
    m_mark = m_frame.Desktop().Mark();
    ShowStatus(ToWx(SyncingText()));
    const std::string storePath = StorePath();
    // What the sync leaves for the window.
    struct Synced {
        SyncSummary summary;
        std::shared_ptr<COpmlFile> file;
    };
    RunOffWindow(
        this, OnOwnThread{[questions] { questions->Cancel(); }},
        [=]() mutable {
            SyncSummary summary;
            CFeedStore* store = WorkerStore(storePath);
            if (!store) {
                summary.failures.push_back(Jp("新着の記録を開けませんでした"));
                summary.failed = 1;
            } else {
                SyncOptions options;
                options.askUpload = [questions](int count) {
                    return questions->Ask([count] {
                        return ShowMessageBox(UploadQuestion(count), kMbYesNo | kMbIconQuestion) ==
                               kIdYes;
                    });
                };
                options.mayRemove = [questions](int count) {
                    return questions->Ask([count] {
                        return ShowMessageBox(RemovalQuestion(count), kMbYesNo | kMbIconQuestion) ==
                               kIdYes;
                    });
                };
                options.maySendInClear = [allowed = setting.inClearAllowed] { return allowed; };
                options.mayChangeFile = [questions, modified, lossy] {
                    if (lossy) return false;
                    if (!modified) return true;
                    return questions->Ask([] {
                        return ShowMessageBox(Jp("サーバーで購読が変わりました。未保存の変更を"
                                                 "含めてファイルに反映し、保存しますか？"),
                                              kMbYesNo | kMbIconQuestion) == kIdYes;
                    });
                };
                summary = RunSync(*store, *file, setting.account, password, options);
            }
            WipeString(password);
            return Synced{summary, file};
        },
        [setting](CSyncWindow& window, const Synced& synced) {
            window.Finish(setting, synced.summary, synced.file);
        });
}

void CSyncWindow::Finish(const SyncSetting& setting, const SyncSummary& summary,
                         const std::shared_ptr<COpmlFile>& file) {
    m_running = false;
    m_questions.reset();
    ++m_finished;
    m_last = summary;
    if (!summary.server.empty()) KeepAddress(setting, summary.server);
    CVarloDoc* doc = Doc();
    if (summary.fileChanged && doc &&
        SyncAppliesTo(setting, std::string(doc->GetFilename().utf8_str()))) {
        ApplyFile(*doc, *file);
    }
    std::vector<SiteResult> failures;
    for (const Text& message : summary.failures) {
        SiteResult row;
        row.xmlUrl = Utf8ToCp932(setting.account.server);
        row.status = SiteStatus::kFailed;
        row.message = message;
        failures.push_back(std::move(row));
    }
    m_frame.Updates().SetFailures(std::move(failures));
    if (summary.ran) {
        ShowStatus(ToWx(SyncedText(summary)));
    } else {
        ShowStatus(summary.failures.empty() ? Wx("同期できませんでした")
                                            : ToWx(summary.failures.front()));
    }
    if (m_frame.SiteList()) m_frame.SiteList()->RefreshMarks();
    m_wholeArticles.Start(m_mark, [this, mark = m_mark] { m_frame.Desktop().AnnounceNew(mark); });
    m_frame.AfterSync();
    if (summary.stopped == ReaderFailure::kLogin) {
        // The same password would be refused again: nothing more runs until the user gives one.
        m_again = false;
        if (AskPassword(setting, true)) Start();
        return;
    }
    if (m_again) {
        m_again = false;
        Start();
    }
}

void CSyncWindow::KeepAddress(const SyncSetting& setting, const std::string& server) {
    // The API answered below the address the user typed: the account goes on with that one, its
    // password kept under the account's new name.
    SyncSetting moved = setting;
    moved.account.server = server;
    moved.inClearAllowed = setting.inClearAllowed && PasswordTravelsInClear(server);
    if (std::optional<std::string> password = LookupPassword(setting.account.Key())) {
        const bool kept = StorePassword(moved.account.Key(), *password).ok;
        WipeString(*password);
        if (!kept) return;
        ForgetPassword(setting.account.Key());
    }
    SaveSyncSetting(Settings(), moved);
}

void CSyncWindow::ApplyFile(CVarloDoc& doc, COpmlFile& file) {
    doc.m_opmlFile = std::move(file);
    std::vector<Text> urls;
    for (int i = 0; i < doc.m_opmlFile.GetCount(); ++i) {
        urls.push_back(doc.m_opmlFile.GetAt(i)->m_strXmlUrl);
    }
    FeedMarks().Touch(urls);
    // Saved at once, as the save command would: the file is what the next sync merges against.
    doc.Modify(true);
    doc.OnSaveDocument(doc.GetFilename());
    if (m_frame.SiteList()) m_frame.SiteList()->RefreshList(-1);
}

bool CSyncWindow::AskPassword(const SyncSetting& setting, bool refused) {
    const wxString text =
        refused ? Wx("サーバーにログインできませんでした。パスワードを確かめてください。")
                : Wx("同期サーバーの API パスワードを入力してください。");
    wxPasswordEntryDialog dialog(&m_frame, text, Wx("同期アカウント"));
    if (dialog.ShowModal() != wxID_OK || dialog.GetValue().empty()) return false;
    std::string password(dialog.GetValue().utf8_str());
    const bool kept = KeepPassword(setting.account, password);
    WipeString(password);
    return kept;
}

void CSyncWindow::EditAccount() {
    const std::optional<SyncSetting> current = LoadSyncSetting(Settings());
    CSyncAccountDlg dialog(&m_frame, current.has_value());
    if (current) {
        dialog.m_server = current->account.server;
        dialog.m_user = current->account.user;
        // For the check only: the field stays empty and an empty field keeps this password.
        dialog.m_password = LookupPassword(current->account.Key()).value_or(std::string());
    }
    const int result = dialog.DoModal();
    if (result == CSyncAccountDlg::kRemove) {
        if (current && ShowMessageBox(Jp("同期アカウントを削除しますか？\nパスワードと同期の記録を"
                                         "消します (記事はそのまま残ります)。"),
                                      kMbYesNo | kMbIconQuestion) == kIdYes) {
            RemoveAccount(*current);
        }
        return;
    }
    if (result != kIdOk) return;
    CVarloDoc* doc = Doc();
    const std::string path = doc ? std::string(doc->GetFilename().utf8_str()) : std::string();
    if (path.empty()) {
        ShowMessageBox(Jp("同期するには、先に購読ファイルを保存してください。"),
                       kMbOk | kMbIconWarning);
        return;
    }
    SyncSetting setting{{dialog.m_server, dialog.m_user}, path};
    const bool sameAccount = current && current->account.Key() == setting.account.Key();
    setting.inClearAllowed = sameAccount && current->inClearAllowed;
    std::string password = dialog.m_password;
    if (password.empty() && !sameAccount) {
        ShowMessageBox(Jp("API パスワードを入力してください。"), kMbOk | kMbIconWarning);
        return;
    }
    if (!password.empty() && !KeepPassword(setting.account, password)) return;
    // Another account starts afresh: nothing of the old one is left to confuse the merge.
    if (current && !sameAccount) RemoveAccount(*current);
    SaveSyncSetting(Settings(), setting);
    Start();
}

void CSyncWindow::RemoveAccount(const SyncSetting& setting) {
    ForgetPassword(setting.account.Key());
    const SyncAccount account = setting.account;
    RunOffWindow(InStore{FeedMarks().Writer()}, [account](CFeedStore* store) {
        if (store != nullptr) ForgetSyncState(*store, account);
    });
    ClearSyncSetting(Settings());
    ShowStatus(Wx("同期アカウントを削除しました"));
}

void CSyncWindow::ShowStatus(const wxString& text) {
    if (wxStatusBar* bar = m_frame.GetStatusBar()) bar->SetStatusText(text, 0);
}

}  // namespace varlo

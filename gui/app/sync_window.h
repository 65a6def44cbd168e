#pragma once
// Sync with the account's server from the main window: on a thread of its own, so the window goes
// on; the questions of the sync (sites to upload, a file with unsaved changes) are asked on the
// window's thread while the sync waits for the answer. The end shows what changed in the status
// bar, lists failures beside those of the update, applies the server's subscriptions to the open
// file and saves it.

#include <wx/event.h>
#include <wx/timer.h>

#include <memory>
#include <optional>
#include <string>

#include "gui/app/whole_articles_after.h"
#include "gui/platform/sync_settings.h"
#include "sync/sync_run.h"

namespace varlo {

class CMainFrame;
class COpmlFile;
class CVarloDoc;
class CWindowQuestions;

class CSyncWindow : public wxEvtHandler {
  public:
    explicit CSyncWindow(CMainFrame& frame);
    ~CSyncWindow() override;

    // The account, when one belongs to the open subscription file.
    std::optional<SyncSetting> Applying() const;
    // Starts a sync when an account belongs to the open file and none runs; true when one runs
    // now (started or already running).
    bool Start();
    // Starts a sync a few seconds from now (after the user marked something); marks made meanwhile
    // go with the same sync.
    void Schedule();
    bool IsRunning() const { return m_running; }
    // How many syncs have ended since the window opened.
    int Finished() const { return m_finished; }
    const SyncSummary& Last() const { return m_last; }
    // Ends a question the sync waits for as refused; the sync itself ends with its request.
    void Cancel();
    // The account dialog of the File menu.
    void EditAccount();

  private:
    void Run(const SyncSetting& setting, std::string password);
    void Finish(const SyncSetting& setting, const SyncSummary& summary,
                const std::shared_ptr<COpmlFile>& file);
    void ApplyFile(CVarloDoc& doc, COpmlFile& file);
    // Moves the account to the API's address found below the one given.
    void KeepAddress(const SyncSetting& setting, const std::string& server);
    // Asks for the password (again, after a refused login: `refused`); true when the user gave
    // one and it is kept.
    bool AskPassword(const SyncSetting& setting, bool refused);
    void RemoveAccount(const SyncSetting& setting);
    void ShowStatus(const wxString& text);
    CVarloDoc* Doc() const;

    CMainFrame& m_frame;
    wxTimer m_later;
    bool m_running = false;
    CWholeArticlesAfter m_wholeArticles;  // of the sites that want them, after the sync
    int64_t m_mark = 0;                   // where the articles stored before the sync end
    bool m_again = false;                 // asked for while one ran: another follows
    int m_finished = 0;
    SyncSummary m_last;
    std::shared_ptr<CWindowQuestions> m_questions;
};

}  // namespace varlo

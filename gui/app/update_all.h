#pragma once
// Updating every site of the open subscription file in the background, from the main window's
// event loop: a short timer moves the transfers on (nothing in it waits on the network), the status
// bar shows the progress and the end, and the site list its counts. Also the automatic update.

#include <wx/event.h>
#include <wx/string.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "gui/app/whole_articles_after.h"
#include "update/update_run.h"

namespace varlo {

class CMainFrame;

class CUpdateAll : public wxEvtHandler {
  public:
    explicit CUpdateAll(CMainFrame& frame);
    ~CUpdateAll() override;

    // Starts an update of every site with a feed address; nothing when one is running. The
    // automatic update does not ask the feeds still fresh, nor the sites of their own interval
    // before it has passed.
    void Start(bool automatic = false);
    // Ends the running update now, keeping every site that finished.
    void Cancel();
    // Running from the start until the whole articles of the sites that want them are kept.
    bool IsRunning() const {
        return m_run != nullptr || m_announcing.has_value() || m_wholeArticles.IsRunning();
    }
    // The failures of the last update that ended, with the sites that wait or are gone.
    const std::vector<SiteResult>& Failures() const { return m_failures; }
    // Lists the failures in a dialog.
    void ShowFailures();
    // Replaces the failures listed (a sync's, which takes the place of the update).
    void SetFailures(std::vector<SiteResult> failures) { m_failures = std::move(failures); }
    // Updates every `minutes` from now on (0: never).
    void SetAutoUpdate(int minutes);
    int AutoUpdateMinutes() const { return m_autoMinutes; }
    // Longest time between two ticks of the last update (how long the window was held up).
    std::chrono::milliseconds LongestTick() const { return m_longestTick; }

  private:
    void OnTick(wxTimerEvent& event);
    void OnAutoUpdate(wxTimerEvent& event);
    void OnSiteIntervals(wxTimerEvent& event);
    // Starts an update of `urls`, as automatic or not.
    void StartSites(std::vector<Text> urls, bool automatic);
    // The feed addresses of the open file's sites.
    std::vector<Text> SiteUrls() const;
    // Ends the run; unless it was `cancelled`, the whole articles wanted are fetched before the
    // desktop hears of the news.
    void Finish(bool cancelled = false);
    // Fetches the whole articles wanted, then tells the desktop of the news.
    void Announce();
    void ShowStatus(const wxString& text);

    CMainFrame& m_frame;
    std::unique_ptr<CUpdateRun> m_run;
    CWholeArticlesAfter m_wholeArticles;
    // The end of an update, yet to be announced.
    struct Announcing {
        bool cancelled = false;
        int64_t mark = 0;
        wxString ended;
    };
    std::optional<Announcing> m_announcing;
    wxTimer m_announce;
    std::vector<SiteResult> m_failures;
    wxTimer m_tick;
    wxTimer m_auto;
    // While the automatic update is on, the sites of their own interval are looked at this often.
    wxTimer m_siteIntervals;
    int m_autoMinutes = 0;
    size_t m_shownFinished = 0;
    int64_t m_mark = 0;  // where the articles stored before the run end
    std::chrono::steady_clock::time_point m_lastMarks;
    std::chrono::steady_clock::time_point m_lastTick;
    std::chrono::milliseconds m_longestTick{0};
};

}  // namespace varlo

#include "gui/app/update_all.h"

#include <wx/statusbr.h>

#include <cstdlib>
#include <ctime>
#include <map>

#include "fetch/http_download.h"
#include "gui/app/desktop_services.h"
#include "gui/app/main_frame.h"
#include "gui/app/sync_window.h"
#include "gui/controls/update_failures_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/wx_text.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "store/site_settings.h"
#include "update/site_access.h"

namespace varlo {
namespace {

// How often the transfers are moved on while an update runs.
constexpr int kTickMs = 20;
// The site list's counts follow the update at most this often (each refresh asks the store for
// every row), and once more at the end.
constexpr auto kMarksEvery = std::chrono::milliseconds(500);

// The length of one "minute" of the automatic update: VARLO_AUTO_UPDATE_UNIT_MS lets a test run
// it in milliseconds.
int MinuteMs() {
    if (const char* unit = std::getenv("VARLO_AUTO_UPDATE_UNIT_MS"); unit && *unit) {
        const int value = std::atoi(unit);
        if (value > 0) return value;
    }
    return 60000;
}

}  // namespace

CUpdateAll::CUpdateAll(CMainFrame& frame)
    : m_frame(frame), m_announce(this), m_tick(this), m_auto(this), m_siteIntervals(this) {
    Bind(wxEVT_TIMER, &CUpdateAll::OnTick, this, m_tick.GetId());
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Announce(); }, m_announce.GetId());
    Bind(wxEVT_TIMER, &CUpdateAll::OnAutoUpdate, this, m_auto.GetId());
    Bind(wxEVT_TIMER, &CUpdateAll::OnSiteIntervals, this, m_siteIntervals.GetId());
}

CUpdateAll::~CUpdateAll() {
    m_tick.Stop();
    m_auto.Stop();
    m_siteIntervals.Stop();
    m_announce.Stop();
    m_run.reset();
}

void CUpdateAll::Start(bool automatic) {
    if (m_run) return;
    // A file with a sync account takes its articles from the server, not from each site (also
    // when the user declines to give the password: the sites are not asked instead).
    if (m_frame.Sync().Applying()) {
        m_frame.Sync().Start();
        return;
    }
    CVarloView* sites = m_frame.SiteList();
    if (!sites || !wxDynamicCast(sites->GetDocument(), CVarloDoc)) return;
    StartSites(SiteUrls(), automatic);
}

std::vector<Text> CUpdateAll::SiteUrls() const {
    std::vector<Text> urls;
    CVarloView* sites = m_frame.SiteList();
    auto* doc = sites ? wxDynamicCast(sites->GetDocument(), CVarloDoc) : nullptr;
    for (int i = 0; doc && i < doc->m_opmlFile.GetCount(); ++i) {
        const Text& url = doc->m_opmlFile.GetAt(i)->m_strXmlUrl;
        if (!url.empty()) urls.push_back(url);
    }
    return urls;
}

void CUpdateAll::StartSites(std::vector<Text> urls, bool automatic) {
    CFeedMarks& marks = FeedMarks();
    UpdateOptions options;
    options.automatic = automatic;
    m_mark = m_frame.Desktop().Mark();
    m_run = std::make_unique<CUpdateRun>(marks.Store(), marks.Cache(), std::move(urls), options);
    m_shownFinished = static_cast<size_t>(-1);
    m_longestTick = std::chrono::milliseconds(0);
    m_lastTick = m_lastMarks = std::chrono::steady_clock::now();
    ShowStatus(wxString::Format(Wx("更新中 %d/%d"), 0, static_cast<int>(m_run->Total())));
    m_tick.Start(kTickMs);
}

void CUpdateAll::OnTick(wxTimerEvent&) {
    if (!m_run) return;
    const auto now = std::chrono::steady_clock::now();
    m_longestTick = std::max(
        m_longestTick, std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastTick));
    const bool running = m_run->Step(0);
    if (m_run->Finished() != m_shownFinished) {
        m_shownFinished = m_run->Finished();
        ShowStatus(wxString::Format(Wx("更新中 %d/%d"), static_cast<int>(m_shownFinished),
                                    static_cast<int>(m_run->Total())));
        if (now - m_lastMarks >= kMarksEvery && m_frame.SiteList()) {
            m_lastMarks = now;
            m_frame.SiteList()->RefreshMarks();
        }
    }
    if (!running) Finish();
    m_lastTick = std::chrono::steady_clock::now();
}

void CUpdateAll::Cancel() {
    // A single site's download goes first: its wait would hold up everything else.
    CHttpDownload::CancelRunning();
    if (m_frame.SiteList()) m_frame.SiteList()->CancelDownload();
    if (m_run) {
        m_run->Cancel();
        Finish(true);
    }
    m_wholeArticles.Cancel();
}

void CUpdateAll::Finish(bool cancelled) {
    m_tick.Stop();
    if (!m_run) return;
    std::unique_ptr<CUpdateRun> run = std::move(m_run);
    m_failures.clear();
    for (const SiteResult& result : run->Results()) {
        if (result.status == SiteStatus::kFailed || result.status == SiteStatus::kWaiting ||
            result.status == SiteStatus::kGone) {
            m_failures.push_back(result);
        }
    }
    const wxString ended =
        wxString::Format(Wx("新着 %d サイト、失敗 %d サイト"), run->SitesWithNew(),
                         static_cast<int>(m_failures.size()));
    ShowStatus(ended);
    const Text notice = run->Notice();
    run.reset();
    if (!notice.empty()) ShowMessageBox(notice, kMbOk | kMbIconInformation);
    FeedMarks().Prune();
    if (m_frame.SiteList()) m_frame.SiteList()->RefreshMarks();
    // The counts of a large library take the window a while: what follows them (the whole
    // articles wanted, the desktop's notices and counts) reads the store again after the window
    // has had its turn, and the update counts as running until then.
    // A stop ends the update at once.
    m_announcing = Announcing{cancelled, m_mark, ended};
    if (cancelled) {
        Announce();
    } else {
        m_announce.StartOnce(1);
    }
}

void CUpdateAll::Announce() {
    if (!m_announcing) return;
    const Announcing what = *std::exchange(m_announcing, std::nullopt);
    auto announce = [this, what] {
        ShowStatus(what.ended);
        m_frame.Desktop().AnnounceNew(what.mark);
    };
    // What was cancelled fetches no whole articles either.
    if (what.cancelled) {
        announce();
    } else if (m_wholeArticles.Start(what.mark, announce)) {
        ShowStatus(Wx("全文を取得中"));
    }
}

void CUpdateAll::ShowStatus(const wxString& text) {
    if (wxStatusBar* bar = m_frame.GetStatusBar()) bar->SetStatusText(text, 0);
}

void CUpdateAll::ShowFailures() {
    CVarloView* sites = m_frame.SiteList();
    auto* doc = sites ? wxDynamicCast(sites->GetDocument(), CVarloDoc) : nullptr;
    std::vector<std::pair<wxString, wxString>> rows;
    for (const SiteResult& failure : m_failures) {
        Text site = failure.xmlUrl;
        // The title the user knows the site by, when the open file still has it.
        for (int i = 0; doc && i < doc->m_opmlFile.GetCount(); ++i) {
            const COpmlItem* entry = doc->m_opmlFile.GetAt(i);
            if (entry->m_strXmlUrl == failure.xmlUrl && !entry->m_strTitle.empty()) {
                site = entry->m_strTitle;
                break;
            }
        }
        rows.emplace_back(ToWx(site), ToWx(failure.message));
    }
    CUpdateFailuresDlg dialog(&m_frame, rows);
    dialog.ShowModal();
}

void CUpdateAll::SetAutoUpdate(int minutes) {
    m_autoMinutes = minutes;
    m_auto.Stop();
    m_siteIntervals.Stop();
    if (minutes > 0) {
        m_auto.Start(minutes * MinuteMs());
        m_siteIntervals.Start(SiteSettings::kMinInterval * MinuteMs());
    }
}

void CUpdateAll::OnSiteIntervals(wxTimerEvent&) {
    if (m_run || m_frame.Sync().Applying()) return;
    // Only the sites of their own interval that are due; the others keep the update's interval.
    CFeedStore& store = FeedMarks().Store();
    const std::map<Text, SiteSettings> own = LoadAllSiteSettings(store);
    if (own.empty()) return;
    const std::map<Text, FeedRecord> records = store.Feeds();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<Text> due;
    for (const Text& url : SiteUrls()) {
        const auto settings = own.find(url);
        if (settings == own.end() || settings->second.interval <= 0) continue;
        const auto record = records.find(url);
        if (DueForAutomaticUpdate(settings->second,
                                  record != records.end() ? record->second : FeedRecord(), now)) {
            due.push_back(url);
        }
    }
    if (!due.empty()) StartSites(std::move(due), true);
}

void CUpdateAll::OnAutoUpdate(wxTimerEvent&) {
    // An update still running when the next is due simply goes on.
    Start(true);
}

}  // namespace varlo

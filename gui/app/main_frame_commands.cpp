// The main window's commands: what each does, where it goes (the active pane decides for those
// that several panes have) and whether it is enabled now.
#include <wx/toolbar.h>
#include <wx/webview.h>

#include <utility>

#include "fetch/http_download.h"
#include "fetch/ras_connection.h"
#include "gui/app/desktop_services.h"
#include "gui/app/main_frame.h"
#include "gui/app/sync_window.h"
#include "gui/app/update_all.h"
#include "gui/app/varlo_app.h"
#include "gui/controls/dialup_dlg.h"
#include "gui/controls/search_box.h"
#include "gui/platform/settings.h"
#include "gui/platform/shell_open.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/product.h"
#include "shell/command_ids.h"
#include "shell/help_page.h"

namespace varlo {

void CMainFrame::RefreshCommandStates() {
    // The toolkit brings the buttons in line only when it next runs idle, which a page the engine
    // loads or a focus it moves does not bring about.
    if (wxToolBar* bar = GetToolBar()) bar->UpdateWindowUI();
}

PaneState CMainFrame::CurrentState() const {
    PaneState state;
    state.active = m_active;
    if (m_siteList) m_siteList->FillPaneState(state);
    state.toolBarShown = GetToolBar() && GetToolBar()->IsShown();
    state.statusBarShown = GetStatusBar() && GetStatusBar()->IsShown();
    if (auto* app = wxDynamicCast(wxTheApp, CVarloApp)) {
        state.hasRecentFiles = !app->RecentFiles().Paths().empty();
    }
    state.downloading = CHttpDownload::IsRunning() || (m_siteList && m_siteList->IsDownloading());
    if (m_updates) {
        state.updating = m_updates->IsRunning();
        state.hasUpdateFailures = !m_updates->Failures().empty();
        state.autoUpdateMinutes = m_updates->AutoUpdateMinutes();
    }
    state.colorScheme = m_colorScheme;
    state.notify = m_desktop && m_desktop->NotifyOn();
    state.closeToTray = m_desktop && m_desktop->CloseToTray();
    state.autostart = m_desktop && m_desktop->Autostart();
    return state;
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
    const int id = event.GetId();
    const PaneState state = CurrentState();
    bool enabled = IsCommandEnabled(id, state);
    // Nothing that changes the list, the document or the feed starts while a download runs.
    if (ListBusy() &&
        (RouteCommand(id, m_active) == CommandTarget::SiteList || id == cmd::kFileNew ||
         id == cmd::kFileOpen || (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast))) {
        enabled = false;
    }
    if (id >= cmd::kFileMruFirst + 1 && id <= cmd::kFileMruLast) enabled = !ListBusy();
    if ((id == cmd::kEditCopy || id == cmd::kEditCut || id == cmd::kEditPaste ||
         id == cmd::kEditUndo)) {
        enabled = m_active == ActivePane::Browser;
    }
    event.Enable(enabled);
    const int check = CommandCheck(id, state);
    if (check >= 0) event.Check(check == 1);
}

void CMainFrame::RunCommand(int id) {
    const PaneState state = CurrentState();
    bool enabled = IsCommandEnabled(id, state) ||
                   (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast && state.hasRecentFiles);
    if (id == cmd::kEditCopy || id == cmd::kEditCut || id == cmd::kEditPaste ||
        id == cmd::kEditUndo) {
        enabled = m_active == ActivePane::Browser;
    }
    if (id == cmd::kSyncAccount) {
        if (!ListBusy()) m_sync->EditAccount();
        return;
    }
    if (id == cmd::kNetworkSettings) {
        EditNetworkSettings();
        return;
    }
    if (id == cmd::kRules) {
        ShowRules();
        return;
    }
    if (!enabled) return;
    // Stop (and Esc) ends what Varlo itself is fetching before it stops the browser pane.
    if (id == cmd::kStop && m_updates && (m_updates->IsRunning() || state.downloading)) {
        m_updates->Cancel();
        return;
    }
    wxWebView* web = m_browser ? m_browser->GetWebView() : nullptr;
    switch (id) {
        case cmd::kEditCopy:
            if (web) web->Copy();
            return;
        case cmd::kEditCut:
            if (web) web->Cut();
            return;
        case cmd::kEditPaste:
            if (web) web->Paste();
            return;
        case cmd::kEditUndo:
            if (web) web->Undo();
            return;
        default:
            break;
    }
    switch (RouteCommand(id, m_active)) {
        case CommandTarget::Disabled:
            return;
        case CommandTarget::SiteList:
            return RunSiteListCommand(id);
        case CommandTarget::Articles:
            return RunSiteListCommand(id);
        case CommandTarget::Browser:
            return RunBrowserCommand(id);
        case CommandTarget::Frame:
            return RunFrameCommand(id);
        case CommandTarget::Application:
            if (auto* app = wxDynamicCast(wxTheApp, CVarloApp)) app->OnAppCommand(id);
            return;
    }
}

void CMainFrame::RunSiteListCommand(int id) {
    // The site list's commands and those of the articles it chose.
    static constexpr std::pair<int, void (CVarloView::*)()> kCommands[] = {
        {cmd::kSiteEdit, &CVarloView::OnSiteEdit},
        {cmd::kSiteDelete, &CVarloView::OnSiteDelete},
        {cmd::kSiteAdd, &CVarloView::OnSiteAdd},
        {cmd::kAddCurrentPage, &CVarloView::OnAddCurrentPage},
        {cmd::kMoveUp, &CVarloView::OnMoveUp},
        {cmd::kMoveDown, &CVarloView::OnMoveDown},
        {cmd::kSortCategory, &CVarloView::OnSortCategory},
        {cmd::kSortTitle, &CVarloView::OnSortTitle},
        {cmd::kSortAscending, &CVarloView::OnSortAscending},
        {cmd::kViewDescription, &CVarloView::OnViewDescription},
        {cmd::kViewLinkNew, &CVarloView::OnViewLinkNew},
        {cmd::kViewSiteOutline, &CVarloView::OnViewSiteOutline},
        {cmd::kViewSiteTitle, &CVarloView::OnViewSiteTitle},
        {cmd::kOpenInBrowser, &CVarloView::OnOpenInBrowser},
        {cmd::kMarkSeen, &CVarloView::OnMarkSeen},
        {cmd::kToggleRead, &CVarloView::OnToggleRead},
        {cmd::kToggleStar, &CVarloView::OnToggleStar},
        {cmd::kMarkAllRead, &CVarloView::OnMarkAllRead},
        {cmd::kShowFullText, &CVarloView::OnShowFullText},
    };
    for (const auto& [command, run] : kCommands) {
        if (command == id) return (m_siteList->*run)();
    }
}

void CMainFrame::RunBrowserCommand(int id) {
    switch (id) {
        case cmd::kGoBack:
            return m_browser->GoBack();
        case cmd::kGoForward:
            return m_browser->GoForward();
        case cmd::kGoHome:
            return m_browser->GoHome();
        case cmd::kStop:
            return m_browser->Stop();
        case cmd::kRefresh:
            return m_browser->Refresh();
        case cmd::kPageInfo:
            return m_browser->ShowPageInfo();
        default:
            return;
    }
}

void CMainFrame::RunFrameCommand(int id) {
    switch (id) {
        case cmd::kDialupConnect: {
            CRasConnection connection;
            CDialupDlg dialog(this, connection, Settings());
            if (dialog.DoModal() == 1) connection.Dial(dialog.m_strEntry);
            return;
        }
        case cmd::kDialupDisconnect: {
            CRasConnection connection;
            connection.HangUp();
            return;
        }
        case cmd::kHomePage:
            OpenWithDefaultHandler(kHomePageAddress);
            return;
        case cmd::kHelpKeyword:
            ShowHelp(kHelpKeywordsSection);
            return;
        case cmd::kViewToolBar:
            ToggleBar(GetToolBar());
            return;
        case cmd::kViewStatusBar:
            ToggleBar(GetStatusBar());
            return;
        case cmd::kNextPane:
            CyclePane(1);
            return;
        case cmd::kPrevPane:
            CyclePane(-1);
            return;
        case cmd::kUpdateAll:
            m_updates->Start();
            return;
        case cmd::kShowUpdateFailures:
            m_updates->ShowFailures();
            return;
        case cmd::kSearchFocus:
            if (m_search) {
                m_search->SetFocus();
                m_search->SelectAll();
            }
            return;
        default:
            if (const int minutes = cmd::AutoUpdateMinutes(id); minutes >= 0) {
                m_updates->SetAutoUpdate(minutes);
                Settings().WriteInt("View", "AutoUpdate", minutes);
            }
            if (id == cmd::kViewNotify) m_desktop->SetNotify(!m_desktop->NotifyOn());
            if (id == cmd::kViewCloseToTray) {
                m_desktop->SetCloseToTray(!m_desktop->CloseToTray());
            }
            if (id == cmd::kViewAutostart) m_desktop->SetAutostart(!m_desktop->Autostart());
            if (const int scheme = cmd::ColorSchemeOf(id); scheme >= 0) {
                m_colorScheme = scheme;
                Settings().WriteInt("View", "ColorScheme", scheme);
                ApplyColorScheme();
            }
            return;
    }
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
    if (ListBusy()) {
        const CommandTarget target = RouteCommand(event.GetId(), m_active);
        const int id = event.GetId();
        if (target == CommandTarget::SiteList || id == cmd::kFileNew || id == cmd::kFileOpen ||
            (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast)) {
            return;
        }
    }
    RunCommand(event.GetId());
}

}  // namespace varlo

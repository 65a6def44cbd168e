#pragma once
// The main window: menus, tool bar, status bar and three panes stacked from top to bottom (site
// list, article list, browser). It routes each command to the pane that carries it out.

#include <memory>
#include <string>

#include "gui/app/cont_frame_wnd.h"
#include "preview/preview_page.h"
#include "shell/command_rules.h"

class wxSplitterWindow;
class wxMenu;

namespace varlo {

class CArticleView;
class CSyncWindow;
class CUpdateAll;
class CBrowserView;
class CVarloDoc;
class CVarloView;
class CSearchBox;
class CDesktopScheme;
class CDesktopServices;

class CMainFrame : public CContFrameWnd {
  public:
    CMainFrame(wxDocManager* manager, CVarloDoc* document);
    ~CMainFrame() override;

    CVarloView* SiteList() const { return m_siteList; }
    CArticleView* ArticleList() const { return m_articles; }
    CBrowserView* Browser() const { return m_browser; }
    // The update of every site.
    CUpdateAll& Updates() const { return *m_updates; }
    // Sync with the account's server.
    CSyncWindow& Sync() const { return *m_sync; }
    // Notifications and the launcher's count.
    CDesktopServices& Desktop() const { return *m_desktop; }
    // A sync a few seconds from now, when the open file has an account (after a mark).
    void ScheduleSync();
    // The end of a sync: a close asked for meanwhile goes on.
    void AfterSync() { AfterDownload(); }
    // A download or a sync holds the document: nothing may change the list meanwhile.
    bool ListBusy() const;
    // The first showing also restores the heights of the two list panes.
    bool Show(bool show = true) override;
    // Writes the heights of the two list panes to the settings ("SiteListHeight",
    // "ArticleListHeight" beside the placement).
    void SavePaneHeights();
    wxSplitterWindow* OuterSplitter() const { return m_outer; }
    wxSplitterWindow* InnerSplitter() const { return m_inner; }
    wxMenu* FileMenu() const { return m_fileMenu; }
    CSearchBox* SearchBox() const { return m_search; }

    ActivePane GetActivePane() const { return m_active; }
    // The one place the active pane changes, whatever moved the focus there (a click, F6, the
    // program): the commands, the menus and the tool bar follow it.
    void SetActivePane(ActivePane pane);
    // Brings the tool bar's buttons in line with the commands' rules now (menus are brought in
    // line as they open).
    void RefreshCommandStates();
    // The state the enable rules look at, as it is now.
    PaneState CurrentState() const;
    // Runs a command as the menu would (ignored when its rule disables it).
    void RunCommand(int id);
    // The caption: the document's title, " - Varlo".
    void UpdateTitle();
    // Rebuilds the recent-file entries of the File menu.
    void UpdateRecentFiles();
    // Ends the program as ﾌｧｲﾙ → ｱﾌﾟﾘｹｰｼｮﾝの終了 does: never into the tray, asking about unsaved
    // changes.
    void Quit();
    // Shows the user guide in the browser pane, at `section` (an anchor) unless it is empty.
    void ShowHelp(const std::string& section = {});
    // Records the open file's categories for the rules and shows the rules dialog.
    void ShowRules();

    // Whether the reading keys (N, M, S, F, Space) act now: the focus is in a list or on the
    // preview page as it is shown.
    bool IsReadingFocus() const;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildPanes(CVarloDoc* document);
    void OnCommand(wxCommandEvent& event);
    // RunCommand's parts, by where the command goes.
    void RunSiteListCommand(int id);
    void RunBrowserCommand(int id);
    void RunFrameCommand(int id);
    // The proxy of every transfer, in its dialog; kept in the settings and applied at once.
    void EditNetworkSettings();
    void OnUpdateCommand(wxUpdateUIEvent& event);
    void OnChildFocus(wxChildFocusEvent& event);
    // The pane that holds `window`, None for a window of no pane (the search box).
    ActivePane PaneOf(wxWindow* window) const;
    void OnClose(wxCloseEvent& event);
    void OnIdleIndicators(wxIdleEvent& event);
    void OnCharHook(wxKeyEvent& event);
    // Space, Shift+Space, N, M, S and F while a list or the preview page has the focus; false
    // (the key goes on) otherwise.
    bool HandleReadingKey(const wxKeyEvent& event);
    void ActivateByMouse(ActivePane pane, wxMouseEvent& event);
    void CyclePane(int step);
    void ToggleBar(wxWindow* bar);
    void AfterDownload();
    // How pages are coloured now: the choice of the View menu, with the desktop's preference in
    // place of Auto when the desktop portal told it.
    PageScheme PageSchemeNow() const;
    // Writes the page shown and the guide anew in the scheme of now.
    void ApplyColorScheme();

    CVarloView* m_siteList = nullptr;
    CArticleView* m_articles = nullptr;
    CBrowserView* m_browser = nullptr;
    wxSplitterWindow* m_outer = nullptr;
    wxSplitterWindow* m_inner = nullptr;
    wxMenu* m_fileMenu = nullptr;
    CSearchBox* m_search = nullptr;
    ActivePane m_active = ActivePane::SiteList;
    bool m_closeWanted = false;
    std::unique_ptr<CUpdateAll> m_updates;
    std::unique_ptr<CSyncWindow> m_sync;
    int m_colorScheme = 0;  // "ColorScheme": 0 as the desktop prefers, 1 light, 2 dark
    std::unique_ptr<CDesktopScheme> m_desktopScheme;
    std::unique_ptr<CDesktopServices> m_desktop;
    bool m_quitting = false;
};

}  // namespace varlo

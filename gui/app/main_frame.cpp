#include "gui/app/main_frame.h"

#include <wx/accel.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/webview.h>

#include <algorithm>
#include <optional>
#include <string>

#include "gui/app/desktop_services.h"
#include "gui/app/sync_window.h"
#include "gui/app/update_all.h"
#include "gui/app/varlo_app.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/network_dlg.h"
#include "gui/controls/rules_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/desktop_scheme.h"
#include "gui/platform/network_settings.h"
#include "gui/platform/program_icon.h"
#include "gui/platform/settings.h"
#include "gui/platform/web_focus.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "platform/secret_memory.h"
#include "platform/secret_store.h"
#include "shell/command_ids.h"
#include "shell/help_page.h"

namespace varlo {

namespace {

// Settings of the two list panes' heights, beside the window placement.
const char* const kSiteListHeight = "SiteListHeight";
const char* const kArticleListHeight = "ArticleListHeight";

}  // namespace

CMainFrame::CMainFrame(wxDocManager* manager, CVarloDoc* document)
    : CContFrameWnd(manager, "Varlo") {
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildPanes(document);
    SetIcons(ProgramIcons());
    m_updates = std::make_unique<CUpdateAll>(*this);
    m_sync = std::make_unique<CSyncWindow>(*this);
    ApplyNetworkSetting(Settings());
    m_updates->SetAutoUpdate(std::max(0, Settings().GetInt("View", "AutoUpdate", 0)));
    m_active = Settings().GetInt("View", "List", 1) == 1 ? ActivePane::SiteList : ActivePane::None;
    m_colorScheme = std::clamp(Settings().GetInt("View", "ColorScheme", 0), 0, 2);
    m_desktopScheme = std::make_unique<CDesktopScheme>([this] { ApplyColorScheme(); });
    m_desktop = std::make_unique<CDesktopServices>(*this);
    ApplyColorScheme();

    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kSiteEdit, cmd::kHomePage);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kFileNew, cmd::kViewStatusBar);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, cmd::kSiteEdit, cmd::kHomePage);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, cmd::kFileNew, cmd::kViewStatusBar);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kUpdateAll, cmd::kAutoUpdate120);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, cmd::kUpdateAll, cmd::kAutoUpdate120);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kSearchFocus, cmd::kSchemeDark);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, cmd::kSearchFocus, cmd::kSchemeDark);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kSyncAccount);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kRules);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kViewNotify, cmd::kViewAutostart);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, cmd::kViewNotify,
         cmd::kViewAutostart);
    Bind(wxEVT_CHILD_FOCUS, &CMainFrame::OnChildFocus, this);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdleIndicators, this);
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this, cmd::kNetworkSettings);

    wxAcceleratorEntry keys[] = {
        {wxACCEL_CTRL, 'N', cmd::kFileNew},           {wxACCEL_CTRL, 'O', cmd::kFileOpen},
        {wxACCEL_CTRL, 'S', cmd::kFileSave},          {wxACCEL_CTRL, 'Z', cmd::kEditUndo},
        {wxACCEL_ALT, WXK_BACK, cmd::kEditUndo},      {wxACCEL_CTRL, 'X', cmd::kEditCut},
        {wxACCEL_SHIFT, WXK_DELETE, cmd::kEditCut},   {wxACCEL_CTRL, 'C', cmd::kEditCopy},
        {wxACCEL_CTRL, WXK_INSERT, cmd::kEditCopy},   {wxACCEL_CTRL, 'V', cmd::kEditPaste},
        {wxACCEL_SHIFT, WXK_INSERT, cmd::kEditPaste}, {wxACCEL_NORMAL, WXK_F6, cmd::kNextPane},
        {wxACCEL_SHIFT, WXK_F6, cmd::kPrevPane},      {wxACCEL_NORMAL, WXK_F5, cmd::kUpdateAll},
        {wxACCEL_NORMAL, WXK_ESCAPE, cmd::kStop},     {wxACCEL_CTRL, 'F', cmd::kSearchFocus},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));
    UpdateTitle();
}

CMainFrame::~CMainFrame() {
    // A running update ends with the window; what finished is already in the store.
    m_sync.reset();
    m_updates.reset();
    m_desktop.reset();
    // The views outlive their windows until the document goes: they must not reach this frame.
    for (wxView* view : {static_cast<wxView*>(m_siteList), static_cast<wxView*>(m_articles),
                         static_cast<wxView*>(m_browser)}) {
        if (view) view->SetFrame(nullptr);
    }
    if (auto* app = wxDynamicCast(wxTheApp, CVarloApp)) app->OnFrameDestroyed(this);
}

void CMainFrame::EditNetworkSettings() {
    CNetworkDlg dialog(this);
    dialog.m_setting = LoadNetworkSetting(Settings());
    std::optional<std::string> kept = LookupPassword(kProxyPasswordAccount);
    dialog.m_hasPassword = kept.has_value();
    if (kept) WipeString(*kept);
    if (dialog.DoModal() != kIdOk) return;
    SaveNetworkSetting(Settings(), dialog.m_setting);
    if (dialog.m_passwordChanged) {
        if (dialog.m_setting.password.empty()) {
            ForgetPassword(kProxyPasswordAccount);
        } else {
            StorePassword(kProxyPasswordAccount, dialog.m_setting.password);
        }
    }
    WipeString(dialog.m_setting.password);
    ApplyNetworkSetting(Settings());
}

void CMainFrame::BuildPanes(CVarloDoc* document) {
    m_outer = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   wxSP_3D | wxSP_LIVE_UPDATE);
    m_inner = new wxSplitterWindow(m_outer, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   wxSP_3D | wxSP_LIVE_UPDATE);
    m_outer->SetSashGravity(0.0);
    m_inner->SetSashGravity(0.0);
    m_outer->SetMinimumPaneSize(1);
    m_inner->SetMinimumPaneSize(1);

    m_siteList = new CVarloView;
    m_articles = new CArticleView;
    m_browser = new CBrowserView;
    m_siteList->CreatePane(m_outer);
    m_articles->CreatePane(m_inner);
    m_browser->CreatePane(m_inner);
    m_siteList->SetPanes(m_articles, m_browser);
    m_siteList->SetAfterDownload([this] { AfterDownload(); });
    m_siteList->SetAfterMark([this] { ScheduleSync(); });
    for (wxView* view : {static_cast<wxView*>(m_siteList), static_cast<wxView*>(m_articles),
                         static_cast<wxView*>(m_browser)}) {
        view->SetDocument(document);
        view->SetFrame(this);
    }
    // The lists get their heights when the window is first shown; the browser takes the rest.
    m_inner->SplitHorizontally(m_articles->GetList(), m_browser->GetPaneWindow(), 60);
    m_outer->SplitHorizontally(m_siteList->GetList(), m_inner, 60);

    // A click anywhere in a list (its rows live in a child window) makes that list active.
    auto activateOnClick = [this](wxWindow* list, ActivePane pane) {
        std::vector<wxWindow*> targets{list};
        for (wxWindow* child : list->GetChildren()) targets.push_back(child);
        for (wxWindow* target : targets) {
            target->Bind(wxEVT_LEFT_DOWN,
                         [this, pane](wxMouseEvent& e) { ActivateByMouse(pane, e); });
            target->Bind(wxEVT_RIGHT_DOWN,
                         [this, pane](wxMouseEvent& e) { ActivateByMouse(pane, e); });
        }
    };
    activateOnClick(m_siteList->GetList(), ActivePane::SiteList);
    activateOnClick(m_articles->GetList(), ActivePane::ArticleList);

    // Following a link changes what back, forward and stop may do: the tool bar follows each
    // page the engine starts, shows or fails to load, after the pane has taken note of it.
    if (wxWebView* web = m_browser->GetWebView()) {
        auto follow = [this](wxWebViewEvent& event) {
            CallAfter([this] { RefreshCommandStates(); });
            event.Skip();
        };
        web->Bind(wxEVT_WEBVIEW_NAVIGATED, follow);
        web->Bind(wxEVT_WEBVIEW_LOADED, follow);
        web->Bind(wxEVT_WEBVIEW_ERROR, follow);
    }
}

void CMainFrame::ActivateByMouse(ActivePane pane, wxMouseEvent& event) {
    // A click in a list that has the focus already moves no focus, yet makes it active too.
    SetActivePane(pane);
    event.Skip();
}

ActivePane CMainFrame::PaneOf(wxWindow* window) const {
    wxWindow* sites = m_siteList ? m_siteList->GetList() : nullptr;
    wxWindow* articles = m_articles ? m_articles->GetList() : nullptr;
    wxWindow* browser = m_browser ? m_browser->GetPaneWindow() : nullptr;
    for (wxWindow* w = window; w && w != this; w = w->GetParent()) {
        if (w == sites) return ActivePane::SiteList;
        if (w == articles) return ActivePane::ArticleList;
        if (w == browser) return ActivePane::Browser;
    }
    return ActivePane::None;
}

void CMainFrame::OnChildFocus(wxChildFocusEvent& event) {
    // Whatever has the keyboard focus decides the active pane. A window of no pane (the search
    // box) leaves the last one active: its commands still act on it.
    if (const ActivePane pane = PaneOf(event.GetWindow()); pane != ActivePane::None) {
        SetActivePane(pane);
    }
    event.Skip();
}

void CMainFrame::SetActivePane(ActivePane pane) {
    if (pane == m_active) return;
    m_active = pane;
    RefreshCommandStates();
}

void CMainFrame::OnCharHook(wxKeyEvent& event) {
    // Esc reaches the stop command before any pane sees it, so a list that has the focus cannot
    // keep it from ending a download or an update; otherwise the key goes where it would.
    if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers()) {
        const PaneState state = CurrentState();
        if (state.updating || state.downloading) {
            RunCommand(cmd::kStop);
            return;
        }
    }
    if (HandleReadingKey(event)) return;
    event.Skip();
}

bool CMainFrame::IsReadingFocus() const {
    // The reading keys belong to the lists and the preview page; in a text field (the search
    // box, a form of a web page) they are typed. The engine's widget may hold the focus while
    // the toolkit knows of no window that has it (as a page is replaced by the next).
    wxWindow* focus = wxWindow::FindFocus();
    if (!focus && m_browser && WebHasFocus(m_browser->GetWebView()))
        focus = m_browser->GetWebView();
    for (wxWindow* w = focus; w && w != this; w = w->GetParent()) {
        if (w == m_siteList->GetList() || w == m_articles->GetList()) return true;
        if (m_browser && w == m_browser->GetPaneWindow()) {
            const std::string url(m_browser->GetLocationURL());
            const std::string preview = GetPreviewPath();
            return !preview.empty() && url.find(preview) != std::string::npos;
        }
    }
    return false;
}

bool CMainFrame::HandleReadingKey(const wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    const bool space = key == WXK_SPACE && (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT);
    const bool letter =
        modifiers == wxMOD_NONE && (key == 'N' || key == 'M' || key == 'S' || key == 'F');
    if ((!space && !letter) || !m_siteList || !IsReadingFocus()) return false;
    switch (key) {
        case WXK_SPACE:
            // From the lists and from the preview alike: the preview scrolls, and at its end the
            // reader moves on.
            m_siteList->ReadOn(modifiers == wxMOD_SHIFT);
            return true;
        case 'N':
            m_siteList->GoToNextUnread();
            return true;
        case 'M':
            RunCommand(cmd::kToggleRead);
            return true;
        case 'F':
            RunCommand(cmd::kShowFullText);
            return true;
        default:
            RunCommand(cmd::kToggleStar);
            return true;
    }
}

void CMainFrame::ShowHelp(const std::string& section) {
    const std::string guide = HelpPagePath();
    if (guide.empty()) {
        ShowMessageBox(Jp("ヘルプ (ユーザーガイド) が見つかりません。"), kMbOk | kMbIconWarning);
        return;
    }
    if (m_browser) m_browser->ShowGuide(HelpPageIn(guide, PageSchemeNow()), section);
}

PageScheme CMainFrame::PageSchemeNow() const {
    const PageScheme chosen = PageSchemeFromNumber(m_colorScheme);
    // The engine follows GTK's own dark preference by itself; the portal's only through us.
    if (chosen == PageScheme::Auto && m_desktopScheme && m_desktopScheme->PrefersDark()) {
        return PageScheme::Dark;
    }
    return chosen;
}

void CMainFrame::ApplyColorScheme() {
    const PageScheme scheme = PageSchemeNow();
    if (m_siteList) m_siteList->SetPageScheme(scheme);
    // The guide shown is shown again in the scheme, where it was.
    if (m_browser && m_browser->ShowsGuide()) {
        const wxString at = ToWx(m_browser->GetLocationURL()).AfterFirst('#');
        ShowHelp(std::string(at.utf8_str()));
    }
}

void CMainFrame::ToggleBar(wxWindow* bar) {
    if (!bar) return;
    bar->Show(!bar->IsShown());
    SendSizeEvent();
}

void CMainFrame::CyclePane(int step) {
    const ActivePane order[] = {ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser};
    int index = 0;
    for (int i = 0; i < 3; ++i) {
        if (order[i] == m_active) index = i;
    }
    index = (index + step + 3) % 3;
    const ActivePane next = order[index];
    wxWindow* target = next == ActivePane::SiteList      ? m_siteList->GetList()
                       : next == ActivePane::ArticleList ? m_articles->GetList()
                                                         : m_browser->GetPaneWindow();
    if (target) target->SetFocus();
    // The focus arrives later, or not at all while the window is not the active one.
    SetActivePane(next);
}

void CMainFrame::OnIdleIndicators(wxIdleEvent& event) {
    if (wxStatusBar* bar = GetStatusBar(); bar && bar->IsShown()) {
        auto show = [bar](int field, wxKeyCode key, const char* text) {
            const wxString wanted = wxGetKeyState(key) ? wxString(text) : wxString();
            if (bar->GetStatusText(field) != wanted) bar->SetStatusText(wanted, field);
        };
        show(2, WXK_CAPITAL, "CAP");
        show(3, WXK_NUMLOCK, "NUM");
        show(4, WXK_SCROLL, "SCRL");
    }
    event.Skip();
}

bool CMainFrame::ListBusy() const {
    return (m_siteList && m_siteList->IsBusy()) || (m_sync && m_sync->IsRunning());
}

void CMainFrame::ScheduleSync() {
    if (m_sync) m_sync->Schedule();
}

void CMainFrame::AfterDownload() {
    if (m_closeWanted) {
        m_closeWanted = false;
        CallAfter([this] { Close(); });
    }
}

bool CMainFrame::Show(bool show) {
    const bool first = show && m_bFirstActivation;
    const bool result = CContFrameWnd::Show(show);
    if (first && m_outer && m_inner) {
        ISettings& settings = Settings();
        auto stored = [&](const char* name) -> std::optional<int> {
            const int value = settings.GetInt(m_strSection, name, -1);
            return value > 0 ? std::optional<int>(value) : std::nullopt;
        };
        // A list never sized by the user shows eight rows.
        auto place = [this, stored] {
            const PaneHeights eightRows{m_siteList->GetList()->PaneHeightForRows(8),
                                        m_articles->GetList()->PaneHeightForRows(8)};
            // The client area is known once the saved placement has sized the window.
            const PaneHeights heights =
                ClampPaneHeights(stored(kSiteListHeight), stored(kArticleListHeight),
                                 m_outer->GetClientSize().y, eightRows);
            m_outer->SetSashPosition(heights.siteList);
            m_inner->SetSashPosition(heights.articleList);
        };
        place();
        // The lists' fonts, and so their rows' height, are final only once the window has been
        // realised on the screen: the first-start heights are measured again then.
        if (!stored(kSiteListHeight) || !stored(kArticleListHeight)) CallAfter(place);
    }
    return result;
}

void CMainFrame::SavePaneHeights() {
    if (!m_outer || !m_inner) return;
    ISettings& settings = Settings();
    settings.WriteInt(m_strSection, kSiteListHeight, m_outer->GetSashPosition());
    settings.WriteInt(m_strSection, kArticleListHeight, m_inner->GetSashPosition());
}

void CMainFrame::Quit() {
    m_quitting = true;
    Close();
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    // With a tray, closing the window may only hide it: updates and notifications go on.
    if (event.CanVeto() && !m_quitting && m_desktop && m_desktop->KeepsRunningOnClose()) {
        Hide();
        event.Veto();
        return;
    }
    if (ListBusy()) {
        // The download or the sync still uses the document: the window closes when it has ended.
        m_closeWanted = true;
        if (event.CanVeto()) {
            event.Veto();
            return;
        }
    }
    auto* app = wxDynamicCast(wxTheApp, CVarloApp);
    if (app && event.CanVeto() && !app->SaveModified()) {
        m_quitting = false;
        event.Veto();
        return;
    }
    SaveWindowPlacement();
    SavePaneHeights();
    Destroy();
}

void CMainFrame::UpdateTitle() {
    wxDocument* doc = m_siteList ? m_siteList->GetDocument() : nullptr;
    wxString title = doc ? doc->GetUserReadableName() : wxString();
    if (title.empty()) title = Wx("無題");
    SetTitle(title + " - Varlo");
}

void CMainFrame::ShowRules() {
    std::vector<std::pair<Text, Text>> sites;
    std::vector<Text> categories;
    if (auto* doc = m_siteList ? wxDynamicCast(m_siteList->GetDocument(), CVarloDoc) : nullptr) {
        const COpmlFile& file = doc->m_opmlFile;
        for (int i = 0; i < file.GetCount(); ++i) {
            const COpmlItem* item = file.GetAt(i);
            if (!item->m_strXmlUrl.empty()) sites.emplace_back(item->m_strXmlUrl, item->m_strTitle);
            if (!item->m_strCategory.empty() &&
                std::find(categories.begin(), categories.end(), item->m_strCategory) ==
                    categories.end()) {
                categories.push_back(item->m_strCategory);
            }
        }
        FeedMarks().RecordSiteCategories(file);
    }
    CRulesDlg dialog(this, FeedMarks().Store(), FeedMarks().Writer(), std::move(sites),
                     std::move(categories), [this] {
                         if (m_siteList) m_siteList->RefreshMarks();
                     });
    dialog.ShowModal();
}

void CMainFrame::UpdateRecentFiles() {
    if (auto* app = wxDynamicCast(wxTheApp, CVarloApp)) {
        app->RecentFiles().UpdateMenu(*m_fileMenu, cmd::kFileMruFirst);
    }
}

}  // namespace varlo

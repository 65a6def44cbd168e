#include "gui/app/main_frame.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <algorithm>
#include <optional>
#include <string>

#include "fetch/http_download.h"
#include "fetch/ras_connection.h"
#include "gui/app/desktop_services.h"
#include "gui/app/sync_window.h"
#include "gui/app/update_all.h"
#include "gui/app/varlo_app.h"
#include "gui/controls/dialup_dlg.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/network_dlg.h"
#include "gui/controls/rules_dlg.h"
#include "gui/controls/search_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/desktop_scheme.h"
#include "gui/platform/network_settings.h"
#include "gui/platform/program_icon.h"
#include "gui/platform/settings.h"
#include "gui/platform/shell_open.h"
#include "gui/platform/tool_icons.h"
#include "gui/platform/web_focus.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/product.h"
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

// Status-bar prompts: the text before "\n" of each command's string.
wxString Prompt(int id) {
    switch (id) {
        case cmd::kFileNew:
            return Wx("新規にﾌｧｲﾙを作成");
        case cmd::kFileOpen:
            return Wx("既存のﾌｧｲﾙを開く");
        case cmd::kFileSave:
            return Wx("作業中のﾌｧｲﾙを上書きして保存");
        case cmd::kFileSaveAs:
            return Wx("作業中のﾌｧｲﾙを新しい名前で保存");
        case cmd::kFileMruFirst:
            return Wx("指定のﾌｧｲﾙを開く");
        case cmd::kAppExit:
            return Wx("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示");
        case cmd::kAppAbout:
            return Wx("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示");
        case cmd::kHelpFinder:
            return Wx("ヘルプ目次");
        case cmd::kViewToolBar:
            return Wx("ﾂｰﾙ ﾊﾞｰの表示/非表示");
        case cmd::kViewStatusBar:
            return Wx("ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示");
        case cmd::kSiteEdit:
            return Wx("サイトの修正");
        case cmd::kSiteDelete:
            return Wx("サイトデータの削除");
        case cmd::kGoBack:
            return Wx("戻る");
        case cmd::kGoForward:
            return Wx("進む");
        case cmd::kMoveUp:
            return Wx("一つ上へ");
        case cmd::kStop:
            return Wx("中止");
        case cmd::kMoveDown:
            return Wx("一つ下へ");
        case cmd::kOpenInBrowser:
            return Wx("標準ブラウザで開く");
        case cmd::kHelpKeyword:
            return Wx("ヘルプを指定された文字列で検索します");
        case cmd::kHomePage:
            return Wx("このソフトのﾎｰﾑﾍﾟｰｼﾞにアクセスします");
        case cmd::kUpdateAll:
            return Wx("すべてのサイトのフィードを更新します");
        case cmd::kShowUpdateFailures:
            return Wx("前回の更新で失敗したサイトを一覧します");
        case cmd::kMarkSeen:
            return Wx("サイトの記事をすべて既読にします");
        case cmd::kToggleRead:
            return Wx("選んだ記事の既読と未読を切り替えます");
        case cmd::kToggleStar:
            return Wx("選んだ記事にスターを付けるか外します");
        case cmd::kShowFullText:
            return Wx("選んだ記事の全文をページから取得して表示します");
        case cmd::kMarkAllRead:
            return Wx("一覧の記事をすべて既読にします");
        case cmd::kSearchFocus:
            return Wx("保存した記事を検索します");
        case cmd::kSyncAccount:
            return Wx("同期サーバーのアカウントを設定します");
        case cmd::kNetworkSettings:
            return Wx("フィードの取得に使うプロキシを設定します");
        case cmd::kRules:
            return Wx("記事を隠す、既読にする、スターを付けるルールを設定します");
        default:
            return {};
    }
}

wxMenuItem* Item(wxMenu* menu, int id, const char* text, wxItemKind kind = wxITEM_NORMAL) {
    return menu->Append(id, Wx(text), Prompt(id), kind);
}

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

void CMainFrame::BuildMenus() {
    auto* bar = new wxMenuBar;
    m_fileMenu = new wxMenu;
    Item(m_fileMenu, cmd::kFileNew, "新規作成(&N)\tCtrl+N");
    Item(m_fileMenu, cmd::kFileOpen, "開く(&O)...\tCtrl+O");
    Item(m_fileMenu, cmd::kFileSave, "上書き保存(&S)\tCtrl+S");
    Item(m_fileMenu, cmd::kFileSaveAs, "名前を付けて保存(&A)...");
    m_fileMenu->AppendSeparator();
    Item(m_fileMenu, cmd::kSyncAccount, "同期アカウント(&Y)...");
    Item(m_fileMenu, cmd::kNetworkSettings, "ネットワーク設定(&W)...");
    m_fileMenu->AppendSeparator();
    Item(m_fileMenu, cmd::kPageInfo, "ページ情報(&I)");
    m_fileMenu->AppendSeparator();
    Item(m_fileMenu, cmd::kFileMruFirst, "最近使ったﾌｧｲﾙ");
    m_fileMenu->AppendSeparator();
    Item(m_fileMenu, cmd::kAppExit, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)");
    bar->Append(m_fileMenu, Wx("ﾌｧｲﾙ(&F)"));

    auto* edit = new wxMenu;
    Item(edit, cmd::kSiteEdit, "サイトデータの修正(&S)...");
    Item(edit, cmd::kSiteDelete, "サイトデータの削除(&D)...");
    edit->AppendSeparator();
    Item(edit, cmd::kSiteAdd, "サイトデータの追加(&A)...");
    Item(edit, cmd::kMoveUp, "一つ上へ(&U)");
    Item(edit, cmd::kMoveDown, "一つ下へ(&W)");
    edit->AppendSeparator();
    Item(edit, cmd::kAddCurrentPage, "現在のページを追加");
    edit->AppendSeparator();
    Item(edit, cmd::kRules, "ルール(&R)...");
    bar->Append(edit, Wx("編集(&E)"));

    auto* view = new wxMenu;
    Item(view, cmd::kUpdateAll, "すべてのサイトを更新(&U)\tF5");
    Item(view, cmd::kShowUpdateFailures, "更新の失敗を表示(&E)...");
    auto* automatic = new wxMenu;
    Item(automatic, cmd::kAutoUpdateOff, "しない", wxITEM_CHECK);
    Item(automatic, cmd::kAutoUpdate15, "15 分ごと", wxITEM_CHECK);
    Item(automatic, cmd::kAutoUpdate30, "30 分ごと", wxITEM_CHECK);
    Item(automatic, cmd::kAutoUpdate60, "60 分ごと", wxITEM_CHECK);
    Item(automatic, cmd::kAutoUpdate120, "120 分ごと", wxITEM_CHECK);
    view->AppendSubMenu(automatic, Wx("自動更新(&T)"));
    Item(view, cmd::kViewNotify, "新着を通知する(&O)", wxITEM_CHECK);
    Item(view, cmd::kViewCloseToTray, "閉じるとトレイに入る(&Y)", wxITEM_CHECK);
    Item(view, cmd::kViewAutostart, "ログイン時に起動する(&L)", wxITEM_CHECK);
    view->AppendSeparator();
    auto* sort = new wxMenu;
    Item(sort, cmd::kSortInitial, "初期状態(&I)", wxITEM_CHECK);
    Item(sort, cmd::kSortCategory, "カテゴリ(&C)", wxITEM_CHECK);
    Item(sort, cmd::kSortTitle, "タイトル(&T)", wxITEM_CHECK);
    sort->AppendSeparator();
    Item(sort, cmd::kSortAscending, "昇順(&A)", wxITEM_CHECK);
    view->AppendSubMenu(sort, Wx("整列(&S)"));
    auto* connect = new wxMenu;
    Item(connect, cmd::kDialupConnect, "ダイヤルアップ接続(&C)...");
    Item(connect, cmd::kDialupDisconnect, "切断(&D)");
    view->AppendSubMenu(connect, Wx("接続(&C)"));
    view->AppendSeparator();
    Item(view, cmd::kGoBack, "前に戻る(&B)");
    Item(view, cmd::kGoForward, "次に進む(&F)");
    view->AppendSeparator();
    Item(view, cmd::kGoHome, "ホーム(&H)");
    Item(view, cmd::kStop, "中止(&S)");
    Item(view, cmd::kRefresh, "再読込(&R)");
    view->AppendSeparator();
    // The letters M, S, F, Space and N act on the article list from the lists and the preview; as
    // accelerators of the menu they would also swallow them in the search box.
    Item(view, cmd::kToggleRead, "既読/未読の切り替え(&M)");
    Item(view, cmd::kToggleStar, "スターの切り替え(&S)");
    Item(view, cmd::kShowFullText, "全文を表示(&L)");
    Item(view, cmd::kMarkAllRead, "すべて既読にする(&A)");
    Item(view, cmd::kSearchFocus, "記事の検索(&F)\tCtrl+F");
    view->AppendSeparator();
    Item(view, cmd::kOpenInBrowser, "標準ブラウザで開く(&W)");
    Item(view, cmd::kViewLinkNew, "リンクを新しいウィンドウで(&N)", wxITEM_CHECK);
    view->AppendSeparator();
    Item(view, cmd::kViewDescription, "概要のみ(&D)", wxITEM_CHECK);
    Item(view, cmd::kViewSiteOutline, "サイト説明の表示(&I)", wxITEM_CHECK);
    Item(view, cmd::kViewSiteTitle, "サイトタイトル表示(&T)", wxITEM_CHECK);
    auto* scheme = new wxMenu;
    Item(scheme, cmd::kSchemeAuto, "自動", wxITEM_CHECK);
    Item(scheme, cmd::kSchemeLight, "ライト", wxITEM_CHECK);
    Item(scheme, cmd::kSchemeDark, "ダーク", wxITEM_CHECK);
    view->AppendSubMenu(scheme, Wx("配色(&C)"));
    view->AppendSeparator();
    Item(view, cmd::kViewToolBar, "ﾂｰﾙ ﾊﾞｰ(&T)", wxITEM_CHECK);
    Item(view, cmd::kViewStatusBar, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", wxITEM_CHECK);
    bar->Append(view, Wx("表示(&V)"));

    auto* help = new wxMenu;
    Item(help, cmd::kHelpFinder, "ヘルプ目次(&C)");
    Item(help, cmd::kHelpKeyword, "キーワードで検索(&S)");
    help->AppendSeparator();
    Item(help, cmd::kHomePage, "Varloのホームページへ(&H)");
    help->AppendSeparator();
    Item(help, cmd::kAppAbout, "Varlo のﾊﾞｰｼﾞｮﾝ情報(&A)...");
    bar->Append(help, Wx("ﾍﾙﾌﾟ(&H)"));
    SetMenuBar(bar);
}

void CMainFrame::BuildToolBar() {
    wxToolBar* bar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL, cmd::kViewToolBar);
    bar->SetToolBitmapSize(wxSize(16, 16));
    // Each button in colour, and in grey while its command is disabled.
    auto add = [bar](int id, const char* label, ToolIcon icon, const wxString& shortHelp,
                     const wxString& longHelp) {
        const wxBitmap picture = ToolIconBitmap(icon);
        bar->AddTool(id, Wx(label), picture, DisabledToolBitmap(picture), wxITEM_NORMAL, shortHelp,
                     longHelp);
    };
    add(cmd::kGoBack, "戻る", ToolIcon::kBack, wxString(), Wx("戻る"));
    add(cmd::kGoForward, "進む", ToolIcon::kForward, wxString(), Wx("進む"));
    add(cmd::kStop, "中止", ToolIcon::kStop, wxString(), Wx("中止"));
    add(cmd::kUpdateAll, "すべてのサイトを更新", ToolIcon::kUpdate, Wx("すべてのサイトを更新 (F5)"),
        Prompt(cmd::kUpdateAll));
    bar->AddSeparator();
    add(cmd::kFileOpen, "開く", ToolIcon::kOpen, Wx("開く"), Prompt(cmd::kFileOpen));
    add(cmd::kFileSave, "保存", ToolIcon::kSave, Wx("保存"), Prompt(cmd::kFileSave));
    bar->AddSeparator();
    add(cmd::kHelpFinder, "ヘルプ", ToolIcon::kHelp, Wx("ヘルプ"), Prompt(cmd::kHelpFinder));
    bar->AddSeparator();
    m_search = new CSearchBox(bar, wxID_ANY, FromDIP(220));
    m_search->SetOnSearch([this](const wxString& words) {
        if (m_siteList) m_siteList->ShowSearch(words);
    });
    bar->AddControl(m_search);
    bar->Realize();
}

void CMainFrame::BuildStatusBar() {
    wxStatusBar* bar = CreateStatusBar(5, wxSTB_DEFAULT_STYLE, cmd::kViewStatusBar);
    const int widths[] = {-1, 40, 40, 40, 40};
    bar->SetStatusWidths(5, widths);
    SetStatusBarPane(0);
    bar->SetStatusText(Wx("ﾚﾃﾞｨ"), 0);
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
            switch (id) {
                case cmd::kSiteEdit:
                    m_siteList->OnSiteEdit();
                    return;
                case cmd::kSiteDelete:
                    m_siteList->OnSiteDelete();
                    return;
                case cmd::kSiteAdd:
                    m_siteList->OnSiteAdd();
                    return;
                case cmd::kAddCurrentPage:
                    m_siteList->OnAddCurrentPage();
                    return;
                case cmd::kMoveUp:
                    m_siteList->OnMoveUp();
                    return;
                case cmd::kMoveDown:
                    m_siteList->OnMoveDown();
                    return;
                case cmd::kSortCategory:
                    m_siteList->OnSortCategory();
                    return;
                case cmd::kSortTitle:
                    m_siteList->OnSortTitle();
                    return;
                case cmd::kSortAscending:
                    m_siteList->OnSortAscending();
                    return;
                case cmd::kViewDescription:
                    m_siteList->OnViewDescription();
                    return;
                case cmd::kViewLinkNew:
                    m_siteList->OnViewLinkNew();
                    return;
                case cmd::kViewSiteOutline:
                    m_siteList->OnViewSiteOutline();
                    return;
                case cmd::kViewSiteTitle:
                    m_siteList->OnViewSiteTitle();
                    return;
                case cmd::kOpenInBrowser:
                    m_siteList->OnOpenInBrowser();
                    return;
                case cmd::kMarkSeen:
                    m_siteList->OnMarkSeen();
                    return;
                default:
                    return;
            }
        case CommandTarget::Articles:
            switch (id) {
                case cmd::kToggleRead:
                    m_siteList->OnToggleRead();
                    return;
                case cmd::kToggleStar:
                    m_siteList->OnToggleStar();
                    return;
                case cmd::kMarkAllRead:
                    m_siteList->OnMarkAllRead();
                    return;
                case cmd::kShowFullText:
                    m_siteList->OnShowFullText();
                    return;
                default:
                    return;
            }
        case CommandTarget::Browser:
            switch (id) {
                case cmd::kGoBack:
                    m_browser->GoBack();
                    return;
                case cmd::kGoForward:
                    m_browser->GoForward();
                    return;
                case cmd::kGoHome:
                    m_browser->GoHome();
                    return;
                case cmd::kStop:
                    m_browser->Stop();
                    return;
                case cmd::kRefresh:
                    m_browser->Refresh();
                    return;
                case cmd::kPageInfo:
                    m_browser->ShowPageInfo();
                    return;
                default:
                    return;
            }
        case CommandTarget::Frame:
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
        case CommandTarget::Application:
            if (auto* app = wxDynamicCast(wxTheApp, CVarloApp)) app->OnAppCommand(id);
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

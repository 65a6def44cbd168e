// The main window's menus, tool bar and status bar, each item with its prompt.
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "gui/app/main_frame.h"
#include "gui/controls/search_box.h"
#include "gui/platform/tool_icons.h"
#include "gui/platform/wx_text.h"
#include "gui/views/varlo_view.h"
#include "shell/command_ids.h"

namespace varlo {

namespace {

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

}  // namespace varlo

#pragma once
// Command identifiers of the menus, the tool bar and the accelerators.

namespace varlo::cmd {

enum : int {
    // Framework commands.
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFileMruFirst = 57616,
    kFileMruLast = 57631,
    kEditCopy = 57634,
    kEditCut = 57635,
    kEditPaste = 57637,
    kEditUndo = 57643,
    kAppAbout = 57664,
    kAppExit = 57665,
    kHelpFinder = 57667,
    kNextPane = 57680,
    kPrevPane = 57681,
    kViewToolBar = 59392,
    kViewStatusBar = 59393,
    kIndicatorCaps = 59137,
    kIndicatorNum = 59138,
    kIndicatorScroll = 59139,
    kIndicatorKana = 59142,
    // The program's own commands.
    kSiteEdit = 32771,
    kSiteDelete = 32772,
    kSiteAdd = 32773,
    kViewDescription = 32774,
    kViewLinkNew = 32775,
    kAddCurrentPage = 32776,
    kGoBack = 32777,
    kViewSiteOutline = 32779,
    kViewSiteTitle = 32780,
    kSortCategory = 32781,
    kGoForward = 32782,
    kSortTitle = 32783,
    kGoHome = 32784,
    kSortAscending = 32785,
    kSortInitial = 32786,
    kMoveUp = 32787,
    kStop = 32788,
    kRefresh = 32789,
    kPageInfo = 32790,
    kMoveDown = 32791,
    kDialupConnect = 32792,
    kDialupDisconnect = 32793,
    kArticleUpdate = 32794,
    kOpenInBrowser = 32796,
    kHelpKeyword = 32820,
    kHomePage = 32823,
};

}  // namespace varlo::cmd

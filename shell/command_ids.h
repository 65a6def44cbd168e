#pragma once
// Command identifiers of the menus, the tool bar and the accelerators.

namespace varlo::cmd {

// The toolkit takes menu identifiers below 32768 only: each command keeps its number of the
// resource tables, lowered by this offset.
inline constexpr int kIdOffset = 30000;

enum : int {
    // Framework commands.
    kFileNew = 57600 - kIdOffset,
    kFileOpen = 57601 - kIdOffset,
    kFileSave = 57603 - kIdOffset,
    kFileSaveAs = 57604 - kIdOffset,
    kFileMruFirst = 57616 - kIdOffset,
    kFileMruLast = 57631 - kIdOffset,
    kEditCopy = 57634 - kIdOffset,
    kEditCut = 57635 - kIdOffset,
    kEditPaste = 57637 - kIdOffset,
    kEditUndo = 57643 - kIdOffset,
    kAppAbout = 57664 - kIdOffset,
    kAppExit = 57665 - kIdOffset,
    kHelpFinder = 57667 - kIdOffset,
    kNextPane = 57680 - kIdOffset,
    kPrevPane = 57681 - kIdOffset,
    kViewToolBar = 59392 - kIdOffset,
    kViewStatusBar = 59393 - kIdOffset,
    kIndicatorCaps = 59137 - kIdOffset,
    kIndicatorNum = 59138 - kIdOffset,
    kIndicatorScroll = 59139 - kIdOffset,
    kIndicatorKana = 59142 - kIdOffset,
    // The program's own commands.
    kSiteEdit = 32771 - kIdOffset,
    kSiteDelete = 32772 - kIdOffset,
    kSiteAdd = 32773 - kIdOffset,
    kViewDescription = 32774 - kIdOffset,
    kViewLinkNew = 32775 - kIdOffset,
    kAddCurrentPage = 32776 - kIdOffset,
    kGoBack = 32777 - kIdOffset,
    kViewSiteOutline = 32779 - kIdOffset,
    kViewSiteTitle = 32780 - kIdOffset,
    kSortCategory = 32781 - kIdOffset,
    kGoForward = 32782 - kIdOffset,
    kSortTitle = 32783 - kIdOffset,
    kGoHome = 32784 - kIdOffset,
    kSortAscending = 32785 - kIdOffset,
    kSortInitial = 32786 - kIdOffset,
    kMoveUp = 32787 - kIdOffset,
    kStop = 32788 - kIdOffset,
    kRefresh = 32789 - kIdOffset,
    kPageInfo = 32790 - kIdOffset,
    kMoveDown = 32791 - kIdOffset,
    kDialupConnect = 32792 - kIdOffset,
    kDialupDisconnect = 32793 - kIdOffset,
    kArticleUpdate = 32794 - kIdOffset,
    kOpenInBrowser = 32796 - kIdOffset,
    kHelpKeyword = 32820 - kIdOffset,
    kHomePage = 32823 - kIdOffset,
    // Updating every site and the marks of what is new.
    kUpdateAll = 32830 - kIdOffset,
    kShowUpdateFailures = 32831 - kIdOffset,
    kMarkSeen = 32832 - kIdOffset,
    kAutoUpdateOff = 32833 - kIdOffset,
    kAutoUpdate15 = 32834 - kIdOffset,
    kAutoUpdate30 = 32835 - kIdOffset,
    kAutoUpdate60 = 32836 - kIdOffset,
    kAutoUpdate120 = 32837 - kIdOffset,
    // The reading library: the search box and the marks of articles.
    kSearchFocus = 32850 - kIdOffset,
    kToggleRead = 32851 - kIdOffset,
    kToggleStar = 32852 - kIdOffset,
    kMarkAllRead = 32853 - kIdOffset,
    // The proxy of every transfer.
    kNetworkSettings = 32866 - kIdOffset,
    // How pages are coloured: as the desktop prefers, light or dark.
    kSchemeAuto = 32854 - kIdOffset,
    kSchemeLight = 32855 - kIdOffset,
    kSchemeDark = 32856 - kIdOffset,
    // The whole article of the chosen one, fetched from its page.
    kShowFullText = 32857 - kIdOffset,
    // The sync account of the open subscription file.
    kSyncAccount = 32838 - kIdOffset,
    // The rules that hide, mark read and star articles.
    kRules = 32858 - kIdOffset,
    // Telling the desktop of new articles.
    kViewNotify = 32870 - kIdOffset,
    kViewCloseToTray = 32871 - kIdOffset,
    kViewAutostart = 32872 - kIdOffset,
};

// The interval in minutes of an automatic-update command (0 for "off"), -1 for other commands.
constexpr int AutoUpdateMinutes(int id) {
    switch (id) {
        case kAutoUpdateOff:
            return 0;
        case kAutoUpdate15:
            return 15;
        case kAutoUpdate30:
            return 30;
        case kAutoUpdate60:
            return 60;
        case kAutoUpdate120:
            return 120;
        default:
            return -1;
    }
}

// The colour scheme (0 as the desktop prefers, 1 light, 2 dark) of a scheme command, -1 for other
// commands.
constexpr int ColorSchemeOf(int id) {
    return id >= kSchemeAuto && id <= kSchemeDark ? id - kSchemeAuto : -1;
}

}  // namespace varlo::cmd

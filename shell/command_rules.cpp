#include "shell/command_rules.h"

#include "shell/command_ids.h"

namespace varlo {
namespace {

bool IsSiteListCommand(int id) {
    switch (id) {
        case cmd::kSiteEdit:
        case cmd::kSiteDelete:
        case cmd::kSiteAdd:
        case cmd::kAddCurrentPage:
        case cmd::kMoveUp:
        case cmd::kMoveDown:
        case cmd::kSortCategory:
        case cmd::kSortTitle:
        case cmd::kSortAscending:
        case cmd::kSortInitial:
        case cmd::kViewDescription:
        case cmd::kViewLinkNew:
        case cmd::kViewSiteOutline:
        case cmd::kViewSiteTitle:
        case cmd::kOpenInBrowser:
        case cmd::kMarkSeen:
            return true;
        default:
            return false;
    }
}

bool IsNavigationCommand(int id) {
    return id == cmd::kGoBack || id == cmd::kGoForward || id == cmd::kGoHome || id == cmd::kStop ||
           id == cmd::kRefresh;
}

// The browser pane passes these on to the site list; the site list passes none of them back.
bool IsPassedToSiteList(int id) {
    return id == cmd::kOpenInBrowser || id == cmd::kViewDescription || id == cmd::kViewLinkNew ||
           id == cmd::kSiteEdit || id == cmd::kSiteAdd || id == cmd::kSiteDelete ||
           id == cmd::kAddCurrentPage;
}

}  // namespace

CommandTarget RouteCommand(int id, ActivePane active) {
    // Marks of articles apply to the article list's rows whichever pane has the focus.
    if (id == cmd::kToggleRead || id == cmd::kToggleStar || id == cmd::kMarkAllRead ||
        id == cmd::kShowFullText) {
        return CommandTarget::Articles;
    }
    if (IsSiteListCommand(id)) {
        if (active == ActivePane::SiteList) return CommandTarget::SiteList;
        if (active == ActivePane::Browser && IsPassedToSiteList(id)) return CommandTarget::SiteList;
        return CommandTarget::Disabled;
    }
    if (IsNavigationCommand(id)) {
        return active == ActivePane::SiteList || active == ActivePane::Browser
                   ? CommandTarget::Browser
                   : CommandTarget::Disabled;
    }
    // The page shown belongs to the browser pane whichever pane is active.
    if (id == cmd::kPageInfo) return CommandTarget::Browser;
    switch (id) {
        case cmd::kDialupConnect:
        case cmd::kDialupDisconnect:
        case cmd::kHelpKeyword:
        case cmd::kHomePage:
        case cmd::kViewToolBar:
        case cmd::kViewStatusBar:
        case cmd::kNextPane:
        case cmd::kPrevPane:
        case cmd::kUpdateAll:
        case cmd::kShowUpdateFailures:
        case cmd::kSearchFocus:
            return CommandTarget::Frame;
        case cmd::kFileNew:
        case cmd::kFileOpen:
        case cmd::kFileSave:
        case cmd::kFileSaveAs:
        case cmd::kAppAbout:
        case cmd::kAppExit:
        case cmd::kHelpFinder:
            return CommandTarget::Application;
        default:
            if (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast) {
                return CommandTarget::Application;
            }
            if (cmd::AutoUpdateMinutes(id) >= 0 || cmd::ColorSchemeOf(id) >= 0 ||
                (id >= cmd::kViewNotify && id <= cmd::kViewAutostart)) {
                return CommandTarget::Frame;
            }
            return CommandTarget::Disabled;
    }
}

bool IsCommandEnabled(int id, const PaneState& state) {
    // Stopping what Varlo fetches must never depend on where the focus happens to be.
    if (id == cmd::kStop && (state.updating || state.downloading)) return true;
    if (id == cmd::kPageInfo) return state.browserShowsPage;
    const CommandTarget target = RouteCommand(id, state.active);
    if (target == CommandTarget::Disabled) return false;
    if (id == cmd::kSortInitial) return false;  // it only shows a check mark
    if (id == cmd::kFileMruFirst) return state.hasRecentFiles;
    // One update of every site at a time; its failures can be listed once there were some.
    if (id == cmd::kUpdateAll) return !state.updating;
    if (id == cmd::kShowUpdateFailures) return state.hasUpdateFailures;
    if (id == cmd::kToggleRead || id == cmd::kToggleStar || id == cmd::kShowFullText)
        return state.articleSelected;
    if (id == cmd::kMarkAllRead) return state.articleCount > 0;
    // The site list's own rules hold while it is the active pane; the browser pane has none.
    // A view of the library is no subscription: nothing edits, moves or opens it as a site.
    if (state.libraryRowSelected &&
        (id == cmd::kSiteEdit || id == cmd::kSiteDelete || id == cmd::kMoveUp ||
         id == cmd::kMoveDown || id == cmd::kOpenInBrowser)) {
        return false;
    }
    // Editing and deleting act on the chosen subscription: with none they would do nothing.
    if ((id == cmd::kSiteEdit || id == cmd::kSiteDelete) && state.selectedRow < 0) return false;
    if (state.active != ActivePane::SiteList) return true;
    switch (id) {
        case cmd::kAddCurrentPage:
            return state.browserShowsWebPage;
        case cmd::kMoveUp:
            return state.selectedRow > 0;
        case cmd::kMoveDown:
            return state.selectedRow >= 0 && state.selectedRow < state.rowCount - 1;
        default:
            return true;
    }
}

int CommandCheck(int id, const PaneState& state) {
    switch (id) {
        case cmd::kViewToolBar:
            return state.toolBarShown;
        case cmd::kViewStatusBar:
            return state.statusBarShown;
        case cmd::kViewNotify:
            return state.notify;
        case cmd::kViewCloseToTray:
            return state.closeToTray;
        case cmd::kViewAutostart:
            return state.autostart;
        default:
            break;
    }
    if (const int minutes = cmd::AutoUpdateMinutes(id); minutes >= 0) {
        return state.autoUpdateMinutes == minutes;
    }
    if (const int scheme = cmd::ColorSchemeOf(id); scheme >= 0) return state.colorScheme == scheme;
    if (state.active != ActivePane::SiteList) return -1;
    switch (id) {
        case cmd::kSortInitial:
            return state.sortKey == -1;
        case cmd::kSortCategory:
            return state.sortKey == 0;
        case cmd::kSortTitle:
            return state.sortKey == 1;
        case cmd::kSortAscending:
            return !state.descending;
        case cmd::kViewDescription:
            return state.description;
        case cmd::kViewLinkNew:
            return state.linkNew;
        case cmd::kViewSiteOutline:
            return state.siteOutline;
        case cmd::kViewSiteTitle:
            return state.siteTitle;
        default:
            return -1;
    }
}

}  // namespace varlo

#pragma once
// Which pane carries out a command, and whether a menu item is enabled and checked, computed from
// the state of the panes. Pure logic, so that the rules are tested without a window.

namespace varlo {

// The pane that has the commands of the panes: the one the user last activated.
enum class ActivePane { None, SiteList, ArticleList, Browser };

// Who carries out a command.
enum class CommandTarget { Disabled, SiteList, Articles, Browser, Frame, Application };

// The state the rules look at.
struct PaneState {
    ActivePane active = ActivePane::SiteList;
    int selectedRow = -1;  // site list: the selected subscription, -1 for none or a library row
    int rowCount = 0;      // site list: the subscriptions
    bool libraryRowSelected = false;  // site list: a view of the library is chosen ("未読の記事")
    bool articleSelected = false;     // article list: a row is selected
    int articleCount = 0;             // article list: its rows
    int sortKey = -1;
    bool descending = false;
    bool description = false, linkNew = false, siteOutline = false, siteTitle = true;
    bool browserShowsWebPage = false;  // its address holds neither "file://" nor "about:blank"
    bool browserShowsPage = false;     // any page but the empty one (the preview page included)
    bool toolBarShown = true, statusBarShown = true;
    bool hasRecentFiles = false;
    bool updating = false;           // an update of every site is running
    bool downloading = false;        // a download of Varlo's own is running (a feed, a page)
    bool hasUpdateFailures = false;  // the last update of every site had failures
    int autoUpdateMinutes = 0;       // the interval of automatic updates; 0 for none
    int colorScheme = 0;             // how pages are coloured: 0 as the desktop prefers, 1, 2
    bool notify = true;              // the desktop is told of new articles
    bool closeToTray = false;        // closing the window leaves the program in the tray
    bool autostart = false;          // the program starts with the desktop
};

// The pane or object that handles `id` while `active` is the active pane.
CommandTarget RouteCommand(int id, ActivePane active);

// Enable rule of `id` in `state`.
bool IsCommandEnabled(int id, const PaneState& state);

// Check mark of `id`: 1 checked, 0 unchecked, -1 when the check mark is left as it is.
int CommandCheck(int id, const PaneState& state);

}  // namespace varlo

#pragma once
// Scrolling the page a browser pane shows by a screenful, as Space does in a reader, and telling
// whether the page was already at its end.

#include <wx/webview.h>

#include <wx/weakref.h>

#include <functional>
#include <string>

namespace varlo {

enum class PageScroll {
    kMoved,        // the page moved by a screenful (or what was left of it)
    kAtEnd,        // forward: the page already showed its end
    kAtTop,        // back: the page already showed its top
    kNotReady,     // another page is shown, or the page is still loading: nothing moved
    kUnavailable,  // the engine could not be asked (no engine, or it failed)
};

// Scrolls `web` a screenful forward (or back) when the document it shows is the local file
// `path`, wholly loaded, and calls `done` on the window's thread once the engine has answered.
// `done` is not called when the pane is gone by then.
void ScrollPageByScreen(wxWebView* web, const std::string& path, bool back,
                        std::function<void(PageScroll)> done);

// Scrolls (and other scripts of the reader's in a page) asked for whose answer has not come yet
// (tests wait for none).
int PendingPageScrolls();

}  // namespace varlo

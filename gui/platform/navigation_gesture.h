#pragma once
// Whether a navigation in the browser pane comes from the user's own click or key, or from the
// page's script alone. The toolkit does not say so on this platform (its navigation events always
// read "not the user's"), so the browser engine is asked directly.

#include <wx/webview.h>

#include <memory>
#include <string>

namespace varlo {

class NavigationGestures {
  public:
    NavigationGestures() = default;
    ~NavigationGestures();
    NavigationGestures(const NavigationGestures&) = delete;
    NavigationGestures& operator=(const NavigationGestures&) = delete;

    // Starts watching the navigations of `web`; where the engine cannot tell, every navigation of
    // the page reads as not the user's.
    void Watch(wxWebView* web);
    // True when the engine's latest navigation decision was for `url` (UTF-8) and came from a
    // gesture of the user (a click, a key), the page's handlers of that gesture included.
    bool FromUser(const std::string& url) const;

    // What the engine said of its latest navigation decision; shared with the engine's signal,
    // which may outlive this object.
    struct Latest {
        std::string url;
        bool user = false;
    };

  private:
    std::shared_ptr<Latest> m_latest;
    unsigned long m_hook = 0;  // the engine's emission hook, removed with this object
};

}  // namespace varlo

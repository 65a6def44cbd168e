#pragma once
// Running a script of the reader's own in the page a browser pane shows. The toolkit runs a script
// through eval(), which the preview page's policy forbids; a script run through the engine's
// interface is the reader's, not the page's, and no policy of the page stops it.

#include <wx/webview.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varlo {

// Runs `script` in the page `web` shows and calls `done` on the window's thread with the number
// the script gave (nullopt when the engine failed or could not be asked). `done` is not called
// when the pane is gone by then.
void RunPageScript(wxWebView* web, const std::string& script,
                   std::function<void(std::optional<int>)> done);

// Scripts asked for whose answer has not come yet.
int PendingPageScripts();

// `text` (UTF-8) as a string literal of a script.
std::string ScriptString(std::string_view text);

}  // namespace varlo

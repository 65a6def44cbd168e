#pragma once
// The keyboard focus of the browser control. On this platform the control keeps the focus in an
// inner widget of the engine's that the toolkit does not watch: a click in a page gives it the
// focus without the toolkit hearing of it, so that no window seems to have the focus and no
// focus event reaches the frame. This reports the inner widget's focus changes as the toolkit
// reports those of its own windows.

#include <wx/webview.h>

namespace varlo {

// From now on, the focus entering or leaving the engine's widget of `web` is the focus entering
// or leaving `web`: wxWindow::FindFocus names it, and it gets its focus events and sends its
// parents the child-focus event. Does nothing where the engine cannot be reached.
void ReportWebFocus(wxWebView* web);

// Whether the engine's widget of `web` is the one of its window that has the keyboard focus.
bool WebHasFocus(wxWebView* web);

}  // namespace varlo

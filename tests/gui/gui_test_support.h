#pragma once
// Helpers for the window tests.

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class wxWebView;

namespace varlo::test {

// Answers modal dialogs in the order they are expected; an unexpected one fails the test and is
// cancelled.
class ModalHook : public wxModalDialogHook {
  protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;
};

struct ModalAnswers {
    std::deque<std::function<int(wxDialog*)>> handlers;
};

// The next modal dialog is given to `handler`, which returns the dialog's result (wxID_OK...).
void ExpectModal(std::function<int(wxDialog*)> handler);
// Fails when an expected dialog was not shown; clears the expectations.
void ExpectNoPendingModals();
// Dispatches pending events and idle handling until nothing is left.
void PumpEvents();
// Dispatches events, waiting at most `sliceMs` for each, until `done` holds or 30 seconds have
// passed (the browser engine and the loopback servers work in other processes and threads);
// true when it held.
bool WaitUntil(const std::function<bool()>& done, int sliceMs = 50);

// The pages a web view finished loading. Right after a load is asked for, the engine already
// names the new address and is not busy yet: only the end of the load says the page is there.
class PageLoads {
  public:
    // Records from now on; the web view must outlive the recording or stop with its window.
    void Watch(wxWebView* web);
    // Whether a page whose address ends with `suffix` finished loading since the last Forget.
    bool Finished(std::string_view suffix) const;
    void Forget() { m_loads.clear(); }

  private:
    std::vector<std::string> m_loads;
    wxWebView* m_watched = nullptr;
};

}  // namespace varlo::test

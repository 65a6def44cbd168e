// Runs the window tests inside a real wx application (under Xvfb): the application is started
// once, each test drives windows through commands, and unexpected modal dialogs are cancelled and
// reported instead of hanging the run.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/webview.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "gui/app/varlo_app.h"
#include "gui/platform/background.h"
#include "gui_test_support.h"

namespace varlo::test {

ModalAnswers& Answers() {
    static ModalAnswers answers;
    return answers;
}

int ModalHook::Enter(wxDialog* dialog) {
    auto& answers = Answers();
    if (answers.handlers.empty()) {
        ADD_FAILURE() << "unexpected modal dialog: " << dialog->GetTitle().utf8_str().data();
        return wxID_CANCEL;
    }
    auto handler = std::move(answers.handlers.front());
    answers.handlers.pop_front();
    return handler(dialog);
}

void ModalHook::Exit(wxDialog*) {}

void ExpectModal(std::function<int(wxDialog*)> handler) {
    Answers().handlers.push_back(std::move(handler));
}

void ExpectNoPendingModals() {
    EXPECT_TRUE(Answers().handlers.empty()) << "a dialog that was expected was not shown";
    Answers().handlers.clear();
}

bool WaitUntil(const std::function<bool()>& done, int sliceMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        loop->DispatchTimeout(sliceMs);
        wxTheApp->ProcessPendingEvents();
    }
    return false;
}

void PageLoads::Watch(wxWebView* web) {
    if (m_watched == web) return;
    m_watched = web;
    m_loads.clear();
    web->Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& event) {
        m_loads.push_back(std::string(event.GetURL().utf8_str()));
        event.Skip();
    });
}

bool PageLoads::Finished(std::string_view suffix) const {
    return std::any_of(m_loads.begin(), m_loads.end(),
                       [&](const std::string& url) { return url.ends_with(suffix); });
}

void PumpEvents() {
    // Work that a command started on a worker is part of that command: its result arrives as an
    // event, which is waited for (not a time). Events dispatched here may start more.
    for (int round = 0; round < 20; ++round) {
        if (PendingBackgroundWork() > 0) {
            WaitUntil([] { return PendingBackgroundWork() == 0; }, 1000);
        }
        for (int i = 0; i < 50; ++i) {
            if (wxTheApp) wxTheApp->ProcessPendingEvents();
            wxEventLoopBase* loop = wxEventLoopBase::GetActive();
            if (!loop) break;
            bool any = false;
            while (loop->Pending()) {
                loop->Dispatch();
                any = true;
            }
            if (wxTheApp) wxTheApp->ProcessIdle();
            if (!any) break;
        }
        if (PendingBackgroundWork() == 0) break;
    }
}

}  // namespace varlo::test

namespace {

class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

}  // namespace

// The toolkit and the web engine keep allocations until the process ends; leak reports of the
// window tests would be theirs, not ours (the core's tests run with leak checking on).
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    // Listing the tests needs no window system.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]).starts_with("--gtest_list_tests")) {
            ::testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    }
    // Each run gets its own home and XDG folders: the web engine writes caches there.
    const auto home =
        std::filesystem::temp_directory_path() / ("varlo-gui-home-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 1);
    setenv("VARLO_CONFIG", (home / "Varlo.ini").c_str(), 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    ::testing::InitGoogleTest(&argc, argv);

    // The program's own application object, started by each test that needs the main window.
    varlo::CVarloApp::DeferStartUp(true);
    wxApp::SetInstance(new varlo::CVarloApp);
    wxEntryStart(argc, argv);
    wxTheApp->CallOnInit();
    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);
        varlo::test::ModalHook hook;
        hook.Register();
        result = RUN_ALL_TESTS();
        hook.Unregister();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}

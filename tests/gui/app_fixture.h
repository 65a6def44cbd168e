#pragma once
// A started application for window tests: its own settings, command line and temporary folder.

#include <gtest/gtest.h>
#include <wx/app.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/app/varlo_app.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/settings.h"
#include "gui/views/varlo_view.h"
#include "gui_test_support.h"
#include "platform/program_folder.h"
#include "support/test_support.h"

namespace varlo::test {

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramFolder(dir.Path().string());
        settingsPath = dir.File("Varlo.ini");
        // Everything the window has written goes through the store's writer, off its thread.
        FeedMarks().RefuseWindowWrites(true);
    }
    void TearDown() override {
        EXPECT_EQ(FeedMarks().RefusedWindowWrites(), 0)
            << "the window's thread wrote to the store (see the messages above)";
        Stop();
        SetProgramFolder({});
        ExpectNoPendingModals();
    }
    // Starts the application with `arguments` on the settings file of this test.
    bool Start(std::vector<std::string> arguments = {}) {
        app = static_cast<CVarloApp*>(wxTheApp);
        app->UseSettings(std::make_unique<FileSettings>(settingsPath));
        app->SetCommandLine(std::move(arguments));
        const bool started = app->StartUp();
        PumpEvents();
        return started;
    }
    // Closes the main window as the user would and shuts the application down.
    void Stop() {
        if (!app) return;
        if (CMainFrame* frame = app->Frame()) {
            frame->Close(true);
            PumpEvents();
        }
        app->ShutDown();
        PumpEvents();
        app = nullptr;
    }
    CMainFrame& Frame() { return *app->Frame(); }
    // Writes to the store as the window does, through its writer, and waits until it is done.
    bool WriteStore(std::function<void(CFeedStore& store)> write) {
        RunOffWindow(InStore{FeedMarks().Writer()}, [write](CFeedStore* store) {
            if (store != nullptr) write(*store);
        });
        return WaitUntil([] { return PendingBackgroundWork() == 0; });
    }
    // The site list's row of the subscription at `index`: the library's views stand above them.
    int SiteRow(int index) { return Frame().SiteList()->RowOfSite(index); }
    // The number of subscriptions the site list shows.
    int SiteRowCount() {
        return Frame().SiteList()->GetList()->GetItemCount() -
               Frame().SiteList()->LibraryRowCount();
    }
    CVarloDoc& Doc() { return *app->Document(); }
    // The settings file as a fresh store (what the next start reads).
    std::unique_ptr<FileSettings> StoredSettings() {
        return std::make_unique<FileSettings>(settingsPath);
    }

    TempDir dir;
    std::string settingsPath;
    CVarloApp* app = nullptr;
};

}  // namespace varlo::test

// Work off the window's thread: results come back typed, only to a window that still lives, and
// questions asked from a worker are answered on the window's thread.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/thread.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/platform/background.h"
#include "store/feed_store.h"
#include "store/store_writer.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"

namespace varlo {
namespace {

using test::WaitUntil;

// A result that says on which thread it was freed.
struct Tracked {
    explicit Tracked(std::shared_ptr<std::atomic<int>> freedOnWindow)
        : freed(std::move(freedOnWindow)) {}
    Tracked(Tracked&& other) noexcept = default;
    ~Tracked() {
        if (freed) *freed = wxIsMainThread() ? 1 : 2;
    }
    std::shared_ptr<std::atomic<int>> freed;
};

class Owner : public wxFrame {
  public:
    Owner() : wxFrame(nullptr, wxID_ANY, "owner") {}
    std::vector<std::string> got;
    bool onWindowThread = true;
};

bool Settled() {
    return PendingBackgroundWork() == 0;
}

TEST(OffTheWindow, TheResultComesBackTypedOnTheWindowsThread) {
    auto* owner = new Owner;
    RunOffWindow(
        owner, OnWorkers{}, [] { return std::string("read on ") + (wxIsMainThread() ? "w" : "x"); },
        [](Owner& self, std::string result) {
            self.onWindowThread = self.onWindowThread && wxIsMainThread();
            self.got.push_back(std::move(result));
        });
    // A thread of its own, and a work with nothing to give back.
    std::atomic<bool> cancelled{false};
    RunOffWindow(
        owner, OnOwnThread{[&cancelled] { cancelled = true; }}, [] {},
        [](Owner& self) {
            self.onWindowThread = self.onWindowThread && wxIsMainThread();
            self.got.push_back("done");
        });
    ASSERT_TRUE(WaitUntil(Settled));
    // The two ran side by side: either may come back first.
    std::sort(owner->got.begin(), owner->got.end());
    EXPECT_EQ(owner->got, (std::vector<std::string>{"done", "read on x"}));
    EXPECT_TRUE(owner->onWindowThread);
    EXPECT_FALSE(cancelled);
    owner->Destroy();
    test::PumpEvents();
}

TEST(OffTheWindow, AResultForAWindowThatWentIsDroppedAndFreedOnAWorker) {
    auto* owner = new Owner;
    auto freed = std::make_shared<std::atomic<int>>(0);
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto go = std::make_shared<std::atomic<bool>>(false);
    bool reached = false;
    RunOffWindow(
        owner, OnWorkers{},
        [freed, started, go] {
            *started = true;
            while (!*go) std::this_thread::yield();
            return Tracked(freed);
        },
        [&reached](Owner&, Tracked) { reached = true; });
    ASSERT_TRUE(WaitUntil([&] { return started->load(); }));
    // The window goes while its work runs.
    delete owner;
    *go = true;
    ASSERT_TRUE(WaitUntil(Settled));
    ASSERT_TRUE(WaitUntil([&] { return freed->load() != 0; }));
    EXPECT_FALSE(reached);
    EXPECT_EQ(freed->load(), 2) << "a large result is not freed on the window's thread";
}

TEST(OffTheWindow, StoreWorkRunsInOrderOnTheWritersConnection) {
    test::TempDir dir;
    {
        CFeedStore made;  // the window makes the store; the writer opens it
        ASSERT_TRUE(made.Open(dir.File("varlo.db")));
    }
    auto writer = CStoreWriter::Make(dir.File("varlo.db"));
    auto* owner = new Owner;
    for (int i = 0; i < 3; ++i) {
        RunOffWindow(
            owner, InStore{writer},
            [i](CFeedStore* store) { return std::to_string(i) + (store ? "+" : "-"); },
            [](Owner& self, const std::string& result) { self.got.push_back(result); });
    }
    // Written without a window to tell.
    std::atomic<int> unowned{0};
    RunOffWindow(InStore{writer}, [&unowned](CFeedStore* store) { unowned = store ? 1 : -1; });
    ASSERT_TRUE(WaitUntil(Settled));
    EXPECT_EQ(owner->got, (std::vector<std::string>{"0+", "1+", "2+"}));
    EXPECT_EQ(unowned.load(), 1);
    owner->Destroy();
    test::PumpEvents();
}

TEST(OffTheWindow, ProgressPostedFromAWorkerReachesOnlyALiveWindow) {
    auto* owner = new Owner;
    WindowRef<Owner> ref(owner);
    std::thread worker([ref] {
        for (int i = 0; i < 3; ++i) {
            PostToWindow(ref, [i](Owner& self) { self.got.push_back(std::to_string(i)); });
        }
    });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return owner->got.size() == 3; }));
    EXPECT_EQ(owner->got, (std::vector<std::string>{"0", "1", "2"}));
    delete owner;
    EXPECT_EQ(ref.Get(), nullptr);
    bool reached = false;
    std::thread late(
        [ref, &reached] { PostToWindow(ref, [&reached](Owner&) { reached = true; }); });
    late.join();
    test::PumpEvents();
    EXPECT_FALSE(reached);
}

TEST(WindowQuestions, AWorkerWaitsForTheAnswerGivenOnTheWindowsThread) {
    auto questions = std::make_shared<CWindowQuestions>();
    std::atomic<int> answers{0};
    std::atomic<bool> askedOnWindow{true};
    std::thread worker([&] {
        for (bool wanted : {true, false}) {
            const bool answer = questions->Ask([&askedOnWindow, wanted] {
                askedOnWindow = askedOnWindow && wxIsMainThread();
                return wanted;
            });
            answers = answers * 10 + (answer ? 1 : 2);
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return answers.load() == 12; }));
    worker.join();
    EXPECT_TRUE(askedOnWindow);
}

TEST(WindowQuestions, ACancelAnswersNoToTheQuestionWaitingAndToEveryLaterOne) {
    auto questions = std::make_shared<CWindowQuestions>();
    std::atomic<int> answered{0};
    bool asked = false;
    std::thread worker([&] {
        // The window's thread cancels before it gets to the question.
        answered = questions->Ask([&asked] { return asked = true; }) ? 1 : 2;
        answered = answered * 10 + (questions->Ask([&asked] { return asked = true; }) ? 1 : 2);
    });
    questions->Cancel();
    worker.join();
    test::PumpEvents();
    EXPECT_EQ(answered.load(), 22);
    EXPECT_FALSE(asked);
}

// The toolkit's weak reference is not safe across threads: one let go of last on a worker is
// deleted on the window's thread, and the window it refers to goes afterwards without harm.
TEST(OffTheWindow, AReferenceLetGoOfOnAWorkerIsDeletedOnTheWindowsThread) {
    auto* owner = new Owner;
    auto ref = std::make_unique<WindowRef<Owner>>(owner);
    std::atomic<bool> sawOwner{false};
    std::thread worker([held = std::move(ref)]() mutable { held.reset(); });
    worker.join();
    // Its deletion waits for the window's thread; the owner is still tracked meanwhile.
    WindowRef<Owner> another(owner);
    sawOwner = another.Get() == owner;
    test::PumpEvents();
    EXPECT_TRUE(sawOwner);
    delete owner;
    EXPECT_EQ(another.Get(), nullptr);
}

// A store that cannot be opened gives its work no connection, and the result still comes back.
TEST(OffTheWindow, StoreWorkWithoutAStoreIsToldSo) {
    test::TempDir dir;
    auto writer = CStoreWriter::Make(dir.File("missing/varlo.db"));
    auto* owner = new Owner;
    RunOffWindow(
        owner, InStore{writer}, [](CFeedStore* store) { return store == nullptr; },
        [](Owner& self, bool none) { self.got.push_back(none ? "no store" : "store"); });
    ASSERT_TRUE(WaitUntil(Settled));
    EXPECT_EQ(owner->got, (std::vector<std::string>{"no store"}));
    owner->Destroy();
    test::PumpEvents();
}

}  // namespace
}  // namespace varlo

// The progress of a download on a worker as the window hears of it: one notice at a time, each
// answered by the window taking the fields.
#include "fetch/relayed_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "encoding/codepage.h"

namespace varlo {
namespace {

TEST(RelayedProgress, TheWindowHearsOfAChangeOnceUntilItTakesTheFields) {
    CRelayedProgress progress;
    int notices = 0;
    progress.OnChange([&] { ++notices; });
    // Nothing to show before the download opens its window.
    progress.SetTotal(100);
    progress.SetReceived(10);
    EXPECT_EQ(notices, 0);
    EXPECT_FALSE(progress.Take().windowOpen);

    progress.Create("m", "f");
    progress.SetTotal(100);
    progress.SetReceived(10);
    progress.SetReceived(20);
    EXPECT_EQ(notices, 1) << "however often the bytes come, one notice waits";
    CRelayedProgress::Fields fields = progress.Take();
    EXPECT_TRUE(fields.windowOpen);
    EXPECT_EQ(fields.total, 100);
    EXPECT_EQ(fields.position, 20);
    EXPECT_EQ(fields.file, "f");

    progress.SetReceived(30);
    EXPECT_EQ(notices, 2);
    progress.Destroy();
    EXPECT_EQ(notices, 2);
    fields = progress.Take();
    EXPECT_FALSE(fields.windowOpen) << "the last state wins";
    EXPECT_EQ(fields.position, 30);
}

TEST(RelayedProgress, ACancelFromTheWindowReachesTheDownloadOnItsThread) {
    CRelayedProgress progress;
    std::atomic<int> notices{0};
    progress.OnChange([&] { ++notices; });
    std::atomic<bool> stop{false};
    std::thread download([&] {
        progress.Create("m", "f");
        for (int64_t received = 0; !progress.IsCancelled(); ++received) {
            progress.SetReceived(received);
            std::this_thread::yield();
        }
        stop = true;
    });
    while (notices.load() == 0) std::this_thread::yield();
    EXPECT_FALSE(progress.IsCancelled());
    progress.CancelFromAfar();
    download.join();
    EXPECT_TRUE(stop);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(progress.CancelsFromAfar());
    // One notice stood until the window took the fields, whatever the download did meanwhile.
    EXPECT_EQ(notices.load(), 1);
    progress.Take();
}

}  // namespace
}  // namespace varlo

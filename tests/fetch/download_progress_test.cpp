#include "fetch/download_progress.h"

#include <gtest/gtest.h>

#include "encoding/codepage.h"
#include "platform/message_pump.h"
#include "support/test_support.h"

namespace varlo {
namespace {

TEST(DownloadCounter, ShowsReceivedOfTotalWhenTheLengthIsKnown) {
    EXPECT_EQ(Cp932ToUtf8(CDownloadProgress::FormatCounter(1023, 5000)), "1023/5000バイト");
    EXPECT_EQ(Cp932ToUtf8(CDownloadProgress::FormatCounter(0, 0)), "0/0バイト");
}

TEST(DownloadCounter, ShowsOnlyTheReceivedBytesWithoutALength) {
    EXPECT_EQ(Cp932ToUtf8(CDownloadProgress::FormatCounter(2046, -1)), "2046バイト");
}

TEST(DownloadProgressFields, StartWithoutTotalAndWithEmptyTexts) {
    CDownloadProgress progress;
    EXPECT_EQ(progress.Total(), -1);
    EXPECT_EQ(progress.RangeMax(), 0);
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_FALSE(progress.IsWindowOpen());
    EXPECT_TRUE(progress.CounterText().empty());
}

TEST(DownloadProgressFields, TotalSetsTheRangeAndReceivedThePosition) {
    CDownloadProgress progress;
    progress.Create(Jp("ダウンロード中です"), "down.html");
    progress.SetTotal(5000);
    progress.SetReceived(1023);
    EXPECT_EQ(progress.RangeMax(), 5000);
    EXPECT_EQ(progress.Position(), 1023);
    EXPECT_EQ(Cp932ToUtf8(progress.CounterText()), "1023/5000バイト");
    EXPECT_EQ(progress.FileText(), "down.html");
}

TEST(DownloadProgressCancel, OkOnTheQuestionCancelsAndClosesTheWindow) {
    test::MessageCapture messages(kIdOk);
    CDownloadProgress progress;
    progress.Create("m", "f");
    int told = 0;
    progress.OnUserChoice([&] {
        // Told once the choice has taken effect.
        EXPECT_TRUE(progress.IsCancelled());
        ++told;
    });
    progress.OnCancelButton();
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_FALSE(progress.IsWindowOpen());
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "中止しますか？");
}

TEST(DownloadProgressCancel, CancelOnTheQuestionChangesNothing) {
    test::MessageCapture messages(kIdCancel);
    CDownloadProgress progress;
    progress.Create("m", "f");
    int told = 0;
    progress.OnUserChoice([&] { ++told; });
    progress.OnCancelButton();
    EXPECT_EQ(told, 0) << "a refused cancel changed nothing to tell";
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_TRUE(progress.IsWindowOpen());
}

TEST(DownloadProgressCancel, TheCloseBoxClosesWithoutCancelling) {
    CDownloadProgress progress;
    progress.Create("m", "f");
    int told = 0;
    progress.OnUserChoice([&] { ++told; });
    progress.OnCloseBox();
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(progress.IsWindowOpen());
    EXPECT_FALSE(progress.IsCancelled());
}

TEST(DownloadProgressFactory, AnInstalledFactoryMakesTheObjectsAndEmptyRestoresTheDefault) {
    int made = 0;
    auto previous = SetDownloadProgressFactory([&] {
        ++made;
        return std::make_unique<CDownloadProgress>();
    });
    EXPECT_NE(MakeDownloadProgress(), nullptr);
    EXPECT_EQ(made, 1);
    SetDownloadProgressFactory(nullptr);
    EXPECT_NE(MakeDownloadProgress(), nullptr);
    EXPECT_EQ(made, 1);
    SetDownloadProgressFactory(previous);
}

TEST(MessagePump, RunsTheInstalledHookOncePerCallAndNothingWithoutOne) {
    PumpMessage();  // no hook: nothing happens
    int calls = 0;
    {
        ScopedMessagePumpHook hook([&] { ++calls; });
        PumpMessage();
        PumpMessage();
    }
    PumpMessage();
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace varlo

#include "sync/sync_messages.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "sync/sync_run.h"

namespace varlo {
namespace {

TEST(SyncMessages, TellWhatChangedAndAskOnceForTheUpload) {
    SyncSummary s;
    s.articles = 12;
    s.marksReceived = 3;
    s.marksSent = 7;
    EXPECT_EQ(SyncedText(s), test::Sjis("同期しました: 記事 12 件、既読 3 件"));
    EXPECT_EQ(SyncingText(), test::Sjis("同期中"));
    EXPECT_EQ(UploadQuestion(4), test::Sjis("サーバーにないサイトが 4 件あります。追加しますか？"));
    EXPECT_EQ(
        RemovalQuestion(7),
        test::Sjis("サーバーの一覧から 7 件のサイトが消えています。ファイルからも削除しますか？"));
    EXPECT_EQ(InClearQuestion(),
              test::Sjis("パスワードが暗号化されずに送信されます。続けますか？"));
}

}  // namespace
}  // namespace varlo

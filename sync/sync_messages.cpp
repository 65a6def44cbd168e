#include "sync/sync_messages.h"

#include <string>

#include "encoding/codepage.h"
#include "sync/sync_run.h"

namespace varlo {

Text SyncingText() {
    return Jp("同期中");
}

Text SyncedText(const SyncSummary& summary) {
    return Jp("同期しました: 記事 ") + std::to_string(summary.articles) + Jp(" 件、既読 ") +
           std::to_string(summary.marksReceived) + Jp(" 件");
}

Text UploadQuestion(int count) {
    return Jp("サーバーにないサイトが ") + std::to_string(count) +
           Jp(" 件あります。追加しますか？");
}

Text RemovalQuestion(int count) {
    return Jp("サーバーの一覧から ") + std::to_string(count) +
           Jp(" 件のサイトが消えています。ファイルからも削除しますか？");
}

Text InClearQuestion() {
    return Jp("パスワードが暗号化されずに送信されます。続けますか？");
}

Text PasswordFileWarning(const std::string& path) {
    return Jp("キーリングを使えないため、パスワードを次のファイルに保存しました "
              "(あなただけが読めます):\n") +
           Utf8ToCp932(path);
}

}  // namespace varlo

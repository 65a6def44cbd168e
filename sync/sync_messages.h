#pragma once
// What the user is told about a sync, the same in the window and wherever else it runs.

#include "platform/text.h"

namespace varlo {

struct SyncSummary;

// The status bar while a sync runs.
Text SyncingText();
// The status bar after a sync: "同期しました: 記事 N 件、既読 N 件" (articles stored, marks taken
// from the server).
Text SyncedText(const SyncSummary& summary);
// The one question of the first sync about the sites only the file has.
Text UploadQuestion(int count);
// The question before sites the server's list lacks are taken out of the file.
Text RemovalQuestion(int count);
// The question, once per server, before the password goes unencrypted over plain http.
Text InClearQuestion();
// The one-time warning when the password went to a file because no keyring answered.
Text PasswordFileWarning(const std::string& path);

}  // namespace varlo

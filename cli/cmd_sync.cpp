// varlo-cli sync: syncs a subscription file and the store with a Google Reader API server, as the
// window does, uploading the sites only the file has without asking.

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "cli/secret_input.h"
#include "encoding/codepage.h"
#include "platform/secret_memory.h"
#include "platform/secret_store.h"
#include "store/feed_store.h"
#include "store/store_paths.h"
#include "subscriptions/opml_file.h"
#include "sync/sync_run.h"
#include "update/whole_articles.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

// The first line of standard input without its line break, read straight into memory left out
// of core dumps; empty when there is none (a terminal is not read: the keyring answers then).
CSecretBuffer PasswordFromInput() {
    if (isatty(STDIN_FILENO)) return {};
    return SecretLineFromInput();
}

// What the sync has to tell beside its figures, on standard error.
void PrintSyncMessages(const SyncSummary& summary) {
    for (const Text& message : summary.failures) PrintError(message);
    if (summary.stopped == ReaderFailure::kInClear) {
        PrintError(Jp("(暗号化されない http で送るには --allow-plain-http を付けてください)"));
    }
    if (summary.removalsKept > 0) {
        PrintError(Jp("サーバーの一覧から ") + std::to_string(summary.removalsKept) +
                   Jp(" 件のサイトが消えていますが、ファイルからは削除しませんでした "
                      "(削除するには --allow-removals を付けてください)"));
    }
    if (!summary.server.empty()) {
        PrintError(Jp("同期サーバーの API は次のアドレスにありました: ") +
                   Utf8ToCp932(summary.server));
    }
}

int RunSyncCommand(const std::vector<std::string>& args) {
    std::string path;
    SyncAccount account;
    bool allowRemovals = false;
    bool allowInClear = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--server" && i + 1 < args.size()) {
            account.server = args[++i];
        } else if (args[i] == "--user" && i + 1 < args.size()) {
            account.user = args[++i];
        } else if (args[i] == "--allow-removals") {
            allowRemovals = true;
        } else if (args[i] == "--allow-plain-http") {
            allowInClear = true;
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("sync");
        }
    }
    if (path.empty() || account.server.empty() || account.user.empty()) return UsageError("sync");

    CSecretBuffer password = PasswordFromInput();
    if (password.Empty()) {
        if (auto kept = LookupPassword(account.Key())) {
            password.Append(*kept);
            WipeString(*kept);
        }
    }
    if (password.Empty()) {
        PrintError(
            Jp("同期サーバーのパスワードがありません (標準入力の 1 行目に渡すか、"
               "キーリングに保存してください)"));
        return kExitUnreadable;
    }

    COpmlFile file;
    if (!file.ReadOpml(path)) return kExitUnreadable;
    CFeedStore store;
    const bool open = store.Open(StorePath());
    if (!store.Notice().empty()) PrintError(store.Notice());
    if (!open) {
        PrintError(Jp("新着の記録を開けませんでした"));
        return kExitUnreadable;
    }

    SyncOptions options;
    // A file with outlines that could not be read keeps the server's changes out of it: saving
    // it would lose those outlines.
    options.mayChangeFile = [&file] { return file.m_nUnreadItems == 0; };
    options.mayRemove = [allowRemovals](int) { return allowRemovals; };
    options.maySendInClear = [allowInClear] { return allowInClear; };
    const int64_t mark = CLibrary(store).LastArticleId();
    const SyncSummary summary = RunSync(store, file, account, password.View(), options);
    password.Clear();
    // The sites that ask for every new article's whole text get it for what the sync brought.
    if (std::unique_ptr<CWholeArticles> fetch = WholeArticlesAfter(store, mark)) {
        KeepWholeArticles(store, fetch->Run());
    }

    int failed = summary.failed;
    if (summary.fileChanged) {
        int leftOut = 0;
        if (!file.WriteOpml(path, &leftOut)) {
            ++failed;
        } else if (leftOut > 0) {
            PrintError(LeftOutCharactersMessage(leftOut));
        }
    }
    if (file.m_nUnreadItems > 0) {
        PrintError(Jp("読み込めなかった項目が ") + std::to_string(file.m_nUnreadItems) +
                   Jp(" 件あるため、サーバーの購読の変更をファイルに反映しませんでした"));
    }
    PrintSyncMessages(summary);
    std::cout << Json{{"subscriptionsAdded", summary.subscriptionsAdded},
                      {"subscriptionsRemoved", summary.subscriptionsRemoved},
                      {"articles", summary.articles},
                      {"marksSent", summary.marksSent},
                      {"marksReceived", summary.marksReceived},
                      {"failed", failed}}
                     .dump()
              << "\n";
    const bool unreached = summary.stopped == ReaderFailure::kUnreachable ||
                           summary.stopped == ReaderFailure::kLogin ||
                           summary.stopped == ReaderFailure::kNotApi ||
                           summary.stopped == ReaderFailure::kInClear ||
                           (summary.stopped == ReaderFailure::kWaiting && !summary.ran);
    return unreached ? kExitUnreadable : kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "sync",
    "  varlo-cli sync OPML --server URL --user NAME       sync the file and the store with a\n"
    "        [--allow-removals] [--allow-plain-http]      Google Reader API server (the password\n"
    "                                                     from the first line of standard input,\n"
    "                                                     else the keyring); one JSON summary "
    "line\n",
    RunSyncCommand);

}  // namespace varlo::cli

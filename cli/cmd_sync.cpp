// varlo-cli sync: syncs a subscription file and the store with a Google Reader API server, as the
// window does, uploading the sites only the file has without asking.

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "encoding/codepage.h"
#include "platform/secret_store.h"
#include "store/feed_store.h"
#include "store/store_paths.h"
#include "subscriptions/opml_file.h"
#include "sync/sync_run.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

void PrintError(const Text& message) {
    std::fprintf(stderr, "%s\n", Out(message).c_str());
}

// The first line of standard input without its line break; empty when there is none (a
// terminal is not read: the keyring answers then).
std::string PasswordFromInput() {
    if (isatty(STDIN_FILENO)) return {};
    std::string line;
    if (!std::getline(std::cin, line)) return {};
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int RunSyncCommand(const std::vector<std::string>& args) {
    std::string path;
    SyncAccount account;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--server" && i + 1 < args.size()) {
            account.server = args[++i];
        } else if (args[i] == "--user" && i + 1 < args.size()) {
            account.user = args[++i];
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("sync");
        }
    }
    if (path.empty() || account.server.empty() || account.user.empty()) return UsageError("sync");

    std::string password = PasswordFromInput();
    if (password.empty()) {
        if (auto kept = LookupPassword(account.Key())) password = *kept;
    }
    if (password.empty()) {
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
    const SyncSummary summary = RunSync(store, file, account, password, options);
    password.assign(password.size(), '\0');

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
    for (const Text& message : summary.failures) PrintError(message);
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
                           (summary.stopped == ReaderFailure::kWaiting && !summary.ran);
    return unreached ? kExitUnreadable : kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "sync",
    "  varlo-cli sync OPML --server URL --user NAME       sync the file and the store with a\n"
    "                                                     Google Reader API server (the password\n"
    "                                                     from the first line of standard input,\n"
    "                                                     else the keyring); one JSON summary "
    "line\n",
    RunSyncCommand);

}  // namespace varlo::cli

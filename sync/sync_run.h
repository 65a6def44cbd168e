#pragma once
// One sync of a subscription file and the reading library with a Google Reader API server: the
// subscriptions by three-way merge, the marks queued in Varlo sent, the reading list's new
// articles stored, and the server's read and starred marks taken, in that order, so that a mark
// made in Varlo and not yet sent wins over the server's state of that article.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "sync/reader_client.h"

namespace varlo {

class CFeedStore;
class COpmlFile;

struct SyncAccount {
    std::string server;  // the API's address, UTF-8
    std::string user;    // UTF-8
    // How the account is named in the keyring and in the store: "USER@SERVER".
    std::string Key() const { return user + "@" + server; }
};

struct SyncOptions {
    ReaderLimits limits;
    ReaderCaps caps;
    // Asked once, at the first sync, whether the sites only the file has go to the server (with
    // their number); null uploads them without asking. A refusal is remembered.
    std::function<bool(int)> askUpload;
    // Asked before the server's changes are applied to the file; false leaves the file and the
    // server's subscriptions as they are until the next sync. Null: always.
    std::function<bool()> mayChangeFile;
    // Asked when the server's list would take sites out of the file and does not look whole (cut
    // by a cap, read in part, or dropping more than half of the synced sites or more than 20),
    // with their number; false or null keeps them in the file.
    std::function<bool(int)> mayRemove;
    // Asked before a login that would send the password unencrypted to another machine (plain
    // http); false or null: no sync.
    std::function<bool()> maySendInClear;
    std::function<int64_t()> clock;  // seconds since 1970; null: the system's
};

struct SyncSummary {
    int subscriptionsAdded = 0;    // on either side
    int subscriptionsRemoved = 0;  // on either side
    int articles = 0;              // articles stored that the library did not hold
    int marksSent = 0;
    int marksReceived = 0;
    int failed = 0;  // requests that failed
    // Logged in and went through every step (some may have failed and are in `failures`).
    bool ran = false;
    // Why the sync stopped early: no answer, the login refused, or a wait the server asked for.
    ReaderFailure stopped = ReaderFailure::kNone;
    bool fileChanged = false;  // the list changed and should be saved
    // Sites gone from the server's list that stayed in the file, the user not having agreed.
    int removalsKept = 0;
    // A stream or the whole sync was cut short (too little per page, the sync's budget): what
    // came is kept, the rest comes with the next sync.
    bool partial = false;
    // The API's address that answered, when it is not the account's (the address given lacked
    // its path); empty otherwise.
    std::string server;
    std::vector<Text> failures;  // for the failures list, one message each
};

// Syncs `file` (the open subscription list, changed in place) and the library of `store` with
// the account's server. Nothing is lost on any failure: queued marks stay queued until the server
// took them, and the last-synced set and the reading list's position advance only with success.
SyncSummary RunSync(CFeedStore& store, COpmlFile& file, const SyncAccount& account,
                    std::string_view password, const SyncOptions& options = {});

// Forgets everything the store keeps for the account (removing it): its last-synced set, the
// sites declined for upload, the reading list's position, the server's ids of the articles and
// the marks queued for it. The password is forgotten apart (ForgetPassword).
bool ForgetSyncState(CFeedStore& store, const SyncAccount& account);

}  // namespace varlo

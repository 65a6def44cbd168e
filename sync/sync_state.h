#pragma once
// What a sync account remembers between syncs, in the store beside the library: the sites both
// sides held after the last sync (the base of the three-way merge),
// the sites the user chose not to upload, and how far the reading list was read.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "store/feed_store.h"
#include "store/sqlite.h"
#include "sync/subscription_merge.h"

namespace varlo {

class CSyncState {
  public:
    // Reads and writes the sync tables of `store` (which must outlive this) for `account`
    // ("USER@SERVER"), through the store's own connection. False when the store is not open.
    bool Open(CFeedStore& store, const std::string& account);

    // Whether a sync of this account ever finished its subscriptions.
    bool SyncedOnce();
    // The sites of the last sync.
    std::vector<SyncedSite> Synced();
    // Replaces the last-synced set and marks the account synced once, in one transaction.
    bool SetSynced(const std::vector<SyncedSite>& sites);
    // Sites the user declined to upload.
    std::set<Text> Declined();
    bool AddDeclined(const std::vector<Text>& urls);
    // The newest time (seconds, the server's clock) of an article read from the reading list.
    int64_t NewestSeen();
    bool SetNewestSeen(int64_t seconds);
    // Forgets everything of the account (removing the account).
    bool Forget();

  private:
    sqlite3* m_db = nullptr;  // the store's
    std::string m_account;
};

}  // namespace varlo

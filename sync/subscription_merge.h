#pragma once
// The three-way merge that keeps the subscription file and the server's list in step: each side
// is compared with the set of the last sync, so that a site deleted on one side is deleted on the
// other, a site added on one side is added on the other, and a title or category changed on one
// side is changed on the other.

#include <set>
#include <vector>

#include "platform/text.h"

namespace varlo {

// A site as both sides know it: its feed address (the key), title and category, system text.
struct SyncedSite {
    Text xmlUrl;
    Text title;
    Text category;  // empty: none (no label on the server)
    bool operator==(const SyncedSite&) const = default;
};

struct SubscriptionMerge {
    std::vector<SyncedSite> addLocal;      // to append to the file
    std::vector<Text> removeLocal;         // feed addresses to delete from the file
    std::vector<SyncedSite> changeLocal;   // title and category to set in the file
    std::vector<SyncedSite> addServer;     // to subscribe to on the server
    std::vector<Text> removeServer;        // to unsubscribe from on the server
    std::vector<SyncedSite> changeServer;  // title and category to set on the server
    // The set both sides hold once every change above is made: the next sync's last-synced set.
    std::vector<SyncedSite> synced;
    bool Empty() const {
        return addLocal.empty() && removeLocal.empty() && changeLocal.empty() &&
               addServer.empty() && removeServer.empty() && changeServer.empty();
    }
};

// Merges the file's sites (`local`) and the server's (`server`) against the last-synced set
// (`base`; `firstSync` when there was none). The first sync and an empty server list remove
// nothing: the first is a union (where titles differ the file's stays and goes to the server),
// and an empty answer leaves the file and the last-synced set as they are. A site is removed on
// one side only when it was in `base` and is gone from the other side; a title or category
// changed on one side since `base` wins (when both changed, the file's). Sites in `declined` (the
// user refused to upload them) stay local only. Addresses compare exactly after trimming; a
// site listed twice on one side counts once (its first entry).
SubscriptionMerge MergeSubscriptions(const std::vector<SyncedSite>& local,
                                     const std::vector<SyncedSite>& server,
                                     const std::vector<SyncedSite>& base, bool firstSync,
                                     const std::set<Text>& declined = {});

}  // namespace varlo

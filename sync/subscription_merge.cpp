#include "sync/subscription_merge.h"

#include <map>

namespace varlo {
namespace {

// The sites of one side by their trimmed address, first entry winning; `order` keeps the side's
// own order for the output.
std::map<Text, SyncedSite> ByAddress(const std::vector<SyncedSite>& sites,
                                     std::vector<Text>* order = nullptr) {
    std::map<Text, SyncedSite> map;
    for (const SyncedSite& site : sites) {
        SyncedSite s = site;
        s.xmlUrl = Text(Trim(site.xmlUrl));
        if (s.xmlUrl.empty()) continue;
        if (map.emplace(s.xmlUrl, s).second && order) order->push_back(s.xmlUrl);
    }
    return map;
}

bool SameNames(const SyncedSite& a, const SyncedSite& b) {
    return a.title == b.title && a.category == b.category;
}

}  // namespace

SubscriptionMerge MergeSubscriptions(const std::vector<SyncedSite>& local,
                                     const std::vector<SyncedSite>& server,
                                     const std::vector<SyncedSite>& base, bool firstSync,
                                     const std::set<Text>& declined) {
    SubscriptionMerge m;
    std::vector<Text> localOrder, serverOrder;
    const auto L = ByAddress(local, &localOrder);
    const auto S = ByAddress(server, &serverOrder);
    const auto B = ByAddress(base);
    // An empty answer is no reason to delete anything: it may as well be a server that lost its
    // data or a wrong account.
    const bool serverEmpty = S.empty();
    const bool removals = !firstSync && !serverEmpty;

    for (const Text& url : localOrder) {
        const SyncedSite& l = L.at(url);
        const auto s = S.find(url);
        const auto b = B.find(url);
        const bool inBase = !firstSync && b != B.end();
        if (s != S.end()) {
            SyncedSite settled = l;
            if (!SameNames(l, s->second)) {
                const bool localChanged = !inBase || !SameNames(l, b->second);
                const bool serverChanged = inBase && !SameNames(s->second, b->second);
                if (serverChanged && !localChanged) {
                    settled = s->second;
                    m.changeLocal.push_back(settled);
                } else {
                    m.changeServer.push_back(settled);
                }
            }
            m.synced.push_back(settled);
        } else if (inBase && removals) {
            m.removeLocal.push_back(url);  // deleted on the server since the last sync
        } else if (inBase && serverEmpty) {
            m.synced.push_back(b->second);  // kept until a server that answers with sites decides
        } else if (!declined.contains(url)) {
            m.addServer.push_back(l);
            m.synced.push_back(l);
        }
    }
    for (const Text& url : serverOrder) {
        if (L.contains(url)) continue;
        const SyncedSite& s = S.at(url);
        const bool inBase = !firstSync && B.contains(url);
        if (inBase) {
            m.removeServer.push_back(url);  // deleted from the file since the last sync
        } else {
            m.addLocal.push_back(s);
            m.synced.push_back(s);
        }
    }
    return m;
}

}  // namespace varlo

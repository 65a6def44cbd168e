#include "store/write_guard.h"

#include <atomic>
#include <utility>

namespace varlo {
namespace {

thread_local bool t_forbidden = false;
std::atomic<uint64_t> g_forbiddenWrites{0};

int OnCommit(void*) {
    if (t_forbidden) g_forbiddenWrites.fetch_add(1, std::memory_order_relaxed);
    return 0;  // the commit goes ahead: the count is for finding the write, not for stopping it
}

}  // namespace

StoreWritesForbiddenHere::StoreWritesForbiddenHere() : m_before(std::exchange(t_forbidden, true)) {}

StoreWritesForbiddenHere::~StoreWritesForbiddenHere() {
    t_forbidden = m_before;
}

uint64_t ForbiddenStoreWrites() {
    return g_forbiddenWrites.load(std::memory_order_relaxed);
}

void WatchStoreWrites(sqlite3* db) {
    sqlite3_commit_hook(db, &OnCommit, nullptr);
}

}  // namespace varlo

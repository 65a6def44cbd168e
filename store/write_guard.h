#pragma once
// A thread that must never wait on a write to the store (the window's) says so; a write committed
// on it while it says so is counted, so that a test finds any write that slipped back there.

#include <sqlite3.h>

#include <cstdint>

namespace varlo {

// While it lives, this thread may read the store but must not write to it.
class StoreWritesForbiddenHere {
  public:
    StoreWritesForbiddenHere();
    ~StoreWritesForbiddenHere();
    StoreWritesForbiddenHere(const StoreWritesForbiddenHere&) = delete;
    StoreWritesForbiddenHere& operator=(const StoreWritesForbiddenHere&) = delete;

  private:
    bool m_before;
};

// The writes committed so far, in this process, on threads that forbade them.
uint64_t ForbiddenStoreWrites();

// Watches the commits of the connection `db`.
void WatchStoreWrites(sqlite3* db);

}  // namespace varlo

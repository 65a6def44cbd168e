#pragma once
// The store's connections for the worker pool: each worker thread keeps one to each store file it
// has worked on, opened at its first piece of work there. Reads run beside each other and beside
// the writer, and no piece of work opens a connection of its own or needs a fallback of its own.

#include <string>

namespace varlo {

class CFeedStore;

// The calling thread's connection to the store at `path`, which the window opened (made, checked
// and migrated) before; null when it cannot be opened. A store file replaced since (a damaged one
// moved aside and made anew) gets a new connection. For reads and for work that waits on no one;
// the window's writes go through its writer. Never call on the window's thread.
CFeedStore* WorkerStore(const std::string& path);

}  // namespace varlo

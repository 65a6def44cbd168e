#include "store/worker_store.h"

#include <sys/stat.h>

#include <iterator>
#include <memory>
#include <vector>

#include "store/feed_store.h"

namespace varlo {
namespace {

struct Connection {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    std::unique_ptr<CFeedStore> store;
};

// A worker seldom works on more than one store; tests make a new one for each case.
constexpr size_t kKeptPerThread = 4;

}  // namespace

CFeedStore* WorkerStore(const std::string& path) {
    thread_local std::vector<Connection> connections;
    if (path.empty()) return nullptr;
    struct stat file {};
    if (lstat(path.c_str(), &file) != 0) return nullptr;
    for (auto it = connections.begin(); it != connections.end(); ++it) {
        if (it->path != path) continue;
        if (it->device == file.st_dev && it->inode == file.st_ino) return it->store.get();
        connections.erase(it);
        break;
    }
    auto store = std::make_unique<CFeedStore>();
    if (!store->OpenAnother(path)) return nullptr;
    if (connections.size() >= kKeptPerThread) connections.erase(connections.begin());
    connections.push_back({path, file.st_dev, file.st_ino, std::move(store)});
    return connections.back().store.get();
}

}  // namespace varlo

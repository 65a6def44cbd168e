#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace varlo {
namespace {

TEST(WorkerPool, RunsEveryPieceOfWorkOffTheCallersThreadAndWaitsUntilIdle) {
    WorkerPool pool(2);
    std::atomic<int> done{0};
    std::mutex mutex;
    std::set<std::thread::id> threads;
    for (int i = 0; i < 200; ++i) {
        pool.Post([&] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            ++done;
        });
    }
    pool.WaitIdle();
    EXPECT_EQ(done.load(), 200);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_LE(threads.size(), 2u);

    // After Stop the work already posted has run and later work is dropped.
    pool.Post([&] { ++done; });
    pool.Stop();
    EXPECT_EQ(done.load(), 201);
    pool.Post([&] { ++done; });
    EXPECT_EQ(done.load(), 201);
}

}  // namespace
}  // namespace varlo

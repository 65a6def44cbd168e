// Hostile feeds read and recorded as an update does: what they cost the store file and the
// memory of the update stays within bounds, whatever they repeat or invent at every answer.

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/allocator.h"
#include "store/library.h"
#include "support/test_support.h"
#include "update/feed_reading.h"
#include "update/library_articles.h"

namespace varlo {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kT0 = 1700000000;

// The size of the store's file. (Its log is cut back to 4 MB after each checkpoint.)
int64_t FileBytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Reads the feed file at `path` and records it as a download of `url` at `now`: what an update
// does with a body. The number of new articles, -1 when it is no feed or was not recorded.
int ReadAndRecord(CLibrary& library, const std::string& path, const Text& url, int64_t now) {
    const FeedReading reading = ReadFeedBody(path, url);
    if (!reading.isFeed) return -1;
    return library.RecordFeed(url, {}, LibraryArticlesOf(*reading.feed), now, true);
}

TEST(StoreBounds, AFeedLevelAuthorOfAMegabyteInAThousandEntriesCostsNeitherMemoryNorDisk) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds give every node a heap block of its own";
#endif
    test::MessageCapture quiet;
    test::TempDir dir;
    const std::string feed = dir.File("feed.xml");
    const std::string storePath = dir.File("varlo.db");
    {
        std::string body =
            "<?xml version='1.0' encoding='utf-8'?><feed xmlns='http://www.w3.org/2005/Atom'>"
            "<title>t</title><author><name>" +
            std::string(1 << 20, 'a') + "</name></author>";
        for (int i = 0; i < 1000; ++i) {
            body += "<entry><id>e" + std::to_string(i) + "</id><title>entry " + std::to_string(i) +
                    "</title><updated>2024-01-01T00:00:00Z</updated></entry>";
        }
        body += "</feed>";
        test::WriteFile(feed, body);
    }
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(storePath));
    }
    struct stat info {};
    ASSERT_EQ(stat(feed.c_str(), &info), 0);
    const auto decoded = static_cast<size_t>(info.st_size);
    int added = -2;
    int pipeAdded[2];
    ASSERT_EQ(pipe(pipeAdded), 0);
    const size_t peak = test::ResidentPeakOfInChild([&] {
        CFeedStore store;
        int result = -1;
        if (store.OpenAnother(storePath)) {
            CLibrary library(store);
            result = ReadAndRecord(library, feed, "https://example.com/feed", kT0);
        }
        (void)!write(pipeAdded[1], &result, sizeof result);
    });
    (void)!read(pipeAdded[0], &added, sizeof added);
    close(pipeAdded[0]);
    close(pipeAdded[1]);
    EXPECT_EQ(added, 1000);
    EXPECT_LE(peak, 16 * decoded + (32 << 20)) << "peak " << peak << " for " << decoded;
    // Each article keeps 2 KB of the author.
    EXPECT_LT(FileBytes(storePath), 8 << 20);
    RecordProperty("peak_bytes", std::to_string(peak));
    RecordProperty("store_bytes", std::to_string(FileBytes(storePath)));
}

TEST(StoreBounds, NewLongGuidsAtEveryUpdateKeepTheStoreWithinTheSitesShareAndItGoesWithTheSite) {
    // Ten updates of new 1 KB guids (which are their links too), a twentieth of a feed of
    // 25,000 against a twentieth of a site's limits: the store may hold the site's share and
    // half again for its indexes.
    constexpr int kPerUpdate = 1250;
    constexpr int64_t kShare = CLibrary::kMaxTextPerSite / 20;
    constexpr int64_t kBound = kShare * 3 / 2;
    test::MessageCapture quiet;
    test::TempDir dir;
    const std::string storePath = dir.File("varlo.db");
    const std::string feed = dir.File("feed.xml");
    CFeedStore store;
    ASSERT_TRUE(store.Open(storePath));
    CLibrary library(store);
    library.SetSiteLimits(CLibrary::kMaxArticlesPerSite / 20, kShare);
    int64_t largest = 0;
    for (int update = 0; update < 10; ++update) {
        std::string body =
            "<?xml version='1.0' encoding='utf-8'?><rss version='2.0'><channel><title>t</title>";
        for (int i = 0; i < kPerUpdate; ++i) {
            std::string guid =
                "https://example.com/" + std::to_string(update * kPerUpdate + i) + "/";
            guid.resize(1024, 'g');
            body += "<item><guid>" + guid + "</guid><title>t</title></item>";
        }
        body += "</channel></rss>";
        test::WriteFile(feed, body);
        ASSERT_EQ(ReadAndRecord(library, feed, "https://example.com/feed", kT0 + update * 3600),
                  kPerUpdate);
        largest = std::max(largest, FileBytes(storePath));
    }
    EXPECT_LE(largest, kBound);
    RecordProperty("largest_store_bytes", std::to_string(largest));

    // The site deleted: once the store forgets it, the file gives its pages back.
    ASSERT_TRUE(library.Prune(kT0 + 60 * kDay, 90));
    EXPECT_EQ(library.Count(LibraryView::Site("https://example.com/feed")), 0);
    EXPECT_LT(FileBytes(storePath), kBound / 4);
    EXPECT_TRUE(library.CheckSearchIndex());
}

}  // namespace
}  // namespace varlo

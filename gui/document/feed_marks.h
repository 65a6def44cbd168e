#pragma once
// The window's one connection to the store and the feed cache, opened at first use and again
// whenever the program folder has changed since.

#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "store/store_writer.h"

namespace varlo {

class COpmlFile;

class CFeedMarks {
  public:
    // The store in the program folder; when an old store had to be moved aside, the user is told
    // once, when it is opened. A store that cannot be opened answers as an empty one.
    CFeedStore& Store();
    // The feed cache.
    const CFeedCache& Cache();
    // The reading library on the window's connection to the store: marks and small counts.
    // Views and searches, which may take long, are read on a worker of their own.
    CLibrary& Library();
    // The writer that work off the window's thread records through: one connection of the
    // workers', its pieces run one after the other. Follows the store when it is opened anew.
    std::shared_ptr<CStoreWriter> Writer();
    // The number of unseen articles of the feed at `url`: -1 when never downloaded.
    int UnseenCount(const Text& url) { return url.empty() ? -1 : Store().UnseenCount(url); }
    // Notes that the feeds of an opened subscription file are in use.
    void Touch(const std::vector<Text>& urls);
    // Records which categories of `file` hold each of its sites, for rules over a category.
    void RecordSiteCategories(const COpmlFile& file);
    // Forgets feeds and articles long unused, and their cached bodies.
    void Prune();
    // Whether the window's connection refuses every change from now on (and at every opening):
    // all writing goes through the writer, and the tests hold the window to that.
    void RefuseWindowWrites(bool refuse);
    // Changes the window's connection refused since it was opened.
    int64_t RefusedWindowWrites() const { return m_store.RefusedWrites(); }

  private:
    CFeedStore m_store;
    std::shared_ptr<CStoreWriter> m_writer;
    std::unique_ptr<CLibrary> m_library;
    std::string m_path;
    CFeedCache m_cache{std::string()};
    bool m_cacheSet = false;
    bool m_refuseWrites = false;
};

// The marks of this process.
CFeedMarks& FeedMarks();

}  // namespace varlo

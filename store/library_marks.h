#pragma once
// The read, starred and hidden marks of the library's articles, and the marks queued for a sync
// server. Works on the connection of the CFeedStore it was made over, on that store's thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/library_types.h"
#include "store/pending_marks.h"

namespace varlo {

class CLibraryViews;

class CLibraryMarks {
  public:
    // `views` says which articles a view shows.
    CLibraryMarks(CFeedStore& store, CLibraryViews& views) : m_store(store), m_views(views) {}
    CLibraryMarks(const CLibraryMarks&) = delete;
    CLibraryMarks& operator=(const CLibraryMarks&) = delete;

    bool SetRead(int64_t id, bool read, MarkSource source = MarkSource::kLocal);
    bool SetStarred(int64_t id, bool starred, MarkSource source = MarkSource::kLocal);
    // The same by article key (UTF-8), in every site that holds it; the number of articles
    // found, -1 on error.
    int SetReadByKey(const std::string& key, bool read, MarkSource source = MarkSource::kLocal);
    int SetStarredByKey(const std::string& key, bool starred,
                        MarkSource source = MarkSource::kLocal);
    // Marks every article of the site read (one statement, however many).
    bool MarkSiteRead(const Text& url);
    // Marks every article a view shows read: the unread view marks everything.
    bool MarkViewRead(const LibraryView& view);
    bool MarkAllRead() { return MarkViewRead(LibraryView::Unread()); }
    // Hides the article or shows it again.
    bool SetHidden(int64_t id, bool hidden);

    // Up to `max` marks made locally on articles that have a server id, oldest first.
    std::vector<PendingMark> TakePendingMarks(int64_t max = 1000);
    // Forgets marks that were sent, unless the article was marked again since they were taken.
    bool ClearSentMarks(const std::vector<PendingMark>& sent);

  private:
    // Sets a mark on the articles `where` selects (?2: the id, or ?2 and ?3: the key's hash and
    // the key), queued for the sync server when the user made it.
    bool SetMark(MarkKind kind, bool value, const char* where, std::string_view key, int64_t id,
                 MarkSource source);
    bool MarkRead(const std::vector<int64_t>& ids);
    int CountByKey(const std::string& key);

    CFeedStore& m_store;
    CLibraryViews& m_views;
};

}  // namespace varlo

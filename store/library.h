#pragma once
// The reading library: every article Varlo read, kept in the store beside the feeds it came from,
// with its read and starred marks, views for the window's virtual lists, full-text search and
// the limits that keep any one feed from filling the disk.
//
// Each concern is a class of its own over the same store: the views and the search
// (CLibraryViews), the marks (CLibraryMarks), the articles as a sync server knows them
// (CLibrarySyncIds) and the recording with what keeps the library to its limits
// (CLibraryRecorder). A CLibrary is all of them together, for callers that need more than one.
//
// Article texts are UTF-8 (characters the window carries as references are themselves here);
// feed addresses are Text, as the rest of the store takes them. A CLibrary works on the
// connection of the CFeedStore it was made over, on that store's thread; a worker makes its own
// CLibrary over its connection (WorkerStore) or the writer's.

#include "store/feed_store.h"
#include "store/library_marks.h"
#include "store/library_record.h"
#include "store/library_server_ids.h"
#include "store/library_types.h"
#include "store/library_views.h"

namespace varlo {

class CLibrary : public CLibraryViews,
                 public CLibraryMarks,
                 public CLibrarySyncIds,
                 public CLibraryRecorder {
  public:
    explicit CLibrary(CFeedStore& store)
        : CLibraryViews(store),
          CLibraryMarks(store, *this),
          CLibrarySyncIds(store),
          CLibraryRecorder(store, *this, *this) {}
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
};

}  // namespace varlo

#pragma once
// The article list's rows while it shows a view of the library: the view's article ids as they
// were when it was read (rows stay in place while the user marks them), and the rows the list
// draws, read by id a page at a time on the window's thread and kept for a few pages.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "store/library.h"

namespace varlo {

class CLibraryRows {
  public:
    static constexpr size_t kPageRows = 100;
    static constexpr size_t kPagesKept = 16;

    // A new view: its ids in order.
    void Reset(std::vector<int64_t> ids);
    size_t Size() const { return m_ids.size(); }
    const std::vector<int64_t>& Ids() const { return m_ids; }
    // The id of `row`, 0 when it is no row.
    int64_t IdAt(size_t row) const { return row < m_ids.size() ? m_ids[row] : 0; }
    // The row with its marks, read from `library` when its page is not at hand; null when it is
    // no row or its article is no longer stored.
    const LibraryRow* At(CLibrary& library, size_t row);
    // The marks changed: rows are read again when next drawn.
    void Forget() {
        m_pages.clear();
        m_lastUse.clear();
    }

  private:
    std::vector<int64_t> m_ids;
    // Page number to its rows, in the order of the ids; an article gone leaves an empty row.
    std::map<size_t, std::vector<LibraryRow>> m_pages;
    uint64_t m_uses = 0;
    std::map<size_t, uint64_t> m_lastUse;
};

}  // namespace varlo

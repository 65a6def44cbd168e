#include "gui/views/library_rows.h"

#include <algorithm>
#include <unordered_map>

namespace varlo {

void CLibraryRows::Reset(std::vector<int64_t> ids) {
    m_ids = std::move(ids);
    m_pages.clear();
    m_lastUse.clear();
}

const LibraryRow* CLibraryRows::At(CLibrary& library, size_t row) {
    if (row >= m_ids.size()) return nullptr;
    const size_t page = row / kPageRows;
    auto found = m_pages.find(page);
    if (found == m_pages.end()) {
        // Drawing a screen asks for a few pages; scrolling far away forgets the oldest.
        if (m_pages.size() >= kPagesKept) {
            auto oldest =
                std::min_element(m_lastUse.begin(), m_lastUse.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
            m_pages.erase(oldest->first);
            m_lastUse.erase(oldest);
        }
        const size_t first = page * kPageRows;
        const size_t end = std::min(m_ids.size(), first + kPageRows);
        const std::vector<int64_t> ids(m_ids.begin() + static_cast<std::ptrdiff_t>(first),
                                       m_ids.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<LibraryRow> read = library.Rows(ids);
        // The rows of articles still stored, in the order asked; a gone one stays an empty row.
        std::unordered_map<int64_t, size_t> at;
        for (size_t i = 0; i < read.size(); ++i) at[read[i].id] = i;
        std::vector<LibraryRow> rows(ids.size());
        for (size_t i = 0; i < ids.size(); ++i) {
            if (auto it = at.find(ids[i]); it != at.end()) rows[i] = std::move(read[it->second]);
        }
        found = m_pages.emplace(page, std::move(rows)).first;
    }
    m_lastUse[page] = ++m_uses;
    const LibraryRow& result = found->second[row - page * kPageRows];
    return result.id != 0 ? &result : nullptr;
}

}  // namespace varlo

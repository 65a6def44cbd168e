#include "subscriptions/opml_file.h"

#include <utility>

#include "subscriptions/compare_text.h"

namespace varlo {

COpmlFile::COpmlFile() : m_strTitle(kDefaultOpmlTitle) {}

COpmlFile::~COpmlFile() = default;

void COpmlFile::Clear() {
    m_strTitle = kDefaultOpmlTitle;
    m_items.clear();
    m_nUnreadItems = 0;
}

void COpmlFile::GetCategories(std::vector<Text>& out) const {
    static const Text kNone;
    const Text* last = &kNone;
    for (const auto& item : m_items) {
        if (item->m_strCategory != *last) {
            out.push_back(item->m_strCategory);
            last = &item->m_strCategory;
        }
    }
}

int COpmlFile::FindInsertPos(const Text& category) const {
    size_t i = 0;
    while (i < m_items.size() && m_items[i]->m_strCategory != category) ++i;
    while (i < m_items.size() && m_items[i]->m_strCategory == category) ++i;
    return static_cast<int>(i);
}

int COpmlFile::CompareItems(const COpmlItem& a, const COpmlItem& b) const {
    const int factor = m_bDescending ? -1 : 1;
    switch (m_nSortKey) {
        case 0: {
            const int c = CompareText(a.m_strCategory, b.m_strCategory, kCompareIgnoreCase);
            if (c != 0) return factor * c;
            return factor * CompareText(a.m_strTitle, b.m_strTitle, kCompareIgnoreCase);
        }
        case 1:
            return factor * CompareText(a.m_strTitle, b.m_strTitle, kCompareIgnoreCase);
        default:
            return 0;
    }
}

// Positions count from 1 as in the classic heapsort; position p is m_items[p - 1]. The slot at
// `k` is empty while `value` is being sifted in.
void COpmlFile::SiftDown(std::unique_ptr<COpmlItem> value, size_t k, size_t limit) {
    auto at = [this](size_t p) -> std::unique_ptr<COpmlItem>& { return m_items[p - 1]; };
    size_t j = 2 * k;
    while (j <= limit) {
        if (j < limit && CompareItems(*at(j), *at(j + 1)) < 0) ++j;
        if (CompareItems(*value, *at(j)) >= 0) break;
        at(k) = std::move(at(j));
        k = j;
        j = 2 * j;
    }
    at(k) = std::move(value);
}

void COpmlFile::Sort() {
    // In file order every pair compares equal, and the heapsort would still exchange entries.
    if (m_nSortKey != 0 && m_nSortKey != 1) return;
    const size_t n = m_items.size();
    for (size_t i = n / 2; i >= 1; --i) SiftDown(std::move(m_items[i - 1]), i, n);
    for (size_t m = n; m >= 2; --m) {
        std::unique_ptr<COpmlItem> value = std::move(m_items[m - 1]);
        m_items[m - 1] = std::move(m_items[0]);
        SiftDown(std::move(value), 1, m - 1);
    }
}

int COpmlFile::FindItem(const COpmlItem* item) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item) return static_cast<int>(i);
    }
    return -1;
}

void COpmlFile::SwapItems(int i, int j) {
    std::swap(m_items[static_cast<size_t>(i)], m_items[static_cast<size_t>(j)]);
}

int COpmlFile::Add(std::unique_ptr<COpmlItem> item) {
    m_items.push_back(std::move(item));
    return GetCount() - 1;
}

void COpmlFile::InsertAt(int index, std::unique_ptr<COpmlItem> item) {
    m_items.insert(m_items.begin() + index, std::move(item));
}

void COpmlFile::RemoveAt(int index) {
    m_items.erase(m_items.begin() + index);
}

std::unique_ptr<COpmlItem> COpmlFile::TakeAt(int index) {
    std::unique_ptr<COpmlItem> item = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    return item;
}

}  // namespace varlo

#pragma once
// The list of subscribed sites: an ordered array of owned entries, a document title and the sort
// settings, with its OPML file form.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "subscriptions/opml_item.h"

namespace varlo {

class CMXMLElement;

class COpmlFile {
  public:
    // An empty list titled "Morva OPML", in file order, ascending.
    COpmlFile();
    virtual ~COpmlFile();
    COpmlFile(const COpmlFile&) = delete;
    COpmlFile& operator=(const COpmlFile&) = delete;
    COpmlFile(COpmlFile&&) = default;
    COpmlFile& operator=(COpmlFile&&) = default;

    // Sets the title to "Morva OPML" and deletes every entry; the sort settings stay.
    void Clear();

    // Replaces the entries and title with those of the OPML file at `path`; true when the file's
    // `body` was found and read. On false the list is left exactly as it was (after a message box
    // for a file that cannot be read or is not OPML).
    bool ReadOpml(const std::string& path);
    // Appends an entry for every childless element below `element` that has a site or feed
    // address; each takes the title (or text) of its nearest enclosing element as category.
    // Outlines with an address that the parser kept as text (nested beyond its cap) are counted
    // in m_nUnreadItems.
    void ReadOutlines(const CMXMLElement& element);
    // Writes the list as an indented OPML file; true when it was saved. A failed save shows a
    // message box and leaves the file that was there before as it was. Characters that no XML
    // 1.0 file may hold (control characters, U+FFFE, U+FFFF) are left out; `*leftOut`, when
    // given, is set to how many.
    bool WriteOpml(const std::string& path, int* leftOut = nullptr) const;

    // Appends to `out` one category per run of equal categories, in list order; leading entries
    // without category add nothing.
    void GetCategories(std::vector<Text>& out) const;
    // The index just after the first run of entries in `category`; the count when none is in it.
    int FindInsertPos(const Text& category) const;

    // Sorts in place by m_nSortKey and m_bDescending with a heapsort; entries that compare equal
    // end in the order the heapsort leaves them. File order (-1) leaves the list unchanged.
    void Sort();
    // <0, 0 or >0 as `a` sorts before, with or after `b` under the current sort settings.
    int CompareItems(const COpmlItem& a, const COpmlItem& b) const;

    // Index of the entry in the list, or -1.
    int FindItem(const COpmlItem* item) const;
    // Exchanges the entries at two valid indexes.
    void SwapItems(int i, int j);

    // Number of entries.
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // The entry at a valid index; the list keeps it.
    COpmlItem* GetAt(int index) const { return m_items[static_cast<size_t>(index)].get(); }
    // Appends an entry and takes ownership of it; returns its index.
    int Add(std::unique_ptr<COpmlItem> item);
    // Inserts an entry at an index from 0 to the count (later entries move up) and owns it.
    void InsertAt(int index, std::unique_ptr<COpmlItem> item);
    // Deletes the entry at a valid index (later entries move down).
    void RemoveAt(int index);
    // Takes the entry at a valid index out of the list without deleting it (later entries move
    // down); the caller owns it.
    std::unique_ptr<COpmlItem> TakeAt(int index);

    Text m_strTitle;             // document title, read from and written to the file's head
    int m_nUnreadItems = 0;      // outlines with an address that the last read could not take
    int32_t m_nSortKey = -1;     // -1 file order, 0 category then title, 1 title
    bool m_bDescending = false;  // sort direction

  private:
    void SiftDown(std::unique_ptr<COpmlItem> value, size_t k, size_t limit);

    std::vector<std::unique_ptr<COpmlItem>> m_items;
};

// What the user is told after a save that left out `count` characters (WriteOpml).
Text LeftOutCharactersMessage(int count);

// The title of a new or cleared list.
inline constexpr const char* kDefaultOpmlTitle = "Morva OPML";

}  // namespace varlo

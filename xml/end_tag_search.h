#pragma once
// Finding where an element ends, for a whole parse. The reader looks for each element's end tag
// in the rest of its parent's content; done naively that rescans the same bytes again and again
// (unclosed tags, deep nesting), so a hostile document of n bytes costs n². A search first scans
// as the reader always did; once the bytes scanned pass a few times the document's size, it builds
// an index of every tag of the document once and answers each further search from it in
// logarithmic time, with the same answers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varlo {

// An end tag found: where it begins and how long it is; `start` is npos when there is none.
struct EndTagMatch {
    size_t start = std::string_view::npos;
    size_t length = 0;
    bool firstTag = false;  // the end tag is the first "<" after the element's name
    bool Found() const { return start != std::string_view::npos; }
};

class EndTagIndex;
class LastEndTags;

// The end-tag searches of one parse of one text. Every slice it is asked about must lie inside
// that text (nested contents do: they are views into it).
class EndTagSearch {
  public:
    explicit EndTagSearch(std::string_view document);
    // A search that scans at most `scanBudget` bytes before it builds its index (0: at once).
    EndTagSearch(std::string_view document, size_t scanBudget);
    ~EndTagSearch();
    EndTagSearch(const EndTagSearch&) = delete;
    EndTagSearch& operator=(const EndTagSearch&) = delete;

    // The text searched.
    std::string_view Document() const { return m_document; }
    // True when `slice` lies inside the text of this search.
    bool Covers(std::string_view slice) const;
    // The end tag of an element called `name` in `text` (a slice of the document that begins
    // right after the element's name), as FindEndTag finds it; positions relative to `text`.
    EndTagMatch Find(std::string_view text, std::string_view name);
    // The search of the parse running on this thread that covers `slice`, or null.
    static EndTagSearch* Current(std::string_view slice);
    // Tells the search that the document's bytes before `position` are never searched again and
    // may be gone (read as zeros). False when the search already depends on them (its index
    // reads every tag's name): they must then stay.
    bool Forget(size_t position);

  private:
    // Makes the table of where each end tag last occurs, and charges it to the parse.
    void MakeLastEndTags();

    std::string_view m_document;
    size_t m_scanBudget;
    std::unique_ptr<LastEndTags> m_lastEndTags;  // made at the first search that finds nothing
    std::unique_ptr<EndTagIndex> m_index;
    EndTagSearch* m_outer;
    bool m_indexFailed = false;
    size_t m_forgotten = 0;   // bytes before this may be gone; an index starts here
    size_t m_prefetched = 0;  // bytes before this were asked into the cache
};

}  // namespace varlo

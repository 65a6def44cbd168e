#include "xml/end_tag_search.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

#include "platform/text.h"
#include "xml/element.h"
#include "xml/parse_limits.h"
#include "xml/tag_scan.h"

namespace varlo {
namespace {

thread_local EndTagSearch* t_current = nullptr;

unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Ends the run of bytes that a tag's name pattern can match: a name never holds these.
bool EndsToken(char c) {
    return c == '<' || c == '>' || IsXmlSpace(c);
}

// Compares two texts as the end-tag search does: ASCII letters without regard to case.
int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = Lower(static_cast<unsigned char>(a[i]));
        const unsigned char y = Lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Walks back over the chain of tags that end right where the next "<" begins: the reader does not
// try a "<" again as the start of a tag when it broke off the match that the "<" before it began,
// so whether a tag is seen depends on how many such tags precede it. Long chains occur only in
// hostile text; past this many the tag is taken as seen.
constexpr size_t kMaxChain = 256;

}  // namespace

// Where each end tag "</name>" of a document last occurs, by name without regard to case: a search
// for a name whose end tag does not occur after its start answers at once (many self-closing
// children, such as "<item/>", would otherwise make every search scan the rest of the document).
class LastEndTags {
  public:
    explicit LastEndTags(std::string_view content) {
        size_t nextGt = std::string_view::npos;
        for (size_t p = content.find("</"); p != std::string_view::npos;
             p = content.find("</", p + 1)) {
            if (nextGt == std::string_view::npos || nextGt < p + 2) {
                nextGt = content.find('>', p + 2);
                if (nextGt == std::string_view::npos) break;
            }
            std::string_view name = content.substr(p + 2, nextGt - p - 2);
            while (!name.empty() && IsXmlSpace(name.back())) name.remove_suffix(1);
            *Lookup(name, true) = p;
        }
    }
    // Bytes the table holds (an estimate of what the allocator hands out).
    size_t Bytes() const {
        size_t bytes = m_last.bucket_count() * sizeof(void*);
        for (const auto& entry : m_last) bytes += 64 + entry.first.capacity();
        return bytes;
    }
    // False when no end tag for `name` starts at or after `position`. Asked before every search
    // once the table exists: looked up without making a lower-cased copy of the name.
    bool MayOccurAfter(std::string_view name, size_t position) const {
        const size_t* last = Lookup(name, false);
        return last != nullptr && *last >= position;
    }

  private:
    // A few names met last, by their very bytes: a feed repeats the same handful of names, and a
    // byte comparison costs less than hashing without regard to case.
    struct Recent {
        std::string name;
        size_t* last = nullptr;
    };
    static size_t Slot(std::string_view name) {
        uint64_t hash = 0;
        for (const char c : name) hash = hash * 31 + static_cast<unsigned char>(c);
        return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ULL) >> 58);
    }
    static constexpr size_t kRecentSlots = 64;
    // The entry for `name`, through the memo; made when it is new and `add` is true, else null.
    size_t* Lookup(std::string_view name, bool add) const {
        Recent& recent = m_recent[Slot(name)];
        // A place never filled matches an empty name ("<>") by its bytes, but points nowhere.
        if (recent.last != nullptr && recent.name == name) return recent.last;
        auto it = m_last.find(name);
        if (it == m_last.end()) {
            if (!add) return nullptr;
            it = m_last.emplace(name, 0).first;
        }
        recent.name.assign(name);
        recent.last = &it->second;
        return recent.last;
    }
    // Names hashed and compared without regard to the case of ASCII letters.
    struct NoCaseHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            uint64_t hash = 14695981039346656037ULL;
            for (const char c : text)
                hash = (hash ^ Lower(static_cast<unsigned char>(c))) * 1099511628211ULL;
            return static_cast<size_t>(hash);
        }
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const {
            return CompareNoCase(a, b) == 0;
        }
    };
    // Mutable: the memo, filled also when the table is only asked, points into it.
    mutable std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> m_last;
    mutable Recent m_recent[kRecentSlots];
};

// Every tag of a document ("<" and the run of name bytes after it), sorted by name so that the tags
// whose name begins with a given one form a range, and for each name searched once, its openings
// and end tags in document order with the nesting level before each.
class EndTagIndex {
  public:
    explicit EndTagIndex(std::string_view document) : m_text(document) {
        const size_t n = document.size();
        size_t knownGt = 0;
        bool knownGtValid = false;
        for (size_t p = 0; p < n;) {
            const void* lt = std::memchr(document.data() + p, '<', n - p);
            if (lt == nullptr) break;
            p = static_cast<size_t>(static_cast<const char*>(lt) - document.data());
            size_t end = p + 1;
            while (end < n && !EndsToken(document[end])) ++end;
            Tag tag;
            tag.pos = static_cast<uint32_t>(p);
            tag.tokenLength = static_cast<uint32_t>(end - p - 1);
            tag.adjacent = end < n && document[end] == '<';
            if (tag.tokenLength >= 1 && document[p + 1] == '/') {
                size_t gt = end;
                while (gt < n && IsXmlSpace(document[gt])) ++gt;
                if (gt < n && document[gt] == '>')
                    tag.closeLength = static_cast<uint32_t>(gt + 1 - p);
            }
            const size_t from = p + std::max<size_t>(tag.tokenLength, 1);
            if (!knownGtValid || knownGt < from) {
                const size_t gt = FindTagEnd(document, from);
                knownGt = gt == std::string_view::npos ? n : gt;
                knownGtValid = true;
            }
            tag.selfClosing = knownGt >= 1 && knownGt - 1 < n && document[knownGt - 1] == '/';
            m_tags.push_back(tag);
            p = end;
        }
        m_sorted.resize(m_tags.size());
        for (uint32_t i = 0; i < m_sorted.size(); ++i) m_sorted[i] = i;
        std::sort(m_sorted.begin(), m_sorted.end(), [this](uint32_t a, uint32_t b) {
            const int order = CompareNoCase(Token(a), Token(b));
            return order != 0 ? order < 0 : a < b;
        });
    }

    // Bytes the index holds.
    size_t Bytes() const {
        return m_tags.capacity() * sizeof(Tag) + m_sorted.capacity() * sizeof(uint32_t) +
               m_tableBytes;
    }

    // The end tag of an element `name` searched from `from` on: the first end tag at the nesting
    // level where the search began. `name` holds no "<" and is not empty.
    EndTagMatch Find(std::string_view name, size_t from) {
        std::string key(name);
        for (char& c : key) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
        auto it = m_tables.find(key);
        if (it == m_tables.end()) it = m_tables.emplace(key, Build(key)).first;
        const NameTable& table = it->second;
        const auto first = std::lower_bound(
            table.events.begin(), table.events.end(), from,
            [this](uint32_t tag, size_t position) { return m_tags[tag].pos < position; });
        if (first == table.events.end()) return {};
        const size_t j0 = static_cast<size_t>(first - table.events.begin());
        const int64_t group = int64_t{table.levelBefore[j0]} - table.lowest;
        if (group < 0 || group + 1 >= static_cast<int64_t>(table.closeStart.size())) return {};
        const auto begin = table.closes.begin() + table.closeStart[static_cast<size_t>(group)];
        const auto end = table.closes.begin() + table.closeStart[static_cast<size_t>(group) + 1];
        const auto close = std::lower_bound(begin, end, static_cast<uint32_t>(j0));
        if (close == end) return {};
        const Tag& tag = m_tags[table.events[*close]];
        return {tag.pos, tag.closeLength};
    }

  private:
    struct Tag {
        uint32_t pos = 0;
        uint32_t tokenLength = 0;
        uint32_t closeLength = 0;  // 0 unless the tag is an end tag "</name>"
        bool adjacent = false;     // its name run ends where the next "<" begins
        bool selfClosing = false;
    };
    struct NameTable {
        std::vector<uint32_t> events;      // tags that open or close the name, in document order
        std::vector<int32_t> levelBefore;  // nesting level before each event
        // The event numbers of the end tags, grouped by the level before them and in document
        // order within a group: those of level `lowest + g` are closes[closeStart[g]] up to
        // closes[closeStart[g + 1]]. One list rather than one per level: deep nesting has as many
        // levels as end tags, and a container for each cost dozens of bytes per tag.
        int32_t lowest = 0;
        std::vector<uint32_t> closeStart;
        std::vector<uint32_t> closes;
    };

    std::string_view Token(uint32_t tag) const {
        return m_text.substr(m_tags[tag].pos + 1, m_tags[tag].tokenLength);
    }

    // Whether the reader tries the "<" of `tag` as the start of `pattern` (the name for an
    // opening, "/" and the name for an end tag).
    bool Seen(uint32_t tag, std::string_view pattern) const {
        size_t chain = 0;
        while (tag > 0 && chain < kMaxChain) {
            const uint32_t before = tag - 1;
            if (!m_tags[before].adjacent) break;
            const std::string_view token = Token(before);
            if (token.size() >= pattern.size() || !StartsWithNoCase(pattern, token)) break;
            ++chain;
            tag = before;
        }
        return chain == kMaxChain || chain % 2 == 0;
    }

    NameTable Build(const std::string& name) {
        std::vector<uint32_t> opens;
        const auto lower =
            std::lower_bound(m_sorted.begin(), m_sorted.end(), std::string_view(name),
                             [this](uint32_t tag, std::string_view value) {
                                 return CompareNoCase(Token(tag), value) < 0;
                             });
        for (auto it = lower; it != m_sorted.end() && StartsWithNoCase(Token(*it), name); ++it) {
            if (!m_tags[*it].selfClosing && Seen(*it, name)) opens.push_back(*it);
        }
        std::sort(opens.begin(), opens.end());

        std::vector<uint32_t> closes;
        const std::string closeName = "/" + name;
        const auto closeLower =
            std::lower_bound(m_sorted.begin(), m_sorted.end(), std::string_view(closeName),
                             [this](uint32_t tag, std::string_view value) {
                                 return CompareNoCase(Token(tag), value) < 0;
                             });
        for (auto it = closeLower;
             it != m_sorted.end() && CompareNoCase(Token(*it), closeName) == 0; ++it) {
            if (m_tags[*it].closeLength != 0 && Seen(*it, closeName)) closes.push_back(*it);
        }
        // Sorted by name, then by position: equal names are already in document order.

        NameTable table;
        table.events.reserve(opens.size() + closes.size());
        std::merge(opens.begin(), opens.end(), closes.begin(), closes.end(),
                   std::back_inserter(table.events));
        table.levelBefore.reserve(table.events.size());
        int32_t level = 0;
        int32_t highest = 0;
        size_t closeCount = 0;
        for (uint32_t j = 0; j < table.events.size(); ++j) {
            table.levelBefore.push_back(level);
            if (m_tags[table.events[j]].closeLength != 0 &&
                CompareNoCase(Token(table.events[j]), closeName) == 0) {
                if (closeCount++ == 0) table.lowest = highest = level;
                table.lowest = std::min(table.lowest, level);
                highest = std::max(highest, level);
                --level;
            } else {
                ++level;
            }
        }
        // An event closes exactly when the level after it is lower: the end tags are put in their
        // groups by counting, each group's in document order.
        const auto isClose = [&](size_t j) {
            const int32_t after =
                j + 1 < table.levelBefore.size() ? table.levelBefore[j + 1] : level;
            return after < table.levelBefore[j];
        };
        if (closeCount > 0) {
            table.closeStart.assign(static_cast<size_t>(highest - table.lowest) + 2, 0);
            for (size_t j = 0; j < table.events.size(); ++j) {
                if (isClose(j)) ++table.closeStart[table.levelBefore[j] - table.lowest + 1];
            }
            for (size_t g = 1; g < table.closeStart.size(); ++g)
                table.closeStart[g] += table.closeStart[g - 1];
            table.closes.resize(closeCount);
            std::vector<uint32_t> next(table.closeStart.begin(), table.closeStart.end() - 1);
            for (size_t j = 0; j < table.events.size(); ++j) {
                if (isClose(j))
                    table.closes[next[table.levelBefore[j] - table.lowest]++] =
                        static_cast<uint32_t>(j);
            }
        }
        m_tableBytes += table.events.size() * (sizeof(uint32_t) * 2 + sizeof(int32_t)) +
                        table.closeStart.size() * sizeof(uint32_t) + name.size() + 64;
        return table;
    }

    std::string_view m_text;
    std::vector<Tag> m_tags;
    std::vector<uint32_t> m_sorted;
    std::unordered_map<std::string, NameTable> m_tables;
    size_t m_tableBytes = 0;
};

// Ordinary documents (a few levels of nesting, every element closed) never spend this: their
// searches scan each level's content about once.
EndTagSearch::EndTagSearch(std::string_view document)
    : EndTagSearch(document, 8 * document.size() + (size_t{1} << 20)) {}

EndTagSearch::EndTagSearch(std::string_view document, size_t scanBudget)
    : m_document(document), m_scanBudget(scanBudget), m_outer(t_current) {
    t_current = this;
}

EndTagSearch::~EndTagSearch() {
    t_current = m_outer;
}

bool EndTagSearch::Covers(std::string_view slice) const {
    const char* begin = m_document.data();
    const char* end = begin + m_document.size();
    return slice.data() >= begin && slice.data() + slice.size() <= end;
}

EndTagSearch* EndTagSearch::Current(std::string_view slice) {
    for (EndTagSearch* search = t_current; search; search = search->m_outer) {
        if (search->Covers(slice)) return search;
    }
    return nullptr;
}

bool EndTagSearch::Forget(size_t position) {
    if (m_index != nullptr) return false;
    m_forgotten = std::max(m_forgotten, std::min(position, m_document.size()));
    return true;
}

EndTagMatch EndTagSearch::Find(std::string_view text, std::string_view name) {
    const size_t from = static_cast<size_t>(text.data() - m_document.data());
    // The searches move through the text from start to end and meet each byte first: a large
    // text has long left the cache since it was converted. Asking for the bytes ahead in time
    // keeps the search from waiting on memory at every line.
    constexpr size_t kAhead = 16384;
    const size_t wanted = std::min(from + kAhead, m_document.size());
    if (m_prefetched < from) m_prefetched = from & ~size_t{63};
    for (; m_prefetched < wanted; m_prefetched += 64) {
        __builtin_prefetch(m_document.data() + m_prefetched);
    }
    // A self-closing tag ("<link href=\"...\"/>" at the top of a feed) has no end tag as a rule:
    // its search would scan the rest of the document, and then the table is made anyway. It is
    // made first instead. The look at the tag ignores quotes, as a wrong guess costs only time.
    constexpr size_t kLongSearch = 65536;
    if (!m_lastEndTags && m_scanBudget > 0 && text.size() > kLongSearch) {
        const void* gt = std::memchr(text.data(), '>', 4096);
        if (gt != nullptr && gt != text.data() && static_cast<const char*>(gt)[-1] == '/') {
            MakeLastEndTags();
        }
    }
    if (m_lastEndTags && !m_lastEndTags->MayOccurAfter(name, from)) return {};
    const bool indexable = !name.empty() && name.find('<') == std::string_view::npos &&
                           m_document.size() < std::numeric_limits<uint32_t>::max() &&
                           from >= m_forgotten;
    if (m_index == nullptr && m_scanBudget == 0 && indexable && !m_indexFailed) {
        // Bytes forgotten lie before every search that is still to come.
        m_index = std::make_unique<EndTagIndex>(m_document.substr(m_forgotten));
        if (!ChargeParseMemory(m_index->Bytes())) {
            m_index.reset();
            m_indexFailed = true;
        }
    }
    if (m_index && indexable) {
        const size_t bytesBefore = m_index->Bytes();
        EndTagMatch match = m_index->Find(name, from - m_forgotten);
        if (!ChargeParseMemory(m_index->Bytes() - bytesBefore)) return {};
        if (!match.Found()) return {};
        match.start += m_forgotten;
        if (match.start + match.length > from + text.size()) return {};
        match.start -= from;
        return match;
    }
    if (m_scanBudget == 0) {
        // A name the index cannot hold, or an index over the memory budget: no more full scans.
        NoteParseLimitReached();
        return {};
    }
    EndTagMatch match;
    const std::ptrdiff_t found = FindEndTag(text, name, &match.length, &match.firstTag);
    const size_t scanned = found < 0 ? text.size() : static_cast<size_t>(found) + match.length;
    m_scanBudget -= std::min(m_scanBudget, scanned);
    if (found >= 0) {
        match.start = static_cast<size_t>(found);
    } else if (!m_lastEndTags) {
        MakeLastEndTags();
    }
    return match;
}

void EndTagSearch::MakeLastEndTags() {
    m_lastEndTags = std::make_unique<LastEndTags>(m_document);
    if (!ChargeParseMemory(m_lastEndTags->Bytes())) m_scanBudget = 0;
}

}  // namespace varlo

#pragma once
// The text a node holds (a name, a value, a run of character data). A tree parsed from a document
// keeps that document's text whole for as long as the tree lives, so its nodes only point into it:
// a large feed is then not copied a second time in hundreds of thousands of small pieces. Text set
// any other way (an edit, a copy of a node, a parse of text the tree does not keep) is owned by the
// node.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varlo {

class NodeText {
  public:
    NodeText() = default;
    // Points into `text` when it lies inside the text that the parse running on this thread keeps
    // (see KeptTextScope), else holds a copy.
    explicit NodeText(std::string_view text) { Assign(text); }
    NodeText(const NodeText& other) { Assign(other.View()); }
    NodeText(NodeText&& other) noexcept : m_data(other.m_data), m_bits(other.m_bits) {
        other.m_data = nullptr;
        other.m_bits = 0;
    }
    NodeText& operator=(const NodeText& other) {
        if (this != &other) Assign(other.View());
        return *this;
    }
    NodeText& operator=(NodeText&& other) noexcept;
    NodeText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    ~NodeText() { Release(); }

    std::string_view View() const { return {m_data, Size()}; }
    operator std::string_view() const { return View(); }
    size_t size() const { return Size(); }
    bool empty() const { return Size() == 0; }
    void clear() {
        Release();
        m_data = nullptr;
        m_bits = 0;
    }
    // Bytes held on the heap for this text (nothing when it points into a kept document).
    size_t HeapBytes() const;

  private:
    static constexpr uint64_t kOwned = uint64_t{1} << 63;
    size_t Size() const { return static_cast<size_t>(m_bits & ~kOwned); }
    void Assign(std::string_view text);
    void Release() noexcept;

    const char* m_data = nullptr;
    uint64_t m_bits = 0;  // the size, and whether the bytes are the node's own
};

inline std::string operator+(std::string left, const NodeText& right) {
    left += right.View();
    return left;
}
inline std::string operator+(const NodeText& left, std::string_view right) {
    std::string out(left.View());
    out += right;
    return out;
}
inline bool operator==(const NodeText& left, std::string_view right) {
    return left.View() == right;
}

// While it lives, nodes made on this thread from text inside `kept` point into it instead of
// copying it. The owner of `kept` must keep it unchanged for as long as any such node lives (the
// element that owns the parsed text, for its subtree). Scopes nest; the innermost one counts.
class KeptTextScope {
  public:
    explicit KeptTextScope(std::string_view kept);
    ~KeptTextScope();
    KeptTextScope(const KeptTextScope&) = delete;
    KeptTextScope& operator=(const KeptTextScope&) = delete;

    // True when `text` lies inside the text kept by the innermost scope of this thread.
    static bool Covers(std::string_view text);
    // The size of the text kept by the innermost scope of this thread (0 without one).
    static size_t KeptSize();

  private:
    std::string_view m_kept;
    KeptTextScope* m_outer;
};

}  // namespace varlo

#pragma once
// An XML element: name, attributes in written order, children, and whether its markup ended with
// its own end tag.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xml/node.h"

namespace varlo {

// Elements nested deeper than this are not parsed into elements: their content is kept as one text
// node, so hostile nesting costs neither stack nor quadratic time.
inline constexpr int kMaxParseDepth = 256;

// At most this many attributes are kept on one tag; the rest are dropped (a hostile tag may hold
// millions) and the parse notes that a limit was reached.
inline constexpr size_t kMaxAttributes = 1000;

// The attributes of an element, in written order, in one block of exactly their number that also
// holds the count. Most elements of a feed have none, so the list costs one pointer until the
// first arrives.
class CMXMLAttributeList {
  public:
    CMXMLAttributeList() = default;
    CMXMLAttributeList(const CMXMLAttributeList& other) {
        Store(std::vector<CMXMLAttribute>(other.begin(), other.end()));
    }
    CMXMLAttributeList& operator=(const CMXMLAttributeList& other) {
        if (this != &other) Store(std::vector<CMXMLAttribute>(other.begin(), other.end()));
        return *this;
    }

    size_t size() const { return m_block ? m_block->count : 0; }
    bool empty() const { return size() == 0; }
    CMXMLAttribute& operator[](size_t index) { return m_block->Items()[index]; }
    const CMXMLAttribute& operator[](size_t index) const { return m_block->Items()[index]; }
    const CMXMLAttribute* begin() const { return m_block ? m_block->Items() : nullptr; }
    const CMXMLAttribute* end() const {
        return m_block ? m_block->Items() + m_block->count : nullptr;
    }
    // Bytes the list holds on the heap, its attributes' texts included (an estimate of what the
    // allocator hands out).
    size_t HeapBytes() const;
    void clear() { m_block.reset(); }
    void emplace_back(std::string_view name, std::string_view value) {
        std::vector<CMXMLAttribute> all = Taken();
        all.emplace_back(name, value);
        Store(std::move(all));
    }
    // Moves `more` to the end.
    void Append(std::vector<CMXMLAttribute>&& more) {
        if (more.empty()) return;
        if (empty()) {
            Store(std::move(more));
            return;
        }
        std::vector<CMXMLAttribute> all = Taken();
        for (CMXMLAttribute& attribute : more) all.push_back(std::move(attribute));
        Store(std::move(all));
    }
    void erase(size_t index) {
        std::vector<CMXMLAttribute> all = Taken();
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(index));
        Store(std::move(all));
    }

  private:
    struct Block {
        size_t count = 0;  // attributes constructed behind this header
        CMXMLAttribute* Items() { return reinterpret_cast<CMXMLAttribute*>(this + 1); }
        const CMXMLAttribute* Items() const {
            return reinterpret_cast<const CMXMLAttribute*>(this + 1);
        }
    };
    struct BlockDeleter {
        void operator()(Block* block) const;
    };

    // The attributes moved out; the list is left empty.
    std::vector<CMXMLAttribute> Taken();
    // Replaces the block by one holding `all`.
    void Store(std::vector<CMXMLAttribute>&& all);

    std::unique_ptr<Block, BlockDeleter> m_block;
};

class CMXMLElement : public CMXMLNode {
  public:
    CMXMLElement() = default;
    // Builds the element from the markup of one element (start tag, content, end tag).
    explicit CMXMLElement(std::string_view markup);

    int GetNodeType() const override { return kElementNode; }
    std::string_view NodeName() const override { return m_name; }
    void SetNodeName(std::string_view name) override { m_name = name; }
    // Replaces the content by the nodes parsed from `text`.
    void SetNodeValue(std::string_view text) override;
    Text GetText() const override;
    void AppendText(Text& out) const override;
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    Text GetXML() const override;

    // The value of the first attribute called `name`, or empty text.
    Text GetAttribute(std::string_view name) const;
    // 0-based index of the first attribute called `name`, or -1.
    int FindAttribute(std::string_view name) const;
    // Number of attributes.
    int GetAttributeCount() const { return static_cast<int>(m_attributes.size()); }
    // The attribute at a 0-based index (the caller keeps the index in range).
    const CMXMLAttribute& GetAttributeAt(int index) const {
        return m_attributes[static_cast<size_t>(index)];
    }
    // Bytes the attributes hold on the heap (an estimate of what the allocator hands out).
    size_t AttributeHeapBytes() const { return m_attributes.HeapBytes(); }
    size_t HeapBytes() const override { return NameHeapBytes() + m_attributes.HeapBytes(); }
    size_t NameHeapBytes() const { return m_name.HeapBytes(); }
    // Sets, adds or (for an empty value or "\"\"") removes an attribute.
    void SetAttribute(std::string_view name, std::string_view value);

    // Every descendant element called `name`, in document order (this element excluded).
    CMXMLNodeList GetElementsByTagName(std::string_view name) const;
    // The first descendant element called `name` in document order, or null; builds no list.
    CMXMLElement* FindFirstElement(std::string_view name) const;

    // Builds this element from its markup text. The element keeps a copy of the text that its
    // nodes point into, unless the text is already kept by the parse running on this thread.
    // `plainContent` tells that no "<" stands between its start tag and its end tag, so that its
    // content is one text without a second look.
    void ParseXML(std::string_view text, bool plainContent = false);
    // The same from a text the element takes over: its nodes point into it, nothing is copied.
    // `markup` is the part of `text` to parse.
    void ParseKeptXML(std::string&& text, std::string_view markup);
    // Takes the name and attributes from the first tag of the text; answers where that tag ends
    // (npos when it does not).
    size_t ParseStartTag(std::string_view text);
    // Adds the attributes written in the text (the part of a start tag after the name).
    void ParseAttributes(std::string_view text);

    // Markup of the start tag ("<name a=\"v\">", or "<name />" without children).
    Text GetStartTag() const;
    // Markup of the end tag, or empty text.
    Text GetEndTag() const;

    bool HasEndTag() const { return m_hasEndTag; }
    void SetHasEndTag(bool hasEndTag) { m_hasEndTag = hasEndTag; }

    // Nesting level of this element while it is parsed (1 for a root element).
    int ParseDepth() const { return m_parseDepth; }
    void SetParseDepth(int depth) {
        m_parseDepth = static_cast<uint16_t>(depth < 0 ? 0 : depth > 65535 ? 65535 : depth);
    }

  private:
    // A text that nodes of this subtree point into; an element parsed more than once keeps the
    // texts of every parse, as nodes of the earlier ones may still be there.
    struct KeptText {
        KeptText() = default;
        KeptText(const KeptText&) = delete;
        KeptText& operator=(const KeptText&) = delete;
        ~KeptText();  // the text's buffer serves the next reading
        std::string text;
        std::unique_ptr<KeptText> earlier;
    };
    // Parses `text` as this element's markup; nodes point into text that the parse keeps.
    void ParseMarkup(std::string_view text, bool plainContent = false);
    // Keeps `text` (moved in) with this element and returns where it now lies.
    std::string_view Keep(std::string&& text);

    NodeText m_name;
    CMXMLAttributeList m_attributes;
    std::unique_ptr<KeptText> m_kept;
    uint16_t m_parseDepth = 1;
    bool m_hasEndTag = true;
};

}  // namespace varlo

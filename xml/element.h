#pragma once
// An XML element: name, attributes in written order, children, and whether its markup ended with
// its own end tag.

#include <cstddef>
#include <vector>

#include "xml/node.h"

namespace varlo {

// Elements nested deeper than this are not parsed into elements: their content is kept as one text
// node, so hostile nesting costs neither stack nor quadratic time.
inline constexpr int kMaxParseDepth = 256;

// At most this many attributes are kept on one tag; the rest are dropped (a hostile tag may hold
// millions) and the parse notes that a limit was reached.
inline constexpr size_t kMaxAttributes = 1000;

class CMXMLElement : public CMXMLNode {
  public:
    CMXMLElement() = default;
    // Builds the element from the markup of one element (start tag, content, end tag).
    explicit CMXMLElement(std::string_view markup);

    int GetNodeType() const override { return kElementNode; }
    const Text& NodeName() const override { return m_name; }
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
    // Sets, adds or (for an empty value or "\"\"") removes an attribute.
    void SetAttribute(std::string_view name, std::string_view value);

    // Every descendant element called `name`, in document order (this element excluded).
    CMXMLNodeList GetElementsByTagName(std::string_view name) const;
    // The first descendant element called `name` in document order, or null; builds no list.
    CMXMLElement* FindFirstElement(std::string_view name) const;

    // Builds this element from its markup text.
    void ParseXML(std::string_view text);
    // Takes the name and attributes from the first tag of the text.
    void ParseStartTag(std::string_view text);
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
    void SetParseDepth(int depth) { m_parseDepth = depth; }

  private:
    Text m_name;
    std::vector<CMXMLAttribute> m_attributes;
    bool m_hasEndTag = true;
    int m_parseDepth = 1;
};

// Position in `text` where the end tag closing an element called `name` begins ("</name>", white
// space allowed before its ">"), or -1. `endTagLength`, when given, receives the end tag's length.
std::ptrdiff_t FindEndTag(std::string_view text, std::string_view name,
                          size_t* endTagLength = nullptr);

// Position of the ">" that ends the tag beginning at or after `from`: the first one outside a
// quoted attribute value; npos when there is none.
size_t FindTagEnd(std::string_view text, size_t from);

}  // namespace varlo

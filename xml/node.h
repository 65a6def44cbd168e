#pragma once
// The XML node tree: a small DOM whose names, values and texts are code page 932 bytes held exactly
// as written (no entity or character reference is ever decoded or encoded).

#include <memory>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "xml/node_text.h"

namespace varlo {

class CMXMLNode;
class CMXMLElement;

// W3C DOM node type codes.
enum XmlNodeType : int {
    kElementNode = 1,
    kAttributeNode = 2,
    kTextNode = 3,
    kCDATASectionNode = 4,
    kCommentNode = 8,
    kDocumentNode = 9,
};

// An ordered list of node pointers (a query result, or a snapshot of a node's children). It owns
// nothing and must not outlive the tree it points into.
class CMXMLNodeList {
  public:
    // Number of entries.
    int GetCount() const { return static_cast<int>(m_nodes.size()); }
    // The node at a 0-based position; null when out of range.
    CMXMLNode* Item(int index) const {
        return index >= 0 && index < GetCount() ? m_nodes[static_cast<size_t>(index)] : nullptr;
    }
    // Appends one pointer.
    void AddTail(CMXMLNode* node) { m_nodes.push_back(node); }
    // Appends every pointer of another list, in order.
    void AddTail(const CMXMLNodeList& list);
    // Drops the entries, never the nodes.
    void RemoveAll() { m_nodes.clear(); }

    // Parses element content into nodes appended to `parent`. False when a comment or CDATA
    // section has no terminator (what was read before it stays).
    static bool ParseNodes(std::string_view text, CMXMLNode* parent);

    auto begin() const { return m_nodes.begin(); }
    auto end() const { return m_nodes.end(); }

  private:
    std::vector<CMXMLNode*> m_nodes;
};

// Base of every node. A node owns its children, which it keeps as a chain of sibling links (no
// per-node array: a large feed has hundreds of thousands of nodes). Destroying a node destroys the
// whole subtree without recursion, so that a deep tree cannot exhaust the stack.
class CMXMLNode {
  public:
    CMXMLNode() = default;
    CMXMLNode(const CMXMLNode&) = delete;
    CMXMLNode& operator=(const CMXMLNode&) = delete;
    virtual ~CMXMLNode();

    // Nodes live in the node pool (sized delete: the virtual destructor passes the real size).
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;

    // The W3C type code of the node.
    virtual int GetNodeType() const = 0;
    // Sets the name (character data keep their fixed names).
    virtual void SetNodeName(std::string_view) {}
    // A copy of the name.
    Text GetNodeName() const { return Text(NodeName()); }
    // A copy of the value.
    Text GetNodeValue() const { return Text(NodeValue()); }
    // True when the node has children.
    bool HasChildNodes() const { return m_firstChild != nullptr; }
    // Sets the value (an element parses the text as its new content instead).
    virtual void SetNodeValue(std::string_view) {}
    // The node's text: its value; elements concatenate their children's text, comments give none.
    virtual Text GetText() const;
    // A detached deep copy.
    virtual std::unique_ptr<CMXMLNode> CloneNode() const = 0;
    // The node as markup.
    virtual Text GetXML() const { return {}; }

    // The name and value without copying; valid while the node lives and is not changed.
    virtual std::string_view NodeName() const { return {}; }
    virtual std::string_view NodeValue() const { return {}; }

    // A snapshot of the children, in order (walk GetFirstChild / GetNextSibling to avoid it).
    CMXMLNodeList GetChildNodes() const;
    CMXMLNode* GetFirstChild() const { return m_firstChild; }
    CMXMLNode* GetLastChild() const { return m_firstChild ? m_firstChild->m_prev : nullptr; }
    CMXMLNode* GetNextSibling() const { return m_next; }
    CMXMLNode* GetPreviousSibling() const {
        return m_parent && m_parent->m_firstChild == this ? nullptr : m_prev;
    }
    CMXMLNode* GetParentNode() const { return m_parent; }

    // Appends `node` as the last child and takes ownership of it; returns it. A node that already
    // is a child of this node moves to the end.
    CMXMLNode* AppendChild(CMXMLNode* node);
    template <typename T>
    T* AppendChild(std::unique_ptr<T> node) {
        T* raw = node.release();
        AppendChild(static_cast<CMXMLNode*>(raw));
        return raw;
    }

    // Takes the last child out of the tree and hands it to the caller; null when there is none.
    std::unique_ptr<CMXMLNode> RemoveLastChild();

    // Appends the text of this subtree (as GetText gives it) to `out`.
    virtual void AppendText(Text& out) const;
    // Bytes the node holds on the heap besides itself (its children not included): an estimate
    // of what the allocator hands out.
    virtual size_t HeapBytes() const { return 0; }

  protected:
    // Destroys every child.
    void DeleteChildren();

  private:
    CMXMLNode* m_firstChild = nullptr;
    // The previous sibling; the first child's points to the last child instead, which saves a
    // pointer in every node (a large feed has hundreds of thousands).
    CMXMLNode* m_prev = nullptr;
    CMXMLNode* m_next = nullptr;
    CMXMLNode* m_parent = nullptr;
};

// Base of text, CDATA and comment nodes: a value and a fixed name.
class CMXMLCharacterData : public CMXMLNode {
  public:
    std::string_view NodeValue() const override { return m_value; }
    void SetNodeValue(std::string_view value) override { m_value = value; }
    void AppendText(Text& out) const override { out += m_value.View(); }
    size_t HeapBytes() const override { return m_value.HeapBytes(); }

  protected:
    NodeText m_value;
};

// A run of character data (node name "#text").
class CMXMLTextNode : public CMXMLCharacterData {
  public:
    CMXMLTextNode();
    explicit CMXMLTextNode(std::string_view value);
    int GetNodeType() const override { return kTextNode; }
    std::string_view NodeName() const override { return "#text"; }
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    Text GetXML() const override { return Text(m_value.View()); }
};

// A CDATA section (node name "#cdata-section"); its value is the text between the delimiters.
class CMXMLCDATASection : public CMXMLTextNode {
  public:
    CMXMLCDATASection();
    explicit CMXMLCDATASection(std::string_view value);
    int GetNodeType() const override { return kCDATASectionNode; }
    std::string_view NodeName() const override { return "#cdata-section"; }
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    Text GetXML() const override;
};

// A comment (node name "#comment"); it contributes nothing to text.
class CMXMLComment : public CMXMLCharacterData {
  public:
    CMXMLComment();
    explicit CMXMLComment(std::string_view value);
    int GetNodeType() const override { return kCommentNode; }
    std::string_view NodeName() const override { return "#comment"; }
    Text GetText() const override { return {}; }
    void AppendText(Text&) const override {}
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    Text GetXML() const override;
};

// An attribute: its name and value; held by value in its element.
class CMXMLAttribute : public CMXMLNode {
  public:
    CMXMLAttribute() = default;
    // Stores the name and the value with surrounding double quotes removed.
    CMXMLAttribute(std::string_view name, std::string_view value);
    CMXMLAttribute(const CMXMLAttribute& other);
    CMXMLAttribute& operator=(const CMXMLAttribute& other);
    CMXMLAttribute(CMXMLAttribute&& other) noexcept;
    CMXMLAttribute& operator=(CMXMLAttribute&& other) noexcept;

    int GetNodeType() const override { return kAttributeNode; }
    std::string_view NodeName() const override { return m_name; }
    std::string_view NodeValue() const override { return m_value; }
    void SetNodeName(std::string_view name) override { m_name = name; }
    // Assigns without removing anything.
    void SetNodeValue(std::string_view value) override { m_value = value; }
    void AppendText(Text& out) const override { out += m_value.View(); }
    size_t HeapBytes() const override { return m_name.HeapBytes() + m_value.HeapBytes(); }
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    Text GetXML() const override;
    // Sets the value, then strips surrounding single quotes, then surrounding double quotes.
    void SetValue(std::string_view value);

  private:
    NodeText m_name;
    NodeText m_value;
};

}  // namespace varlo

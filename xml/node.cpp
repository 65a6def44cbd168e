#include "xml/node.h"

#include <utility>

#include "xml/node_pool.h"

namespace varlo {

void CMXMLNodeList::AddTail(const CMXMLNodeList& list) {
    m_nodes.insert(m_nodes.end(), list.m_nodes.begin(), list.m_nodes.end());
}

CMXMLNode::~CMXMLNode() {
    DeleteChildren();
}

void* CMXMLNode::operator new(std::size_t size) {
    return xmlpool::Allocate(size);
}

void CMXMLNode::operator delete(void* block, std::size_t size) noexcept {
    xmlpool::Free(block, size);
}

void CMXMLNode::DeleteChildren() {
    // The subtree is taken apart from the top: each node's children are moved to the front of the
    // chain before the node itself is deleted, so no destructor recurses however deep the tree is.
    CMXMLNode* pending = m_firstChild;
    m_firstChild = nullptr;
    while (pending) {
        CMXMLNode* node = pending;
        if (node->m_firstChild) {
            node->m_firstChild->m_prev->m_next = node->m_next;
            pending = node->m_firstChild;
            node->m_firstChild = nullptr;
        } else {
            pending = node->m_next;
        }
        delete node;
    }
}

CMXMLNodeList CMXMLNode::GetChildNodes() const {
    CMXMLNodeList list;
    for (CMXMLNode* child = m_firstChild; child; child = child->m_next) list.AddTail(child);
    return list;
}

CMXMLNode* CMXMLNode::AppendChild(CMXMLNode* node) {
    if (node == nullptr) return nullptr;
    if (node->m_parent == this) {
        // Already a child: it is taken out of its place and goes to the end.
        CMXMLNode* last = m_firstChild->m_prev;
        if (node == last) return node;
        CMXMLNode* next = node->m_next;  // not null: the node is not the last
        if (node == m_firstChild) {
            m_firstChild = next;
            next->m_prev = last;
        } else {
            node->m_prev->m_next = next;
            next->m_prev = node->m_prev;
        }
    }
    node->m_parent = this;
    node->m_next = nullptr;
    if (m_firstChild) {
        CMXMLNode* last = m_firstChild->m_prev;
        last->m_next = node;
        node->m_prev = last;
        m_firstChild->m_prev = node;
    } else {
        m_firstChild = node;
        node->m_prev = node;
    }
    return node;
}

std::unique_ptr<CMXMLNode> CMXMLNode::RemoveLastChild() {
    if (m_firstChild == nullptr) return nullptr;
    CMXMLNode* last = m_firstChild->m_prev;
    if (last == m_firstChild) {
        m_firstChild = nullptr;
    } else {
        last->m_prev->m_next = nullptr;
        m_firstChild->m_prev = last->m_prev;
    }
    last->m_parent = nullptr;
    last->m_prev = nullptr;
    last->m_next = nullptr;
    return std::unique_ptr<CMXMLNode>(last);
}

Text CMXMLNode::GetText() const {
    Text out;
    AppendText(out);
    return out;
}

void CMXMLNode::AppendText(Text& out) const {
    out += NodeValue();
}

CMXMLTextNode::CMXMLTextNode() = default;

CMXMLTextNode::CMXMLTextNode(std::string_view value) {
    m_value = value;
}

std::unique_ptr<CMXMLNode> CMXMLTextNode::CloneNode() const {
    return std::make_unique<CMXMLTextNode>(m_value);
}

CMXMLCDATASection::CMXMLCDATASection() = default;

CMXMLCDATASection::CMXMLCDATASection(std::string_view value) {
    m_value = value;
}

std::unique_ptr<CMXMLNode> CMXMLCDATASection::CloneNode() const {
    return std::make_unique<CMXMLCDATASection>(m_value);
}

Text CMXMLCDATASection::GetXML() const {
    return "<![CDATA[" + m_value + "]]>";
}

CMXMLComment::CMXMLComment() = default;

CMXMLComment::CMXMLComment(std::string_view value) {
    m_value = value;
}

std::unique_ptr<CMXMLNode> CMXMLComment::CloneNode() const {
    return std::make_unique<CMXMLComment>(m_value);
}

Text CMXMLComment::GetXML() const {
    return "<!--" + m_value + "-->";
}

namespace {

std::string_view StripAll(std::string_view text, char quote) {
    while (!text.empty() && text.front() == quote) text.remove_prefix(1);
    while (!text.empty() && text.back() == quote) text.remove_suffix(1);
    return text;
}

}  // namespace

CMXMLAttribute::CMXMLAttribute(std::string_view name, std::string_view value)
    : m_name(name), m_value(StripAll(value, '"')) {}

CMXMLAttribute::CMXMLAttribute(const CMXMLAttribute& other)
    : CMXMLNode(), m_name(other.m_name), m_value(other.m_value) {}

CMXMLAttribute& CMXMLAttribute::operator=(const CMXMLAttribute& other) {
    m_name = other.m_name;
    m_value = other.m_value;
    return *this;
}

CMXMLAttribute::CMXMLAttribute(CMXMLAttribute&& other) noexcept
    : CMXMLNode(), m_name(std::move(other.m_name)), m_value(std::move(other.m_value)) {}

CMXMLAttribute& CMXMLAttribute::operator=(CMXMLAttribute&& other) noexcept {
    m_name = std::move(other.m_name);
    m_value = std::move(other.m_value);
    return *this;
}

std::unique_ptr<CMXMLNode> CMXMLAttribute::CloneNode() const {
    return std::make_unique<CMXMLAttribute>(m_name, m_value);
}

Text CMXMLAttribute::GetXML() const {
    if (m_value.empty()) return Text(m_name.View());
    Text out;
    out.reserve(m_name.size() + m_value.size() + 3);
    // A value read from single quotes may hold double quotes: it goes back in single quotes, so
    // that it reads the same again.
    const std::string_view value = m_value;
    const char quote =
        value.find('"') != std::string_view::npos && value.find('\'') == std::string_view::npos
            ? '\''
            : '"';
    out += m_name.View();
    out += '=';
    out += quote;
    out += value;
    out += quote;
    return out;
}

void CMXMLAttribute::SetValue(std::string_view value) {
    m_value = StripAll(StripAll(value, '\''), '"');
}

}  // namespace varlo

#include "xml/node.h"

#include "xml/node_pool.h"

#include <algorithm>
#include <utility>

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
    // Children are collected into a work list and each node's own children are taken over before
    // it is deleted, so no destructor recurses however deep the tree is.
    std::vector<CMXMLNode*> pending = std::move(m_children.m_nodes);
    m_children.m_nodes.clear();
    while (!pending.empty()) {
        CMXMLNode* node = pending.back();
        pending.pop_back();
        auto& grandChildren = node->m_children.m_nodes;
        pending.insert(pending.end(), grandChildren.begin(), grandChildren.end());
        grandChildren.clear();
        delete node;
    }
}

CMXMLNode* CMXMLNode::AppendChild(CMXMLNode* node) {
    if (node == nullptr) return nullptr;
    auto& nodes = m_children.m_nodes;
    if (node->m_parent == this) {
        const auto it = std::find(nodes.begin(), nodes.end(), node);
        if (it != nodes.end()) {
            if (node->m_prev) node->m_prev->m_next = node->m_next;
            if (node->m_next) node->m_next->m_prev = node->m_prev;
            nodes.erase(it);
        }
    }
    node->m_parent = this;
    node->m_next = nullptr;
    if (!nodes.empty()) {
        nodes.back()->m_next = node;
        node->m_prev = nodes.back();
    } else {
        node->m_prev = nullptr;
    }
    nodes.push_back(node);
    return node;
}

Text CMXMLNode::GetText() const {
    Text out;
    AppendText(out);
    return out;
}

void CMXMLNode::AppendText(Text& out) const {
    out += m_value;
}

CMXMLTextNode::CMXMLTextNode() {
    m_name = "#text";
}

CMXMLTextNode::CMXMLTextNode(std::string_view value) : CMXMLTextNode() {
    m_value = value;
}

std::unique_ptr<CMXMLNode> CMXMLTextNode::CloneNode() const {
    return std::make_unique<CMXMLTextNode>(m_value);
}

CMXMLCDATASection::CMXMLCDATASection() {
    m_name = "#cdata-section";
}

CMXMLCDATASection::CMXMLCDATASection(std::string_view value) : CMXMLCDATASection() {
    m_value = value;
}

std::unique_ptr<CMXMLNode> CMXMLCDATASection::CloneNode() const {
    return std::make_unique<CMXMLCDATASection>(m_value);
}

Text CMXMLCDATASection::GetXML() const {
    return "<![CDATA[" + m_value + "]]>";
}

CMXMLComment::CMXMLComment() {
    m_name = "#comment";
}

CMXMLComment::CMXMLComment(std::string_view value) : CMXMLComment() {
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

CMXMLAttribute::CMXMLAttribute(std::string_view name, std::string_view value) {
    m_name = name;
    m_value = StripAll(value, '"');
}

CMXMLAttribute::CMXMLAttribute(const CMXMLAttribute& other) : CMXMLNode() {
    m_name = other.m_name;
    m_value = other.m_value;
}

CMXMLAttribute& CMXMLAttribute::operator=(const CMXMLAttribute& other) {
    m_name = other.m_name;
    m_value = other.m_value;
    return *this;
}

CMXMLAttribute::CMXMLAttribute(CMXMLAttribute&& other) noexcept : CMXMLNode() {
    m_name = std::move(other.m_name);
    m_value = std::move(other.m_value);
}

CMXMLAttribute& CMXMLAttribute::operator=(CMXMLAttribute&& other) noexcept {
    m_name = std::move(other.m_name);
    m_value = std::move(other.m_value);
    return *this;
}

std::unique_ptr<CMXMLNode> CMXMLAttribute::CloneNode() const {
    return std::make_unique<CMXMLAttribute>(m_name, m_value);
}

Text CMXMLAttribute::GetXML() const {
    if (m_value.empty()) return m_name;
    Text out;
    out.reserve(m_name.size() + m_value.size() + 3);
    out += m_name;
    out += "=\"";
    out += m_value;
    out += '"';
    return out;
}

void CMXMLAttribute::SetValue(std::string_view value) {
    m_value = StripAll(StripAll(value, '\''), '"');
}

}  // namespace varlo

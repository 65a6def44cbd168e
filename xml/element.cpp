#include "xml/element.h"
#include "xml/text_buffer.h"

#include <new>
#include <utility>

namespace varlo {

void CMXMLAttributeList::BlockDeleter::operator()(Block* block) const {
    CMXMLAttribute* items = block->Items();
    for (size_t i = 0; i < block->count; ++i) items[i].~CMXMLAttribute();
    block->~Block();
    ::operator delete(block);
}

std::vector<CMXMLAttribute> CMXMLAttributeList::Taken() {
    std::vector<CMXMLAttribute> all;
    if (m_block) {
        all.reserve(m_block->count);
        for (size_t i = 0; i < m_block->count; ++i) all.push_back(std::move(m_block->Items()[i]));
    }
    m_block.reset();
    return all;
}

void CMXMLAttributeList::Store(std::vector<CMXMLAttribute>&& all) {
    m_block.reset();
    if (all.empty()) return;
    void* raw = ::operator new(sizeof(Block) + all.size() * sizeof(CMXMLAttribute));
    std::unique_ptr<Block, BlockDeleter> block(::new (raw) Block);
    // The count grows with each attribute made, so that a failure half way frees what was made.
    for (CMXMLAttribute& attribute : all) {
        ::new (block->Items() + block->count) CMXMLAttribute(std::move(attribute));
        ++block->count;
    }
    m_block = std::move(block);
}

CMXMLElement::CMXMLElement(std::string_view markup) {
    ParseXML(markup);
}

void CMXMLElement::SetNodeValue(std::string_view text) {
    DeleteChildren();
    if (KeptTextScope::Covers(text)) {
        CMXMLNodeList::ParseNodes(text, this);
        return;
    }
    const std::string_view kept = Keep(std::string(text));
    const KeptTextScope scope(kept);
    CMXMLNodeList::ParseNodes(kept, this);
}

CMXMLElement::KeptText::~KeptText() {
    KeepTextBuffer(std::move(text));
}

std::string_view CMXMLElement::Keep(std::string&& text) {
    auto kept = std::make_unique<KeptText>();
    kept->text = std::move(text);
    kept->earlier = std::move(m_kept);
    m_kept = std::move(kept);
    return m_kept->text;
}

void CMXMLElement::ParseXML(std::string_view text, bool plainContent) {
    if (KeptTextScope::Covers(text)) {
        ParseMarkup(text, plainContent);
        return;
    }
    const std::string_view kept = Keep(std::string(text));
    const KeptTextScope scope(kept);
    ParseMarkup(kept, plainContent);
}

void CMXMLElement::ParseKeptXML(std::string&& text, std::string_view markup) {
    const auto offset = static_cast<size_t>(markup.data() - text.data());
    const std::string_view kept = Keep(std::move(text)).substr(offset, markup.size());
    const KeptTextScope scope(kept);
    ParseMarkup(kept);
}

void CMXMLElement::AppendText(Text& out) const {
    // Depth first along the sibling and parent links, without recursion and without a stack:
    // elements open their children, comments add nothing.
    const CMXMLNode* node = GetFirstChild();
    while (node) {
        const int type = node->GetNodeType();
        if (type == kElementNode && node->GetFirstChild()) {
            node = node->GetFirstChild();
            continue;
        }
        if (type != kElementNode && type != kCommentNode) out += node->NodeValue();
        while (node && !node->GetNextSibling()) {
            node = node->GetParentNode();
            if (node == this) return;
        }
        if (node) node = node->GetNextSibling();
    }
}

Text CMXMLElement::GetText() const {
    Text out;
    AppendText(out);
    return out;
}

std::unique_ptr<CMXMLNode> CMXMLElement::CloneNode() const {
    auto copyShell = [](const CMXMLElement& from) {
        auto to = std::make_unique<CMXMLElement>();
        to->m_name = from.m_name.View();
        to->m_hasEndTag = from.m_hasEndTag;
        to->m_attributes = from.m_attributes;
        return to;
    };
    auto root = copyShell(*this);
    // (source, copy) pairs still to fill, so that a deep tree is copied without recursion.
    std::vector<std::pair<const CMXMLElement*, CMXMLElement*>> pending{{this, root.get()}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (const CMXMLNode* child = from->GetFirstChild(); child;
             child = child->GetNextSibling()) {
            if (child->GetNodeType() == kElementNode) {
                const auto* element = static_cast<const CMXMLElement*>(child);
                CMXMLElement* copy = to->AppendChild(copyShell(*element));
                pending.emplace_back(element, copy);
            } else {
                to->AppendChild(child->CloneNode());
            }
        }
    }
    return root;
}

int CMXMLElement::FindAttribute(std::string_view name) const {
    for (size_t i = 0; i < m_attributes.size(); ++i) {
        if (m_attributes[i].NodeName() == name) return static_cast<int>(i);
    }
    return -1;
}

Text CMXMLElement::GetAttribute(std::string_view name) const {
    const int i = FindAttribute(name);
    return i < 0 ? Text() : Text(m_attributes[static_cast<size_t>(i)].NodeValue());
}

void CMXMLElement::SetAttribute(std::string_view name, std::string_view value) {
    const bool removes = value.empty() || value == "\"\"";
    const int i = FindAttribute(name);
    if (i >= 0) {
        if (removes) {
            m_attributes.erase(static_cast<size_t>(i));
        } else {
            m_attributes[static_cast<size_t>(i)].SetValue(value);
        }
    } else if (!removes) {
        m_attributes.emplace_back(name, value);
    }
}

namespace {

// Visits the descendant elements of `root` in document order until `visit` returns false,
// along the sibling and parent links (no stack, nothing allocated).
template <typename Visit>
void ForEachDescendantElement(const CMXMLNode& root, Visit visit) {
    CMXMLNode* node = root.GetFirstChild();
    while (node) {
        if (node->GetNodeType() == kElementNode) {
            if (!visit(static_cast<CMXMLElement*>(node))) return;
            if (node->GetFirstChild()) {
                node = node->GetFirstChild();
                continue;
            }
        }
        while (node && !node->GetNextSibling()) {
            node = node->GetParentNode();
            if (node == &root) return;
        }
        if (node) node = node->GetNextSibling();
    }
}

}  // namespace

CMXMLNodeList CMXMLElement::GetElementsByTagName(std::string_view name) const {
    CMXMLNodeList result;
    ForEachDescendantElement(*this, [&](CMXMLElement* element) {
        if (element->NodeName() == name) result.AddTail(element);
        return true;
    });
    return result;
}

CMXMLElement* CMXMLElement::FindFirstElement(std::string_view name) const {
    CMXMLElement* found = nullptr;
    ForEachDescendantElement(*this, [&](CMXMLElement* element) {
        if (element->NodeName() != name) return true;
        found = element;
        return false;
    });
    return found;
}

size_t CMXMLAttributeList::HeapBytes() const {
    if (empty()) return 0;
    size_t bytes = 16 + sizeof(Block) + size() * sizeof(CMXMLAttribute);
    for (const CMXMLAttribute& attribute : *this) {
        bytes += attribute.HeapBytes();
    }
    return bytes;
}

}  // namespace varlo

#pragma once
// The few lookups the feed readers make on an XML tree, shaped so that a missing element is
// harmless: each reports whether it found something and leaves the field alone otherwise. None of
// them builds a list of matches or allocates while it walks.

#include <array>
#include <initializer_list>
#include <string_view>

#include "platform/text.h"
#include "xml/element.h"

namespace varlo {

// Calls `visit` on every element below `root` in document order (each element before its
// children; `root` itself excluded) until `visit` returns true; returns that element, or null.
// Walks the sibling and parent links, so it needs neither recursion nor a stack.
template <typename Visit>
const CMXMLElement* WalkElements(const CMXMLElement& root, Visit visit) {
    const CMXMLNode* node = root.GetFirstChild();
    while (node != nullptr) {
        if (node->GetNodeType() == kElementNode) {
            const auto& element = static_cast<const CMXMLElement&>(*node);
            if (visit(element)) return &element;
            if (const CMXMLNode* child = element.GetFirstChild()) {
                node = child;
                continue;
            }
        }
        while (node != &root && node != nullptr && node->GetNextSibling() == nullptr) {
            node = node->GetParentNode();
        }
        if (node == &root || node == nullptr) break;
        node = node->GetNextSibling();
    }
    return nullptr;
}

// The first child element of `parent` (children only, not deeper) for which `accept` is true;
// null when there is none.
template <typename Accept>
const CMXMLElement* FindChild(const CMXMLElement& parent, Accept accept) {
    for (const CMXMLNode* node = parent.GetFirstChild(); node; node = node->GetNextSibling()) {
        if (node->GetNodeType() != kElementNode) continue;
        const auto& element = static_cast<const CMXMLElement&>(*node);
        if (accept(element)) return &element;
    }
    return nullptr;
}

// For each of `names`, the first child element (children only, not deeper) of `parent` so
// called; null where there is none.
template <size_t N>
std::array<const CMXMLElement*, N> FindChildOfEach(const CMXMLElement& parent,
                                                   const std::array<std::string_view, N>& names) {
    std::array<const CMXMLElement*, N> found{};
    FindChild(parent, [&](const CMXMLElement& element) {
        for (size_t i = 0; i < N; ++i) {
            if (found[i] == nullptr && element.NodeName() == names[i]) found[i] = &element;
        }
        return false;
    });
    return found;
}

// The first child element of `parent` called `name`; null when there is none.
const CMXMLElement* FindChildNamed(const CMXMLElement& parent, std::string_view name);

// The first child "link" of `parent` meant for readers: "rel" absent, empty or "alternate"
// (never "self", "edit", "replies", "enclosure" or "service.*"); null when there is none.
const CMXMLElement* FindReaderLink(const CMXMLElement& parent);

// For each of `names`, the first element so called below `parent` (null where there is none),
// all found in one walk that stops once every name has been found.
template <size_t N>
std::array<const CMXMLElement*, N> FindFirstOfEach(const CMXMLElement& parent,
                                                   const std::array<std::string_view, N>& names) {
    std::array<const CMXMLElement*, N> found{};
    size_t missing = N;
    WalkElements(parent, [&](const CMXMLElement& element) {
        for (size_t i = 0; i < N; ++i) {
            if (found[i] == nullptr && element.NodeName() == names[i]) {
                found[i] = &element;
                --missing;
            }
        }
        return missing == 0;
    });
    return found;
}

// Replaces `field` by the text of `element`; false (field unchanged) when `element` is null.
bool TakeText(const CMXMLElement* element, Text& field);

// Replaces `field` by the text of the first `name` below `parent`; false (field unchanged) when
// there is none.
bool TakeTextOfFirst(const CMXMLElement& parent, std::string_view name, Text& field);

// Replaces `field` by the attribute `attribute` of `element`; false (field unchanged) when
// `element` is null.
bool TakeAttribute(const CMXMLElement* element, std::string_view attribute, Text& field);

// The text of an element (its text and CDATA content, comments left out), unchanged.
Text TextOf(const CMXMLElement& element);

// The first `name` below `parent` in document order whose attribute `attribute` is one of
// `accepted` (an absent attribute reads as empty); null when none.
const CMXMLElement* FindFirstWithAttribute(const CMXMLElement& parent, std::string_view name,
                                           std::string_view attribute,
                                           std::initializer_list<std::string_view> accepted);

}  // namespace varlo

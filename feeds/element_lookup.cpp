#include "feeds/element_lookup.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace varlo {

Text TextOf(const CMXMLElement& element) {
    Text text;
    element.AppendText(text);
    return text;
}

bool TakeTextOfFirst(const CMXMLElement& parent, std::string_view name, Text& field) {
    const CMXMLElement* found = parent.FindFirstElement(name);
    if (found == nullptr) return false;
    field.clear();
    found->AppendText(field);
    return true;
}

bool TakeAttributeOfFirst(const CMXMLElement& parent, std::string_view name,
                          std::string_view attribute, Text& field) {
    const CMXMLElement* found = parent.FindFirstElement(name);
    if (found == nullptr) return false;
    field = found->GetAttribute(attribute);
    return true;
}

const CMXMLElement* FindFirstWithAttribute(const CMXMLElement& parent, std::string_view name,
                                           std::string_view attribute,
                                           std::initializer_list<std::string_view> accepted) {
    // Depth first in document order with an explicit stack of (child list, next index), so that
    // deep trees cost no call stack.
    std::vector<std::pair<const CMXMLNodeList*, int>> stack;
    stack.emplace_back(&parent.GetChildNodes(), 0);
    while (!stack.empty()) {
        auto& [list, index] = stack.back();
        if (index >= list->GetCount()) {
            stack.pop_back();
            continue;
        }
        const CMXMLNode* node = list->Item(index++);
        if (node->GetNodeType() != kElementNode) continue;
        const auto& element = static_cast<const CMXMLElement&>(*node);
        if (element.NodeName() == name) {
            const Text value = element.GetAttribute(attribute);
            if (std::find(accepted.begin(), accepted.end(), value) != accepted.end()) {
                return &element;
            }
        }
        if (element.HasChildNodes()) stack.emplace_back(&element.GetChildNodes(), 0);
    }
    return nullptr;
}

}  // namespace varlo

#include "feeds/element_lookup.h"

#include <algorithm>

namespace varlo {

Text TextOf(const CMXMLElement& element) {
    Text text;
    element.AppendText(text);
    return text;
}

bool TakeText(const CMXMLElement* element, Text& field) {
    if (element == nullptr) return false;
    field.clear();
    element->AppendText(field);
    return true;
}

bool TakeTextOfFirst(const CMXMLElement& parent, std::string_view name, Text& field) {
    return TakeText(
        WalkElements(parent, [&](const CMXMLElement& e) { return e.NodeName() == name; }), field);
}

bool TakeAttribute(const CMXMLElement* element, std::string_view attribute, Text& field) {
    if (element == nullptr) return false;
    field = element->GetAttribute(attribute);
    return true;
}

const CMXMLElement* FindChildNamed(const CMXMLElement& parent, std::string_view name) {
    return FindChild(parent,
                     [name](const CMXMLElement& element) { return element.NodeName() == name; });
}

const CMXMLElement* FindReaderLink(const CMXMLElement& parent) {
    return FindChild(parent, [](const CMXMLElement& element) {
        if (element.NodeName() != "link") return false;
        const Text rel = element.GetAttribute("rel");
        return rel.empty() || rel == "alternate";
    });
}

const CMXMLElement* FindFirstWithAttribute(const CMXMLElement& parent, std::string_view name,
                                           std::string_view attribute,
                                           std::initializer_list<std::string_view> accepted) {
    return WalkElements(parent, [&](const CMXMLElement& element) {
        if (element.NodeName() != name) return false;
        const Text value = element.GetAttribute(attribute);
        return std::find(accepted.begin(), accepted.end(), value) != accepted.end();
    });
}

}  // namespace varlo

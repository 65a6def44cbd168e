#pragma once
// The few lookups the feed readers make on an XML tree, shaped so that a missing element is
// harmless: each reports whether it found something and leaves the field alone otherwise.

#include <initializer_list>
#include <string_view>

#include "platform/text.h"
#include "xml/element.h"

namespace varlo {

// Replaces `field` by the text of the first `name` below `parent`; false (field unchanged) when
// there is none.
bool TakeTextOfFirst(const CMXMLElement& parent, std::string_view name, Text& field);

// Replaces `field` by the attribute `attribute` of the first `name` below `parent`; false (field
// unchanged) when there is no such element.
bool TakeAttributeOfFirst(const CMXMLElement& parent, std::string_view name,
                          std::string_view attribute, Text& field);

// The text of an element (its text and CDATA content, comments left out), unchanged.
Text TextOf(const CMXMLElement& element);

// The first `name` below `parent` in document order whose attribute `attribute` is one of
// `accepted` (an absent attribute reads as empty); null when none. Stops at the first match and
// keeps no list of the others.
const CMXMLElement* FindFirstWithAttribute(const CMXMLElement& parent, std::string_view name,
                                           std::string_view attribute,
                                           std::initializer_list<std::string_view> accepted);

}  // namespace varlo

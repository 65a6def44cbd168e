#pragma once
// One HTML tag split into its name and attributes, as feed discovery reads LINK tags.

#include <string_view>
#include <vector>

#include "platform/text.h"

namespace varlo {

// One attribute of a tag: a plain value.
class CHtmlElement {
  public:
    // Stores the text without its surrounding single quotes, then without its double quotes.
    void SetValue(std::string_view text);
    // Empties both fields.
    void Clear();
    // True when both name and value are empty.
    bool IsEmpty() const { return m_strName.empty() && m_strValue.empty(); }

    Text m_strName;
    Text m_strValue;
};

class CHtmlTag {
  public:
    // Parses the first tag of the text ("<name attr=value ...>").
    explicit CHtmlTag(std::string_view tagText) { Parse(tagText); }

    // The value of the first attribute whose name matches without regard to letter case, or "".
    Text GetAttribute(std::string_view name) const;

    Text m_strName;                          // the tag's name as written
    std::vector<CHtmlElement> m_attributes;  // in the order written
    int m_bEmptyTag = 0;                     // the tag ended with "/>"
    int m_bPercent = 0;                      // the tag was "<% ... %>"

  private:
    void Parse(std::string_view tagText);
    void ParseAttributes(std::string_view text);
};

}  // namespace varlo

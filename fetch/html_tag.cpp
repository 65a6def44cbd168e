#include "fetch/html_tag.h"
#include "platform/text.h"

namespace varlo {
namespace {}  // namespace

void CHtmlElement::SetValue(std::string_view text) {
    while (!text.empty() && text.front() == '\'') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\'') text.remove_suffix(1);
    while (!text.empty() && text.front() == '"') text.remove_prefix(1);
    while (!text.empty() && text.back() == '"') text.remove_suffix(1);
    m_strValue.assign(text);
}

void CHtmlElement::Clear() {
    m_strName.clear();
    m_strValue.clear();
}

Text CHtmlTag::GetAttribute(std::string_view name) const {
    for (const auto& attribute : m_attributes) {
        if (EqualsNoCase(attribute.m_strName, name)) return attribute.m_strValue;
    }
    return {};
}

void CHtmlTag::Parse(std::string_view tagText) {
    const size_t open = tagText.find('<');
    if (open == std::string_view::npos) return;
    const size_t close = tagText.find('>', open + 1);
    if (close == std::string_view::npos || close == open + 1) return;
    std::string_view inner = tagText.substr(open + 1, close - open - 1);
    if (inner.ends_with('/')) {
        m_bEmptyTag = 1;
        inner.remove_suffix(1);
    }
    if (inner.size() > 2 && inner.front() == '%' && inner.back() == '%') {
        m_strName.assign(Trim(inner.substr(1, inner.size() - 2)));
        m_bPercent = 1;
        return;
    }
    const size_t space = inner.find(' ');
    m_strName.assign(inner.substr(0, space));
    if (space == std::string_view::npos) return;
    std::string_view rest = inner.substr(space + 1);
    const size_t first = rest.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return;
    ParseAttributes(rest.substr(first));
}

void CHtmlTag::ParseAttributes(std::string_view text) {
    enum class State { kName, kAfterName, kValue, kAfterValue };
    State state = State::kName;
    CHtmlElement pending;
    size_t start = 0;
    bool equalsSeen = false;
    bool inDouble = false;
    bool inSingle = false;
    auto emit = [&] {
        m_attributes.push_back(pending);
        pending.Clear();
    };
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        const bool last = i + 1 == n;
        switch (state) {
            case State::kName:
                if (c == ' ' || c == '=' || c == '>' || (c == '/' && i >= 2)) {
                    pending.m_strName.assign(text.substr(start, i - start));
                    state = State::kAfterName;
                    if (c == '=') equalsSeen = true;
                    if (c == '>' || c == '/') emit();
                    if (c == '>') return;
                } else if (last) {
                    pending.m_strName.assign(text.substr(start));
                    emit();
                }
                break;
            case State::kAfterName:
                if (c == ' ' || c == '=') {
                    if (c == '=') equalsSeen = true;
                } else if (equalsSeen) {
                    start = i;
                    state = State::kValue;
                    inDouble = c == '"';
                    inSingle = c == '\'';
                    if (last) {
                        pending.SetValue(text.substr(i, 1));
                        emit();
                    }
                } else {
                    emit();  // a name without a value
                    start = i;
                    state = State::kName;
                }
                break;
            case State::kValue:
                if ((c == '"' && inDouble) || (c == '\'' && inSingle) ||
                    (c == ' ' && !inDouble && !inSingle) || c == '>') {
                    const bool quote = c == '"' || c == '\'';
                    pending.SetValue(text.substr(start, i - start + (quote ? 1 : 0)));
                    if (!pending.IsEmpty()) emit();
                    equalsSeen = inDouble = inSingle = false;
                    state = State::kAfterValue;
                    if (c == '>') return;
                } else if (last) {
                    pending.SetValue(text.substr(start));
                    emit();
                }
                break;
            case State::kAfterValue:
                if (c != ' ' && c != '\t') {
                    start = i;
                    state = State::kName;
                }
                break;
        }
    }
    if (!pending.IsEmpty()) emit();
}

}  // namespace varlo

// The markup reader. It is not a conforming XML parser: each element's extent is found by searching
// for its end tag, and content is read by the same means, accepting any text. Every slice is a view
// into the text being parsed; only the strings stored in nodes are copies.

#include <cstring>
#include <optional>
#include <string>

#include "platform/text.h"
#include "xml/element.h"
#include "xml/end_tag_search.h"
#include "xml/parse_limits.h"
#include "xml/parse_observer.h"
#include "xml/tag_scan.h"

namespace varlo {
namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";

// A cut that never fails: a start past the end or a negative length gives empty text.
std::string_view Cut(std::string_view text, std::ptrdiff_t start, std::ptrdiff_t length) {
    if (start < 0) start = 0;
    if (length <= 0 || static_cast<size_t>(start) >= text.size()) return {};
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

std::string_view TrimLeft(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsXmlSpace(text[first])) ++first;
    return text.substr(first);
}

constexpr ByteSet kNameEnd("> \t\r\n");
constexpr ByteSet kSpace(" \t\r\n");

// Bytes a node itself takes (its children and attributes not included), as the budget of a parse
// counts them.
size_t NodeBytes(const CMXMLNode& node) {
    size_t bytes = 0;
    switch (node.GetNodeType()) {
        case kElementNode:
            bytes = sizeof(CMXMLElement) + static_cast<const CMXMLElement&>(node).NameHeapBytes();
            break;
        case kCDATASectionNode:
            bytes = sizeof(CMXMLCDATASection) + node.HeapBytes();
            break;
        case kCommentNode:
            bytes = sizeof(CMXMLComment) + node.HeapBytes();
            break;
        default:
            bytes = sizeof(CMXMLTextNode) + node.HeapBytes();
            break;
    }
    return (bytes + 7) & ~size_t{7};
}

}  // namespace

void CMXMLElement::ParseMarkup(std::string_view text, bool plainContent) {
    m_hasEndTag = true;
    const size_t startTagEnd = ParseStartTag(text);
    if (m_name.empty()) return;
    NotifyElementStarted(*this);
    // The text must end with "</name>", where white space may come before the ">".
    size_t endTagStart = std::string_view::npos;
    if (!text.empty() && text.back() == '>') {
        size_t stop = text.size() - 1;
        while (stop > 0 && IsXmlSpace(text[stop - 1])) --stop;
        if (stop >= m_name.size() + 2 &&
            text.substr(stop - m_name.size(), m_name.size()) == m_name &&
            text.substr(stop - m_name.size() - 2, 2) == "</") {
            endTagStart = stop - m_name.size() - 2;
        }
    }
    if (endTagStart == std::string_view::npos) {
        m_hasEndTag = false;
        return;
    }
    const size_t endTagLength = text.size() - endTagStart;
    // The start tag was read from the text's first byte on, as a parse hands it over.
    const size_t k = text.front() == '<' ? startTagEnd : FindTagEnd(text, 0);
    const std::string_view content = Cut(text, static_cast<std::ptrdiff_t>(k) + 1,
                                         static_cast<std::ptrdiff_t>(text.size() - endTagLength) -
                                             static_cast<std::ptrdiff_t>(k) - 1);
    if (content.empty()) return;
    if (m_parseDepth >= kMaxParseDepth) {
        NoteParseLimitReached();
        if (ChargeParseMemory(sizeof(CMXMLTextNode) + content.size() + 32))
            AppendChild(std::make_unique<CMXMLTextNode>(content));
        return;
    }
    if (plainContent && k + 1 == static_cast<size_t>(content.data() - text.data())) {
        // Most elements of a feed hold one text: the search for the end tag already found that no
        // "<" stands in it.
        auto node = std::make_unique<CMXMLTextNode>(content);
        const size_t bytes = NodeBytes(*node);
        AppendChild(std::move(node));
        ChargeParseMemory(bytes);
        return;
    }
    CMXMLNodeList::ParseNodes(content, this);
}

size_t CMXMLElement::ParseStartTag(std::string_view text) {
    m_name.clear();
    m_attributes.clear();
    const size_t p = text.find('<');
    if (p == std::string_view::npos) {
        AppendChild(std::make_unique<CMXMLTextNode>(text));
        return std::string_view::npos;
    }
    const size_t e = FindTagEnd(text, p);
    if (e == std::string_view::npos) return e;
    std::string_view t = text.substr(p + 1, e - p - 1);
    if (t.empty()) return e;
    if (t.back() == '/') t.remove_suffix(1);
    if (t.size() > 2 && t.front() == '%' && t.back() == '%') {
        m_name = Trim(t.substr(1, t.size() - 2), kWhiteSpace);
        return e;
    }
    const size_t s = kSpace.FindIn(t);
    if (s == std::string_view::npos) {
        m_name = t;
        return e;
    }
    m_name = t.substr(0, s);
    ParseAttributes(TrimLeft(t.substr(s + 1)));
    return e;
}

void CMXMLElement::ParseAttributes(std::string_view text) {
    enum class State { Name, AfterName, Value, AfterValue };
    State state = State::Name;
    CMXMLAttribute current;
    size_t a = 0;
    bool equalsSeen = false;
    bool inDouble = false;
    bool inSingle = false;
    bool nameTakenAtEnd = false;
    // Gathered apart and moved in at the end, so that the element's list is allocated once at its
    // final size.
    std::vector<CMXMLAttribute> added;
    auto commit = [&] {
        if (m_attributes.size() + added.size() < kMaxAttributes) {
            added.push_back(current);
        } else {
            NoteParseLimitReached();
        }
        current.SetNodeName({});
        current.SetNodeValue({});
    };
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        bool last = i + 1 == n;
        const bool inQuotes = state == State::Value && (inDouble || inSingle);
        switch (state) {
            case State::Name:
                if (c == ' ' || c == '=' || c == '>' || (c == '/' && i >= 2)) {
                    current.SetNodeName(text.substr(a, i - a));
                    if (c == '=') equalsSeen = true;
                    if (c == '>' || c == '/') commit();
                    state = State::AfterName;
                } else if (last) {
                    current.SetNodeName(text.substr(a));
                    commit();
                    nameTakenAtEnd = true;
                }
                break;
            case State::AfterName:
                if (c == ' ' || c == '=') {
                    if (c == '=') equalsSeen = true;
                } else if (equalsSeen) {
                    a = i;
                    if (c == '"') {
                        inDouble = true;
                    } else if (c == '\'') {
                        inSingle = true;
                    }
                    if (last) {
                        current.SetValue(text.substr(i, 1));
                        commit();
                    }
                    state = State::Value;
                } else {
                    a = i;
                    commit();
                    state = State::Name;
                }
                break;
            case State::Value: {
                if (inDouble || inSingle) {
                    // Inside quotes only the closing quote matters: go straight to it, or to the
                    // last byte when it is missing.
                    const size_t close = text.find(inDouble ? '"' : '\'', i);
                    if (close == std::string_view::npos) {
                        current.SetValue(text.substr(a));
                        commit();
                        i = n;
                        break;
                    }
                    i = close;
                    c = text[i];
                    last = i + 1 == n;
                }
                // A ">" inside quotes is part of the value (legal XML, written by other tools).
                const bool closing = (c == '"' && inDouble) || (c == '\'' && inSingle) ||
                                     (c == ' ' && !inDouble && !inSingle) ||
                                     (c == '>' && !inQuotes);
                if (closing) {
                    const bool quote = c == '"' || c == '\'';
                    if (quote) {
                        // Exactly the quotes it was written in go: the other kind of quote at
                        // either end is part of the value.
                        current.SetNodeValue(text.substr(a + 1, i - a - 1));
                    } else {
                        current.SetValue(text.substr(a, i - a));
                    }
                    if (!current.NodeName().empty() || !current.NodeValue().empty()) commit();
                    equalsSeen = inDouble = inSingle = false;
                    state = State::AfterValue;
                } else if (last) {
                    current.SetValue(text.substr(a));
                    commit();
                }
                break;
            }
            case State::AfterValue:
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                    a = i;
                    state = State::Name;
                }
                break;
        }
        if (c == '>' && !inQuotes) break;
    }
    // A name begun on the very last byte (a one-letter attribute after another attribute) would
    // otherwise vanish; it becomes an attribute without value like any other bare name.
    if (state == State::Name && a + 1 == n && !nameTakenAtEnd && current.NodeName().empty() &&
        text[a] != '>') {
        current.SetNodeName(text.substr(a));
    }
    if (!current.NodeName().empty() || !current.NodeValue().empty()) commit();
    m_attributes.Append(std::move(added));
}

bool CMXMLNodeList::ParseNodes(std::string_view text, CMXMLNode* parent) {
    const int childDepth = parent->GetNodeType() == kElementNode
                               ? static_cast<CMXMLElement*>(parent)->ParseDepth() + 1
                               : 1;
    // One search serves every level of a parse: nested contents are slices of the outermost one.
    std::optional<EndTagSearch> ownSearch;
    EndTagSearch* search = EndTagSearch::Current(text);
    if (search == nullptr) search = &ownSearch.emplace(text);
    // Appends a node and charges it to the parse's memory budget; false once that is spent, and
    // the rest of the content is then left unread.
    auto append = [parent](std::unique_ptr<CMXMLNode> node) {
        const size_t bytes = NodeBytes(*node);
        parent->AppendChild(std::move(node));
        return ChargeParseMemory(bytes);
    };
    while (!text.empty()) {
        const size_t b = text.find('<');
        if (b == std::string_view::npos) {
            append(std::make_unique<CMXMLTextNode>(text));
            return true;
        }
        if (b > 0) {
            if (!append(std::make_unique<CMXMLTextNode>(text.substr(0, b)))) return false;
            text.remove_prefix(b);
            continue;
        }
        if (text.size() >= 7 && text.starts_with("<!--")) {
            const size_t e = text.find("-->");
            if (e == std::string_view::npos) return false;
            if (!append(std::make_unique<CMXMLComment>(
                    Cut(text, 4, static_cast<std::ptrdiff_t>(e) - 4))))
                return false;
            text.remove_prefix(e + 3);
            continue;
        }
        if (text.size() >= 12 && text.starts_with("<![CDATA[")) {
            const size_t e = text.find("]]>");
            if (e == std::string_view::npos) return false;
            if (!append(std::make_unique<CMXMLCDATASection>(
                    Cut(text, 9, static_cast<std::ptrdiff_t>(e) - 9))))
                return false;
            text.remove_prefix(e + 3);
            continue;
        }
        // A line break after the name separates it like a space does.
        const size_t k = kNameEnd.FindIn(text);
        if (k == std::string_view::npos) {
            // A "<" with no tag end anywhere after it: keep the rest as text rather than lose it.
            append(std::make_unique<CMXMLTextNode>(text));
            return false;
        }
        const std::string_view name = text.substr(1, k - 1);
        const EndTagMatch match = search->Find(text.substr(k), name);
        size_t length;
        if (!match.Found()) {
            const size_t gt = FindTagEnd(text, 0);
            if (gt == std::string_view::npos) {
                append(std::make_unique<CMXMLTextNode>(text));
                return false;
            }
            length = gt + 1;
        } else {
            length = k + match.start + match.length;
        }
        // In the tree before its content is read, so that an observer sees its ancestors.
        auto owned = std::make_unique<CMXMLElement>();
        owned->SetParseDepth(childDepth);
        CMXMLElement* element = parent->AppendChild(std::move(owned));
        element->ParseXML(text.substr(0, length), match.firstTag);
        const bool charged = ChargeParseMemory(NodeBytes(*element)) &&
                             ChargeParseMemory(element->AttributeHeapBytes());
        NotifyElementCompleted(*element, text.substr(0, length));  // may take it out of the tree
        if (!charged) return false;
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace varlo

#include "feeds/html_form.h"

#include <array>

#include "feeds/address.h"
#include "feeds/display_form.h"

namespace varlo {
namespace {

std::string_view LocalName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsVoidElement(std::string_view name) {
    static constexpr std::array<std::string_view, 14> kVoid = {
        "area",  "base", "br",   "col",   "embed",  "hr",    "img",
        "input", "link", "meta", "param", "source", "track", "wbr"};
    for (const auto v : kVoid)
        if (name == v) return true;
    return false;
}

}  // namespace

void AppendHtmlEscaped(Text& out, std::string_view text) {
    // Runs of bytes that need no escaping are copied whole.
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view entity;
        switch (text[i]) {
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '&':
                entity = "&amp;";
                break;
            case '"':
                entity = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text.data() + run, i - run);
        out += entity;
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

namespace {

// Appends plain text whose references are still as written.
void AppendPlainText(Text& out, std::string_view written) {
    out += DecodeToHtmlText(written);
}

void AppendMarkup(Text& out, const CMXMLNode& node);

void AppendChildrenMarkup(Text& out, const CMXMLNode& parent) {
    for (const CMXMLNode* child = parent.GetFirstChild(); child; child = child->GetNextSibling())
        AppendMarkup(out, *child);
}

// XML markup as HTML: names without prefixes, namespace declarations dropped, CDATA escaped.
// Text nodes keep their references, which mean the same in HTML.
void AppendMarkup(Text& out, const CMXMLNode& node) {
    switch (node.GetNodeType()) {
        case kTextNode:
            out += node.NodeValue();
            return;
        case kCDATASectionNode:
            AppendHtmlEscaped(out, node.NodeValue());
            return;
        case kElementNode:
            break;
        default:
            return;
    }
    const auto& element = static_cast<const CMXMLElement&>(node);
    const std::string_view name = LocalName(element.NodeName());
    if (name.empty()) return;
    out += '<';
    out += name;
    for (int i = 0; i < element.GetAttributeCount(); ++i) {
        const CMXMLAttribute& attribute = element.GetAttributeAt(i);
        const std::string_view attributeName = attribute.NodeName();
        if (attributeName == "xmlns" || attributeName.starts_with("xmlns:")) continue;
        out += ' ';
        out += attributeName;
        out += "=\"";
        for (const char c : attribute.NodeValue()) {
            if (c == '"') {
                out += "&quot;";
            } else {
                out.push_back(c);
            }
        }
        out += '"';
    }
    out += '>';
    if (IsVoidElement(name)) return;
    AppendChildrenMarkup(out, element);
    out += "</";
    out += name;
    out += '>';
}

// The one "div" that an XHTML text construct wraps its content in; null when there is not
// exactly one element child or it is something else.
const CMXMLElement* WrappingDiv(const CMXMLElement& element) {
    const CMXMLElement* div = nullptr;
    for (const CMXMLNode* child = element.GetFirstChild(); child; child = child->GetNextSibling()) {
        if (child->GetNodeType() == kElementNode) {
            if (div != nullptr) return nullptr;
            div = static_cast<const CMXMLElement*>(child);
        } else if (child->GetNodeType() != kCommentNode &&
                   !Trim(child->NodeValue(), " \t\r\n").empty()) {
            return nullptr;
        }
    }
    return div != nullptr && LocalName(div->NodeName()) == "div" ? div : nullptr;
}

}  // namespace

int AtomTextKind(const CMXMLElement& element, bool atom03) {
    const Text type = element.GetAttribute("type");
    if (atom03) {
        const Text mode = element.GetAttribute("mode");
        const bool html = type == "text/html" || type == "html";
        const bool xhtml = type == "application/xhtml+xml" || type == "xhtml";
        if (mode == "escaped") return html || xhtml ? kKindHtml : kKindText;
        if (mode.empty() || mode == "xml") {
            // Inline HTML is often written escaped all the same; the HTML reading takes both
            // escaped text and inline elements as markup.
            if (html) return kKindHtml;
            return xhtml ? kKindXhtml : kKindText;
        }
        return kKindText;
    }
    if (type == "html" || type == "text/html") return kKindHtml;
    if (type == "xhtml" || type == "application/xhtml+xml") return kKindXhtml;
    return kKindText;
}

Text HtmlForm(const CMXMLElement& element, int kind) {
    Text out;
    if (kind == kKindXhtml) {
        const CMXMLElement* div = WrappingDiv(element);
        AppendChildrenMarkup(out, div != nullptr ? *div : element);
        return out;
    }
    for (const CMXMLNode* child = element.GetFirstChild(); child; child = child->GetNextSibling()) {
        switch (child->GetNodeType()) {
            case kTextNode:
                if (kind == kKindHtml) {
                    out += DecodeReferences(child->NodeValue());
                } else {
                    AppendPlainText(out, child->NodeValue());
                }
                break;
            case kCDATASectionNode:
                if (kind == kKindHtml) {
                    out += child->NodeValue();
                } else {
                    AppendHtmlEscaped(out, child->NodeValue());
                }
                break;
            case kElementNode:
                // Markup written without escaping (an RSS description holding XHTML) is markup.
                if (kind == kKindHtml) {
                    AppendMarkup(out, *child);
                } else {
                    Text text;
                    child->AppendText(text);
                    AppendPlainText(out, text);
                }
                break;
            default:
                break;
        }
    }
    return out;
}

HtmlSource HtmlFormSource(const CMXMLElement& element, int kind) {
    if (kind != kKindHtml && kind != kKindText) return kHtmlHeld;
    size_t texts = 0;
    for (const CMXMLNode* child = element.GetFirstChild(); child; child = child->GetNextSibling()) {
        switch (child->GetNodeType()) {
            case kTextNode:
                ++texts;
                break;
            case kCDATASectionNode:
                break;
            default:
                return kHtmlHeld;  // markup, or a comment that splits the text
        }
    }
    const bool html = kind == kKindHtml;
    if (texts == 0) return html ? kHtmlSameAsText : kHtmlEscapedText;
    if (texts == 1 && element.GetFirstChild() == element.GetLastChild()) {
        return html ? kHtmlDecodedText : kHtmlPlainText;
    }
    return kHtmlHeld;
}

void TakeDescriptionHtml(const CMXMLElement& element, int kind, CRssItem& item) {
    const HtmlSource source = HtmlFormSource(element, kind);
    if (source == kHtmlHeld) {
        item.SetDescriptionHtml(HtmlForm(element, kind));
    } else {
        item.SetDescriptionHtmlFrom(source);
    }
}

void TakeContentHtml(const CMXMLElement& element, int kind, CRssItem& item) {
    const HtmlSource source = HtmlFormSource(element, kind);
    if (source == kHtmlHeld) {
        item.SetContentHtml(HtmlForm(element, kind));
    } else {
        item.SetContentHtmlFrom(source);
    }
}

Text BaseOf(const CMXMLElement& element) {
    // Bases from the element outwards; resolved from the outermost inwards.
    std::vector<Text> bases;
    for (const CMXMLNode* node = &element; node != nullptr; node = node->GetParentNode()) {
        if (node->GetNodeType() != kElementNode) continue;
        const auto& e = static_cast<const CMXMLElement&>(*node);
        if (e.FindAttribute("xml:base") >= 0)
            bases.push_back(DisplayLink(e.GetAttribute("xml:base")));
    }
    Text base;
    for (auto it = bases.rbegin(); it != bases.rend(); ++it) base = ResolveAddress(*it, base);
    return base;
}

}  // namespace varlo

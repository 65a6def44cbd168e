#include "xml/writer.h"

#include <utility>
#include <vector>

#include "xml/document.h"

namespace varlo {
namespace {

// The layout and the indentation depth belong to the thread that writes: a worker that writes a
// file never changes the layout another thread is writing in.
thread_local XmlFormat g_format = XmlFormat::Compact;
thread_local int g_depth = 0;

constexpr const char* kCrLf = "\r\n";

void AppendTabs(Text& out, int depth) {
    out.append(static_cast<size_t>(depth > 0 ? depth : 0), '\t');
}

// Serialises `root` at indentation `depth` into `out`, depth first without recursion.
void AppendElementXML(Text& out, const CMXMLElement& root, int depth) {
    const bool indented = g_format == XmlFormat::Indented;
    struct Frame {
        const CMXMLElement* element;
        const CMXMLNode* next;  // the next child to write
        int lastType;
        int depth;
    };
    std::vector<Frame> stack;
    auto open = [&](const CMXMLElement& element, int level) {
        if (indented) AppendTabs(out, level);
        out += element.GetStartTag();
        stack.push_back({&element, element.GetFirstChild(), 0, level});
    };
    open(root, depth);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next) {
            const CMXMLNode* child = frame.next;
            frame.next = child->GetNextSibling();
            frame.lastType = child->GetNodeType();
            if (frame.lastType == kElementNode) {
                if (indented) out += kCrLf;
                const int level = frame.depth + 1;
                open(*static_cast<const CMXMLElement*>(child), level);  // invalidates `frame`
            } else {
                out += child->GetXML();
            }
            continue;
        }
        const bool endsWithElement = frame.lastType == kElementNode && indented;
        if (endsWithElement) out += kCrLf;
        if (frame.element->HasChildNodes()) {
            if (endsWithElement) AppendTabs(out, frame.depth);
            out += frame.element->GetEndTag();
        }
        stack.pop_back();
    }
}

}  // namespace

void SetXmlFormat(XmlFormat format) {
    g_format = format;
}

XmlFormat GetXmlFormat() {
    return g_format;
}

Text CMXMLElement::GetStartTag() const {
    if (m_name.empty()) return {};
    Text out = "<" + m_name;
    for (const CMXMLAttribute& attribute : m_attributes) {
        out += ' ';
        out += attribute.GetXML();
    }
    out += HasChildNodes() ? ">" : " />";
    return out;
}

Text CMXMLElement::GetEndTag() const {
    if (m_name.empty() || !m_hasEndTag) return {};
    return "</" + m_name + ">";
}

Text CMXMLElement::GetXML() const {
    Text out;
    AppendElementXML(out, *this, g_depth);
    return out;
}

Text CMXMLDocument::GetXML() const {
    Text out = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";
    if (g_format == XmlFormat::Indented) {
        out += kCrLf;
        g_depth = 0;
    }
    if (const CMXMLElement* root = GetDocumentElement()) AppendElementXML(out, *root, g_depth);
    return out;
}

}  // namespace varlo

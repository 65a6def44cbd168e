// varlo-cli xml: the XML tree of a file, or the file written back in either layout.

#include <iostream>

#include "cli/command.h"
#include "xml/document.h"
#include "xml/encoding.h"
#include "xml/writer.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

Json NodeJson(const CMXMLNode& root) {
    // Built without recursion: a parsed tree can be a few hundred levels deep.
    auto shell = [](const CMXMLNode& node) {
        Json json;
        json["type"] = node.GetNodeType();
        if (node.GetNodeType() == kElementNode) {
            const auto& element = static_cast<const CMXMLElement&>(node);
            json["name"] = Out(element.NodeName());
            Json attributes = Json::array();
            for (int i = 0; i < element.GetAttributeCount(); ++i) {
                const CMXMLAttribute& a = element.GetAttributeAt(i);
                attributes.push_back(Json::array({Out(a.NodeName()), Out(a.NodeValue())}));
            }
            json["attributes"] = std::move(attributes);
            json["hasEndTag"] = element.HasEndTag();
            json["children"] = Json::array();
        } else {
            json["value"] = Out(node.NodeValue());
        }
        return json;
    };
    Json result = shell(root);
    struct Frame {
        const CMXMLNode* next;  // the next child to add
        Json* json;
    };
    std::vector<Frame> stack;
    if (root.GetNodeType() == kElementNode) stack.push_back({root.GetFirstChild(), &result});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (!frame.next) {
            stack.pop_back();
            continue;
        }
        const CMXMLNode* child = frame.next;
        frame.next = child->GetNextSibling();
        Json& list = (*frame.json)["children"];
        list.push_back(shell(*child));
        if (child->GetNodeType() == kElementNode)
            stack.push_back({child->GetFirstChild(), &list.back()});
    }
    return result;
}

int RunXml(const std::vector<std::string>& args) {
    std::string layout;
    std::string path;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--write" && i + 1 < args.size()) {
            layout = args[++i];
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("xml");
        }
    }
    if (path.empty() || (!layout.empty() && layout != "compact" && layout != "indented")) {
        return UsageError("xml");
    }
    CMXMLDocument document;
    if (!document.LoadFile(path)) return kExitUnreadable;
    if (!layout.empty()) {
        SetXmlFormat(layout == "indented" ? XmlFormat::Indented : XmlFormat::Compact);
        std::cout << TextToUTF8(document.GetXML()) << "\n";
        return kExitOk;
    }
    Json json;
    json["type"] = kDocumentNode;
    json["encoding"] = Out(document.GetEncoding());
    Json children = Json::array();
    for (const CMXMLNode* child = document.GetFirstChild(); child;
         child = child->GetNextSibling()) {
        children.push_back(NodeJson(*child));
    }
    json["children"] = std::move(children);
    PrintJson(json);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "xml",
    "  varlo-cli xml FILE                                 the XML tree of FILE as JSON\n"
    "  varlo-cli xml --write compact|indented FILE        FILE written back as XML\n",
    RunXml);

}  // namespace varlo::cli

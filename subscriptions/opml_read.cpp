// Reading a subscription file into the list.

#include <string_view>
#include <vector>

#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "subscriptions/opml_escape.h"
#include "subscriptions/opml_file.h"
#include "xml/document.h"
#include "xml/tag_scan.h"

namespace varlo {
namespace {

// The element's text as GetText gives it, with the references of its character data decoded;
// CDATA sections are taken literally. Walks without recursion.
Text DecodedText(const CMXMLElement& element) {
    Text out;
    std::vector<const CMXMLNode*> resume;
    const CMXMLNode* node = element.GetFirstChild();
    while (node != nullptr) {
        const CMXMLNode* next = node->GetNextSibling();
        switch (node->GetNodeType()) {
            case kTextNode:
                out += DecodeOpmlReferences(node->NodeValue());
                break;
            case kCDATASectionNode:
                out += node->NodeValue();
                break;
            case kElementNode:
                if (node->HasChildNodes()) {
                    resume.push_back(next);
                    next = node->GetFirstChild();
                }
                break;
            default:
                break;
        }
        node = next;
        while (node == nullptr && !resume.empty()) {
            node = resume.back();
            resume.pop_back();
        }
    }
    return out;
}

// The value of an attribute as GetAttribute gives it, without a copy.
std::string_view AttributeOf(const CMXMLElement& element, std::string_view name) {
    const int index = element.FindAttribute(name);
    return index < 0 ? std::string_view() : element.GetAttributeAt(index).NodeValue();
}

// The category that an element gives the entries directly inside it: its title, else its text.
Text CategoryOf(const CMXMLElement& element) {
    std::string_view category = AttributeOf(element, "title");
    if (category.empty()) category = AttributeOf(element, "text");
    return DecodeOpmlReferences(category);
}

// The tags with a site or feed address in a text node. Markup reaches a text node only where the
// parser stopped building elements (nesting beyond its cap): those outlines are lost to the list,
// and the user is told how many.
int CountOutlinesInText(std::string_view text) {
    int count = 0;
    for (size_t lt = text.find('<'); lt != std::string_view::npos; lt = text.find('<', lt + 1)) {
        if (lt + 1 >= text.size() || text[lt + 1] == '/' || text[lt + 1] == '!') continue;
        const size_t gt = FindTagEnd(text, lt);
        if (gt == std::string_view::npos) break;
        CMXMLElement tag;
        tag.ParseStartTag(text.substr(lt, gt - lt + 1));
        if (!AttributeOf(tag, "htmlUrl").empty() || !AttributeOf(tag, "xmlUrl").empty()) ++count;
        lt = gt;
    }
    return count;
}

}  // namespace

bool COpmlFile::ReadOpml(const std::string& path) {
    // Everything is read into a list of its own and replaces this one only when the read
    // succeeds: a failed open must not leave the user's list empty for the next save to write.
    CMXMLDocument document;
    if (!document.LoadFile(path)) return false;
    const CMXMLElement* root = document.GetDocumentElement();
    if (root == nullptr) return false;
    if (root->NodeName() != "opml") {
        ShowMessageBox(Jp("OPMLファイルではありません"), kMbOk);
        return false;
    }

    COpmlFile fresh;
    if (const CMXMLElement* head = root->FindFirstElement("head")) {
        if (const CMXMLElement* title = head->FindFirstElement("title")) {
            fresh.m_strTitle = DecodedText(*title);
        }
    }
    const CMXMLElement* body = root->FindFirstElement("body");
    if (body == nullptr) return false;
    fresh.ReadOutlines(*body);

    m_strTitle = std::move(fresh.m_strTitle);
    m_items = std::move(fresh.m_items);
    m_nUnreadItems = fresh.m_nUnreadItems;
    return true;
}

void COpmlFile::ReadOutlines(const CMXMLElement& element) {
    // One frame per open folder: the next child to visit and the category of the folder's
    // entries, worked out once. An explicit stack keeps deep nesting off the call stack.
    struct Folder {
        const CMXMLNode* next;
        Text category;
    };
    std::vector<Folder> folders;
    folders.push_back({element.GetFirstChild(), CategoryOf(element)});
    while (!folders.empty()) {
        const CMXMLNode* node = folders.back().next;
        if (node == nullptr) {
            folders.pop_back();
            continue;
        }
        folders.back().next = node->GetNextSibling();
        if (node->GetNodeType() == kTextNode) {
            m_nUnreadItems += CountOutlinesInText(node->NodeValue());
            continue;
        }
        if (node->GetNodeType() != kElementNode) continue;

        // Any element counts, whatever its name; one with child nodes of any kind is a folder.
        const auto& child = static_cast<const CMXMLElement&>(*node);
        if (child.HasChildNodes()) {
            folders.push_back({child.GetFirstChild(), CategoryOf(child)});
            continue;
        }
        const std::string_view htmlUrl = AttributeOf(child, "htmlUrl");
        const std::string_view xmlUrl = AttributeOf(child, "xmlUrl");
        if (htmlUrl.empty() && xmlUrl.empty()) continue;

        auto item = std::make_unique<COpmlItem>();
        item->m_strTitle = DecodeOpmlReferences(AttributeOf(child, "title"));
        item->m_strCategory = folders.back().category;
        item->m_strHtmlUrl = DecodeOpmlReferences(htmlUrl);
        item->m_strXmlUrl = DecodeOpmlReferences(xmlUrl);
        item->m_strType = DecodeOpmlReferences(AttributeOf(child, "type"));
        m_items.push_back(std::move(item));
    }
}

}  // namespace varlo

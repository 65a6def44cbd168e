// Writing the list as an indented OPML file.

#include <ctime>

#include "feeds/dates.h"
#include "subscriptions/opml_escape.h"
#include "subscriptions/opml_file.h"
#include "xml/document.h"
#include "xml/writer.h"

namespace varlo {
namespace {

// A detached element whose content is `content`, escaped so that it stays one text.
std::unique_ptr<CMXMLElement> TextElement(std::string_view name, std::string_view content) {
    auto element = CMXMLDocument::CreateElement(name);
    element->SetNodeValue(EscapeOpmlContent(content));
    return element;
}

// An outline element for one entry; empty fields are not written.
std::unique_ptr<CMXMLElement> EntryElement(const COpmlItem& item) {
    auto outline = CMXMLDocument::CreateElement("outline");
    outline->SetAttribute("title", EscapeOpmlAttribute(item.m_strTitle));
    outline->SetAttribute("htmlUrl", EscapeOpmlAttribute(item.m_strHtmlUrl));
    outline->SetAttribute("type", EscapeOpmlAttribute(item.m_strType));
    outline->SetAttribute("xmlUrl", EscapeOpmlAttribute(item.m_strXmlUrl));
    return outline;
}

}  // namespace

bool COpmlFile::WriteOpml(const std::string& path) const {
    SetXmlFormat(XmlFormat::Indented);
    CMXMLDocument document;
    CMXMLElement* opml = document.AppendChild(CMXMLDocument::CreateElement("opml"));
    opml->SetAttribute("version", "1.0");

    auto head = CMXMLDocument::CreateElement("head");
    head->AppendChild(TextElement("title", m_strTitle));
    head->AppendChild(TextElement("dateCreated", FormatRfc822Date(std::time(nullptr))));
    opml->AppendChild(std::move(head));

    // Leading entries without category go straight into the body; from the first category on,
    // each run of equal categories becomes a group inside the "Subscriptions" holder.
    auto body = CMXMLDocument::CreateElement("body");
    auto holder = CMXMLDocument::CreateElement("outline");
    holder->SetAttribute("title", "Subscriptions");
    std::unique_ptr<CMXMLElement> group;
    static const Text kNone;
    const Text* category = &kNone;
    for (const auto& item : m_items) {
        if (item->m_strCategory != *category) {
            if (group) holder->AppendChild(std::move(group));
            group = CMXMLDocument::CreateElement("outline");
            group->SetAttribute("title", EscapeOpmlAttribute(item->m_strCategory));
            category = &item->m_strCategory;
        }
        CMXMLElement* parent = group ? group.get() : body.get();
        parent->AppendChild(EntryElement(*item));
    }
    if (group) holder->AppendChild(std::move(group));
    if (holder->HasChildNodes()) body->AppendChild(std::move(holder));
    opml->AppendChild(std::move(body));

    return document.SaveFile(path);
}

}  // namespace varlo

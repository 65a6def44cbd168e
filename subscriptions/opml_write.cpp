// Writing the list as an indented OPML file.

#include <ctime>

#include "encoding/codepage.h"
#include "feeds/dates.h"
#include "subscriptions/opml_escape.h"
#include "subscriptions/opml_file.h"
#include "xml/document.h"
#include "xml/writer.h"

namespace varlo {
namespace {

// A detached element whose content is `content`, escaped so that it stays one text; characters
// left out are counted in `*leftOut`.
std::unique_ptr<CMXMLElement> TextElement(std::string_view name, std::string_view content,
                                          int* leftOut) {
    auto element = CMXMLDocument::CreateElement(name);
    element->SetNodeValue(EscapeOpmlContent(content, leftOut));
    return element;
}

// An outline element for one entry; empty fields are not written.
std::unique_ptr<CMXMLElement> EntryElement(const COpmlItem& item, int* leftOut) {
    auto outline = CMXMLDocument::CreateElement("outline");
    outline->SetAttribute("title", EscapeOpmlAttribute(item.m_strTitle, leftOut));
    outline->SetAttribute("htmlUrl", EscapeOpmlAttribute(item.m_strHtmlUrl, leftOut));
    outline->SetAttribute("type", EscapeOpmlAttribute(item.m_strType, leftOut));
    outline->SetAttribute("xmlUrl", EscapeOpmlAttribute(item.m_strXmlUrl, leftOut));
    return outline;
}

}  // namespace

bool COpmlFile::WriteOpml(const std::string& path, int* leftOut) const {
    int dropped = 0;
    SetXmlFormat(XmlFormat::Indented);
    CMXMLDocument document;
    CMXMLElement* opml = document.AppendChild(CMXMLDocument::CreateElement("opml"));
    opml->SetAttribute("version", "1.0");

    auto head = CMXMLDocument::CreateElement("head");
    head->AppendChild(TextElement("title", m_strTitle, &dropped));
    head->AppendChild(TextElement("dateCreated", FormatRfc822Date(std::time(nullptr)), &dropped));
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
            group->SetAttribute("title", EscapeOpmlAttribute(item->m_strCategory, &dropped));
            category = &item->m_strCategory;
        }
        CMXMLElement* parent = group ? group.get() : body.get();
        parent->AppendChild(EntryElement(*item, &dropped));
    }
    if (group) holder->AppendChild(std::move(group));
    if (holder->HasChildNodes()) body->AppendChild(std::move(holder));
    opml->AppendChild(std::move(body));

    if (leftOut) *leftOut = dropped;
    return document.SaveFile(path);
}

Text LeftOutCharactersMessage(int count) {
    return Jp("XML ファイルに書けない文字 (制御文字など) が ") + std::to_string(count) +
           Jp(" 個あったため、それらを除いて保存しました。");
}

}  // namespace varlo

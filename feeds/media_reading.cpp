#include "feeds/media_reading.h"

#include "feeds/element_lookup.h"
#include "feeds/html_form.h"

namespace varlo {
namespace {

// A size in bytes written as digits, white space around it allowed; 0 for anything else.
int64_t LengthOf(std::string_view text) {
    text = Trim(text, " \t\r\n");
    if (text.empty() || text.size() > 18) return 0;
    int64_t value = 0;
    for (const char c : text) {
        if (!IsAsciiDigit(c)) return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

MediaLink LinkOf(const CMXMLElement& element, std::string_view urlName,
                 std::string_view lengthName) {
    MediaLink link;
    link.url = element.GetAttribute(urlName);
    link.type = Text(Trim(element.GetAttribute("type"), " \t\r\n"));
    link.length = LengthOf(element.GetAttribute(lengthName));
    link.base = BaseOf(element);
    return link;
}

}  // namespace

void ReadMedia(const CMXMLElement& element, CRssItem& item) {
    // Enclosures are the item's own children; Media RSS elements may stand in a "media:group".
    FindChild(element, [&](const CMXMLElement& child) {
        const std::string_view name = child.NodeName();
        if (name == "enclosure") {
            item.AddEnclosure(LinkOf(child, "url", "length"));
        } else if (name == "link" && child.GetAttribute("rel") == "enclosure") {
            item.AddEnclosure(LinkOf(child, "href", "length"));
        }
        return false;
    });
    const CMXMLElement* description = nullptr;
    const CMXMLElement* summary = nullptr;
    WalkElements(element, [&](const CMXMLElement& child) {
        const std::string_view name = child.NodeName();
        if (name == "media:content" || name == "media:thumbnail") {
            MediaLink link = LinkOf(child, "url", "fileSize");
            link.thumbnail = name == "media:thumbnail";
            item.AddMedia(std::move(link));
        } else if (name == "media:description" && description == nullptr) {
            description = &child;
        } else if (name == "itunes:summary" && summary == nullptr) {
            summary = &child;
        }
        return false;
    });
    if (const CMXMLElement* text = description != nullptr ? description : summary) {
        item.SetMediaDescription(TextOf(*text));
    }
}

}  // namespace varlo

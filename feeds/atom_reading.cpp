// Reading of Atom 0.3 and Atom 1.0 feeds into a CRssFile.

#include "feeds/element_lookup.h"
#include "feeds/rss_file.h"

namespace varlo {
namespace {

// The W3C date of the first `name` below `parent`; 0 when there is none or it cannot be read.
TimeValue DateOfFirst(const CMXMLElement& parent, std::string_view name) {
    const CMXMLElement* found = parent.FindFirstElement(name);
    return found == nullptr ? 0 : ParseW3cDate(TextOf(*found));
}

// The author is the first "name" anywhere in the feed, provided the feed has an "author" at all.
void TakeAuthor(const CMXMLElement& feed, Text& author) {
    if (feed.FindFirstElement("author") != nullptr) TakeTextOfFirst(feed, "name", author);
}

// An article from one entry: the dates named, then the texts both versions share.
std::unique_ptr<CRssItem> ReadEntry(const CMXMLElement& entry, std::string_view publishedName,
                                    std::string_view updatedName, std::string_view categoryName) {
    const TimeValue published = DateOfFirst(entry, publishedName);
    auto item =
        published != 0 ? std::make_unique<CRssItem>(published) : std::make_unique<CRssItem>();
    TakeTextOfFirst(entry, "title", item->m_strTitle);
    // The entry's first link, whatever its "rel".
    TakeAttributeOfFirst(entry, "link", "href", item->m_strLink);
    TakeTextOfFirst(entry, "summary", item->m_strDescription);
    TakeTextOfFirst(entry, "content", item->m_strContent);
    const TimeValue updated = DateOfFirst(entry, updatedName);
    if (updated != 0) item->SetDate(updated);
    TakeTextOfFirst(entry, categoryName, item->m_strCategory);
    return item;
}

}  // namespace

int CRssFile::ReadAtom03(const CMXMLElement& feed) {
    TakeTextOfFirst(feed, "title", m_strTitle);
    TakeAttributeOfFirst(feed, "link", "href", m_strLink);
    TakeTextOfFirst(feed, "tagline", m_strDescription);
    TakeAuthor(feed, m_strAuthor);
    const CMXMLNodeList entries = feed.GetElementsByTagName("entry");
    m_items.reserve(m_items.size() + static_cast<size_t>(entries.GetCount()));
    for (const CMXMLNode* node : entries) {
        m_items.push_back(
            ReadEntry(static_cast<const CMXMLElement&>(*node), "issued", "modified", "dc:subject"));
    }
    return 1;
}

int CRssFile::ReadAtom10(const CMXMLElement& feed) {
    TakeTextOfFirst(feed, "title", m_strTitle);
    // The first link meant for readers; the entries' links count when the feed has none.
    if (const CMXMLElement* link = FindFirstWithAttribute(feed, "link", "rel", {"alternate", ""})) {
        m_strLink = link->GetAttribute("href");
    }
    TakeTextOfFirst(feed, "subtitle", m_strDescription);
    TakeAuthor(feed, m_strAuthor);
    TakeTextOfFirst(feed, "id", m_strId);
    const CMXMLNodeList entries = feed.GetElementsByTagName("entry");
    m_items.reserve(m_items.size() + static_cast<size_t>(entries.GetCount()));
    for (const CMXMLNode* node : entries) {
        m_items.push_back(
            ReadEntry(static_cast<const CMXMLElement&>(*node), "published", "updated", "category"));
    }
    return 1;
}

}  // namespace varlo

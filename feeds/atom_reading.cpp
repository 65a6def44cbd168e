// Reading of Atom 0.3 and Atom 1.0 feeds into a CRssFile.

#include "feeds/element_lookup.h"
#include "feeds/rss_file.h"

namespace varlo {
namespace {

// The W3C date of an element; 0 when there is none or it cannot be read.
TimeValue DateOf(const CMXMLElement* element) {
    return element == nullptr ? 0 : ParseW3cDate(TextOf(*element));
}

// The author is the first "name" anywhere in the feed, provided the feed has an "author" at all.
void TakeAuthor(const CMXMLElement& feed, Text& author) {
    if (feed.FindFirstElement("author") != nullptr) TakeTextOfFirst(feed, "name", author);
}

// The names an entry is read from, by the version's own words for its two dates and category.
struct EntryNames {
    std::string_view published, updated, category;
};

// An article from one entry: the dates named, then the texts both versions share.
std::unique_ptr<CRssItem> ReadEntry(const CMXMLElement& entry, const EntryNames& version) {
    enum { kPublished, kTitle, kLink, kSummary, kContent, kUpdated, kCategory };
    const auto found = FindFirstOfEach<7>(entry, {version.published, "title", "link", "summary",
                                                  "content", version.updated, version.category});
    const TimeValue published = DateOf(found[kPublished]);
    auto item =
        published != 0 ? std::make_unique<CRssItem>(published) : std::make_unique<CRssItem>();
    TakeText(found[kTitle], item->m_strTitle);
    // The entry's first link, whatever its "rel".
    TakeAttribute(found[kLink], "href", item->m_strLink);
    TakeText(found[kSummary], item->m_strDescription);
    TakeText(found[kContent], item->m_strContent);
    const TimeValue updated = DateOf(found[kUpdated]);
    if (updated != 0) item->SetDate(updated);
    TakeText(found[kCategory], item->m_strCategory);
    return item;
}

// Appends one article per "entry" below the feed, in document order.
void ReadEntries(const CMXMLElement& feed, const EntryNames& version, CRssFile& out) {
    WalkElements(feed, [&](const CMXMLElement& element) {
        if (element.NodeName() == "entry") out.Add(ReadEntry(element, version));
        return false;
    });
}

}  // namespace

int CRssFile::ReadAtom03(const CMXMLElement& feed) {
    TakeTextOfFirst(feed, "title", m_strTitle);
    TakeAttribute(feed.FindFirstElement("link"), "href", m_strLink);
    TakeTextOfFirst(feed, "tagline", m_strDescription);
    TakeAuthor(feed, m_strAuthor);
    ReadEntries(feed, {"issued", "modified", "dc:subject"}, *this);
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
    ReadEntries(feed, {"published", "updated", "category"}, *this);
    return 1;
}

}  // namespace varlo

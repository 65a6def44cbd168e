// Reading of Atom 0.3 and Atom 1.0 feeds into a CRssFile.

#include "feeds/element_lookup.h"
#include "feeds/html_form.h"
#include "feeds/media_reading.h"
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
    bool atom03;
};

// Fills a description or content field, its kind and its HTML form from a text construct.
void TakeTextConstruct(const CMXMLElement* element, bool atom03, Text& field, int& kind,
                       Text& html) {
    if (element == nullptr) return;
    TakeText(element, field);
    kind = AtomTextKind(*element, atom03);
    html = HtmlForm(*element, kind);
}

// Fills a title and its kind from a text construct.
void TakeTitle(const CMXMLElement* element, bool atom03, Text& title, int& kind) {
    if (TakeText(element, title)) kind = AtomTextKind(*element, atom03);
}

// An article from one entry: the dates named, then the texts both versions share.
std::unique_ptr<CRssItem> ReadEntry(const CMXMLElement& entry, const EntryNames& version) {
    enum { kPublished, kTitle, kSummary, kContent, kUpdated, kCategory };
    // The entry's own elements: a "source" inside it carries the title, dates and id of the feed
    // it was taken from, which are not the article's.
    const auto found = FindChildOfEach<6>(entry, {version.published, "title", "summary", "content",
                                                  version.updated, version.category});
    const TimeValue published = DateOf(found[kPublished]);
    auto item =
        published != 0 ? std::make_unique<CRssItem>(published) : std::make_unique<CRssItem>();
    TakeTitle(found[kTitle], version.atom03, item->m_strTitle, item->m_nTitleKind);
    // The entry's own first link meant for readers; without one the article has no link (an
    // "edit" or "replies" address is not the article).
    const CMXMLElement* link = FindReaderLink(entry);
    TakeAttribute(link, "href", item->m_strLink);
    item->m_strBase = BaseOf(link != nullptr ? *link : entry);
    TakeText(FindChild(entry, [](const CMXMLElement& e) { return e.NodeName() == "id"; }),
             item->m_strGuid);
    TakeTextConstruct(found[kSummary], version.atom03, item->m_strDescription,
                      item->m_nDescriptionKind, item->m_strDescriptionHtml);
    TakeTextConstruct(found[kContent], version.atom03, item->m_strContent, item->m_nContentKind,
                      item->m_strContentHtml);
    const TimeValue updated = DateOf(found[kUpdated]);
    if (updated != 0) item->SetDate(updated);
    TakeText(found[kCategory], item->m_strCategory);
    ReadMedia(entry, *item);
    return item;
}

// Appends one article per "entry" below the feed, in document order, up to the cap.
void ReadEntries(const CMXMLElement& feed, const EntryNames& version, CRssFile& out) {
    WalkElements(feed, [&](const CMXMLElement& element) {
        if (element.NodeName() != "entry") return false;
        if (out.GetSize() >= kMaxArticles) {
            out.m_bArticleCapReached = true;
            return true;
        }
        out.Add(ReadEntry(element, version));
        return false;
    });
}

// The feed's own link meant for readers (never an entry's) and the base it is relative to.
void TakeFeedLink(const CMXMLElement& feed, CRssFile& out) {
    const CMXMLElement* link = FindReaderLink(feed);
    TakeAttribute(link, "href", out.m_strLink);
    out.m_strBase = BaseOf(link != nullptr ? *link : feed);
}

}  // namespace

int CRssFile::ReadAtom03(const CMXMLElement& feed) {
    // The feed's own title and tagline, never an entry's.
    TakeTitle(FindChildNamed(feed, "title"), true, m_strTitle, m_nTitleKind);
    TakeFeedLink(feed, *this);
    TakeTextConstruct(FindChildNamed(feed, "tagline"), true, m_strDescription, m_nDescriptionKind,
                      m_strDescriptionHtml);
    TakeAuthor(feed, m_strAuthor);
    ReadEntries(feed, {"issued", "modified", "dc:subject", true}, *this);
    return 1;
}

int CRssFile::ReadAtom10(const CMXMLElement& feed) {
    TakeTitle(FindChildNamed(feed, "title"), false, m_strTitle, m_nTitleKind);
    TakeFeedLink(feed, *this);
    TakeTextConstruct(FindChildNamed(feed, "subtitle"), false, m_strDescription, m_nDescriptionKind,
                      m_strDescriptionHtml);
    TakeAuthor(feed, m_strAuthor);
    TakeTextOfFirst(feed, "id", m_strId);
    ReadEntries(feed, {"published", "updated", "category", false}, *this);
    return 1;
}

}  // namespace varlo

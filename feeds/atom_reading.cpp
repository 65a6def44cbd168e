// Reading of Atom 0.3 and Atom 1.0 feeds into a CRssFile.

#include "feeds/article_key.h"
#include "feeds/article_reading.h"
#include "feeds/article_stream.h"
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
void TakeAuthor(const CMXMLElement& feed, ArticleStream* streamed, Text& author) {
    const bool any =
        streamed != nullptr ? streamed->AuthorSeen() : feed.FindFirstElement("author") != nullptr;
    if (!any) return;
    if (streamed == nullptr || !streamed->FirstNameTakenOut(author)) {
        TakeTextOfFirst(feed, "name", author);
    }
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
    item->SetBase(BaseOf(link != nullptr ? *link : entry));
    TakeText(FindChild(entry, [](const CMXMLElement& e) { return e.NodeName() == "id"; }),
             item->m_strGuid);
    item->m_strKey = AtomEntryKey(entry, version.atom03);
    if (const CMXMLElement* summary = found[kSummary]) {
        TakeText(summary, item->m_strDescription);
        item->m_nDescriptionKind = AtomTextKind(*summary, version.atom03);
        TakeDescriptionHtml(*summary, item->m_nDescriptionKind, *item);
    }
    if (const CMXMLElement* content = found[kContent]) {
        TakeText(content, item->m_strContent);
        item->m_nContentKind = AtomTextKind(*content, version.atom03);
        TakeContentHtml(*content, item->m_nContentKind, *item);
    }
    const TimeValue updated = DateOf(found[kUpdated]);
    if (updated != 0) item->SetDate(updated);
    TakeText(found[kCategory], item->m_strCategory);
    ReadMedia(entry, *item);
    return item;
}

constexpr EntryNames kAtom03Names{"issued", "modified", "dc:subject", true};
constexpr EntryNames kAtom10Names{"published", "updated", "category", false};

// Appends one article per "entry" below the feed, in document order, up to the cap: those read
// while the file was parsed, then any the tree still holds.
void ReadEntries(const CMXMLElement& feed, const EntryNames& version, ArticleStream* streamed,
                 CRssFile& out) {
    if (streamed != nullptr) streamed->MoveArticlesInto(out);
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

std::unique_ptr<CRssItem> ReadAtomEntry(const CMXMLElement& entry, bool atom03) {
    return ReadEntry(entry, atom03 ? kAtom03Names : kAtom10Names);
}

int CRssFile::ReadAtom03(const CMXMLElement& feed) {
    return ReadAtom(feed, true, nullptr);
}

int CRssFile::ReadAtom10(const CMXMLElement& feed) {
    return ReadAtom(feed, false, nullptr);
}

int CRssFile::ReadAtom(const CMXMLElement& feed, bool atom03, ArticleStream* streamed) {
    // The feed's own title and tagline (subtitle), never an entry's.
    TakeTitle(FindChildNamed(feed, "title"), atom03, m_strTitle, m_nTitleKind);
    TakeFeedLink(feed, *this);
    TakeTextConstruct(FindChildNamed(feed, atom03 ? "tagline" : "subtitle"), atom03,
                      m_strDescription, m_nDescriptionKind, m_strDescriptionHtml);
    TakeAuthor(feed, streamed, m_strAuthor);
    if (!atom03 && (streamed == nullptr || !streamed->FirstIdTakenOut(m_strId))) {
        TakeTextOfFirst(feed, "id", m_strId);
    }
    ReadEntries(feed, atom03 ? kAtom03Names : kAtom10Names, streamed, *this);
    return 1;
}

}  // namespace varlo

#include "feeds/rss_file.h"

#include <array>
#include <optional>

#include "feeds/article_key.h"
#include "feeds/article_reading.h"
#include "feeds/article_stream.h"
#include "feeds/element_lookup.h"
#include "feeds/html_form.h"
#include "feeds/media_reading.h"
#include "xml/document.h"
#include "xml/parse_observer.h"
#include "xml/plain_file.h"

namespace varlo {
namespace {

constexpr const char* kDefaultRssFileName = "index.rdf";
constexpr const char* kDefaultAtomFileName = "atom.xml";

// A guid is the article's address unless it says otherwise; generators differ in how they
// spell the attribute and its value ("false", "False").
bool IsPermalinkGuid(const CMXMLElement& guid) {
    Text value = guid.GetAttribute("isPermaLink");
    if (value.empty()) value = guid.GetAttribute("ispermalink");
    AsciiUpperInPlace(value);
    return Trim(value, " \t\r\n") != "FALSE";
}

bool IsFeedRootName(std::string_view name) {
    return name == "rss" || name == "rdf:RDF" || name == "feed";
}

// Where the feed's root element starts in `text`: the first "<rss", "<rdf:RDF" or "<feed" that
// opens a tag; npos when there is none.
size_t FeedRootStart(std::string_view text) {
    size_t first = std::string_view::npos;
    for (const std::string_view open : {"<rss", "<rdf:RDF", "<feed"}) {
        for (size_t at = text.find(open); at != std::string_view::npos && at < first;
             at = text.find(open, at + 1)) {
            const size_t after = at + open.size();
            if (after < text.size() && (IsHtmlSpace(text[after]) || text[after] == '>')) {
                first = at;
                break;
            }
        }
    }
    return first;
}

// A server that prints warnings before the feed (PHP does, as HTML: "<br />\n<b>Warning</b>...")
// makes their first tag the document's root and hides the feed. Parses the file again from the
// feed's own root, with the XML declaration kept for its encoding; false when the file holds no
// such root after other markup or cannot be read again.
bool ParseFeedBehindMarkup(const std::string& path, CMXMLDocument& document) {
    std::string text;
    try {
        CPlainFile file;
        file.Open(path, "rb");
        text = file.ReadAll();
    } catch (const std::exception&) {
        return false;
    } catch (const CMorvaFileException&) {
        return false;
    }
    const size_t root = FeedRootStart(text);
    if (root == 0 || root == std::string::npos) return false;
    std::string declaration;
    if (const size_t start = text.rfind("<?xml", root); start != std::string::npos) {
        if (const size_t end = text.find("?>", start); end != std::string::npos && end < root) {
            declaration = text.substr(start, end + 2 - start);
        }
    }
    document.ParseXML(declaration + text.substr(root));
    return true;
}

}  // namespace

CRssFile::CRssFile()
    : m_strRssFileName(kDefaultRssFileName), m_strAtomFileName(kDefaultAtomFileName) {}

CRssFile::~CRssFile() {
    // A feed of many articles lies in memory the cache has long let go: each article and its
    // texts are asked for a few articles ahead of their freeing, which otherwise waits on memory
    // at every block.
    constexpr size_t kAhead = 4;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (i + 2 * kAhead < m_items.size()) __builtin_prefetch(m_items[i + 2 * kAhead].get());
        if (const CRssItem* next =
                i + kAhead < m_items.size() ? m_items[i + kAhead].get() : nullptr) {
            for (const Text* text : {&next->m_strTitle, &next->m_strLink, &next->m_strDescription,
                                     &next->m_strContent, &next->m_strGuid}) {
                __builtin_prefetch(text->data());
            }
        }
        m_items[i].reset();
    }
}

void CRssFile::Clear() {
    RemoveAll();
    m_strTitle.clear();
    m_strLink.clear();
    m_strDescription.clear();
    m_strAuthor.clear();
    m_strFolder.clear();
    m_strId.clear();
    m_strAddress.clear();
    m_nTitleKind = kKindHtml;
    m_nDescriptionKind = kKindHtml;
    m_strDescriptionHtml.clear();
    m_strBase.clear();
    m_bArticleCapReached = false;
    m_bTreeLimitReached = false;
    m_strRssFileName = kDefaultRssFileName;
    m_strAtomFileName = kDefaultAtomFileName;
}

int CRssFile::Add(std::unique_ptr<CRssItem> item) {
    if (!item) return -1;
    m_items.push_back(std::move(item));
    return GetSize() - 1;
}

void CRssFile::RemoveAll() {
    // Index order, as the articles were added.
    for (auto& item : m_items) item.reset();
    m_items.clear();
}

int CRssFile::ReadRss(const std::string& path,
                      const std::function<void(const CMXMLDocument&)>& loaded) {
    // Articles are read while the file is parsed and leave the tree at once, unless the caller
    // wants to see the whole document.
    std::optional<ArticleStream> stream;
    if (!loaded) stream.emplace();
    CMXMLDocument document;
    {
        std::optional<ParseObserverScope> observing;
        if (stream) observing.emplace(*stream);
        // A file that cannot be read has been reported by the loader; whatever part of a tree it
        // may have built is not a feed.
        if (!document.LoadFile(path)) return 0;
    }
    if (loaded) loaded(document);
    const CMXMLElement* root = document.GetDocumentElement();
    ArticleStream* streamed = stream ? &*stream : nullptr;
    CMXMLDocument behindMarkup;
    std::optional<ArticleStream> behindStream;
    bool behind = false;
    if (root != nullptr && !IsFeedRootName(root->NodeName())) {
        std::optional<ParseObserverScope> observing;
        if (!loaded) observing.emplace(behindStream.emplace());
        behind = ParseFeedBehindMarkup(path, behindMarkup);
    }
    if (behind) {
        root = behindMarkup.GetDocumentElement();
        streamed = behindStream ? &*behindStream : nullptr;
        m_bTreeLimitReached = behindMarkup.LimitReached();
    } else {
        m_bTreeLimitReached = document.LimitReached();
    }
    if (root == nullptr) return 0;

    // Paths are file-system paths: "/" never occurs inside a multi-byte UTF-8 character.
    const size_t slash = path.rfind('/');
    m_strFolder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);

    if (root->NodeName() == "feed") {
        m_strAtomFileName = std::move(fileName);
        const bool atom03 = root->GetAttribute("version") == "0.3";
        m_nFormat = atom03 ? kFormatAtom03 : kFormatAtom10;
        return ReadAtom(*root, atom03, streamed);
    }
    m_nFormat = root->NodeName() == "rss" ? kFormatRss : kFormatRdf;
    m_strRssFileName = std::move(fileName);
    return ReadRssChannel(*root, streamed);
}

std::unique_ptr<CRssItem> ReadRssItem(const CMXMLElement& element, bool rdf, bool* ownLink) {
    // The elements the item is read from, found in one walk over the item.
    enum { kTitle, kLink, kDescription, kContent, kPubDate, kDcDate, kCategory, kGuid };
    std::array<const CMXMLElement*, 8> found;
    // The key's date is the "pubDate" even of an RDF item, whose reading ignores it.
    const CMXMLElement* keyDate = nullptr;
    if (!rdf) {
        found = FindFirstOfEach<8>(element, {"title", "link", "description", "content:encoded",
                                             "pubDate", "dc:date", "category", "guid"});
        keyDate = found[kPubDate];
    } else {
        const auto f =
            FindFirstOfEach<8>(element, {"title", "link", "description", "content:encoded",
                                         "dc:date", "dc:subject", "guid", "pubDate"});
        found = {f[0], f[1], f[2], f[3], nullptr, f[4], f[5], f[6]};
        keyDate = f[7];
    }
    auto item = std::make_unique<CRssItem>();
    if (!TakeText(found[kTitle], item->m_strTitle)) {
        const auto other = FindFirstOfEach<2>(element, {"dc:title", "media:title"});
        TakeText(other[0] != nullptr ? other[0] : other[1], item->m_strTitle);
    }
    TakeText(found[kGuid], item->m_strGuid);
    // Some generators give an item its page only as an Atom link.
    const CMXMLElement* atomLink =
        found[kLink] != nullptr
            ? nullptr
            : FindFirstWithAttribute(element, "atom:link", "rel", {"", "alternate"});
    *ownLink = true;
    // The key takes the link as written, before the fallbacks below.
    TakeText(found[kLink], item->m_strLink);
    item->m_strKey = ArticleKeyFrom(item->m_strGuid, item->m_strLink, found[kTitle],
                                    keyDate ? keyDate : found[kDcDate]);
    if (found[kLink] != nullptr) {
        // Generators that confuse RSS with Atom write the address as an attribute.
        if (Trim(item->m_strLink, " \t\r\n").empty()) {
            if (Text href = found[kLink]->GetAttribute("href"); !href.empty()) {
                item->m_strLink = std::move(href);
            }
        }
    } else if (atomLink != nullptr) {
        TakeAttribute(atomLink, "href", item->m_strLink);
    } else if (found[kGuid] != nullptr && IsPermalinkGuid(*found[kGuid])) {
        // Without a link, a guid that is a permalink is the article's address.
        item->m_strLink = item->m_strGuid;
    } else {
        *ownLink = false;
    }
    const CMXMLElement* linkElement = found[kLink] != nullptr ? found[kLink] : atomLink;
    item->SetBase(BaseOf(linkElement != nullptr ? *linkElement : element));
    if (TakeText(found[kDescription], item->m_strDescription)) {
        TakeDescriptionHtml(*found[kDescription], kKindHtml, *item);
    }
    if (TakeText(found[kContent], item->m_strContent)) {
        TakeContentHtml(*found[kContent], kKindHtml, *item);
    }
    // An RSS item's "dc:date" counts only when it has no "pubDate" at all, readable or not; RDF
    // items have only "dc:date".
    TimeValue t = 0;
    if (found[kPubDate] != nullptr) {
        t = ParseRfc822Date(TextOf(*found[kPubDate]));
    } else if (found[kDcDate] != nullptr) {
        t = ParseW3cDate(TextOf(*found[kDcDate]));
    } else {
        // Without either, an Atom date in the item (.NET writes "a10:updated" for every item and
        // "pubDate" only when it was given a publication date).
        const auto atom = FindFirstOfEach<4>(
            element, {"atom:published", "a10:published", "atom:updated", "a10:updated"});
        for (const CMXMLElement* date : atom) {
            if (date != nullptr && (t = ParseW3cDate(TextOf(*date))) != 0) break;
        }
    }
    if (t != 0) item->SetDate(t);
    TakeText(found[kCategory], item->m_strCategory);
    ReadMedia(element, *item);
    return item;
}

int CRssFile::ReadRssChannel(const CMXMLElement& root, ArticleStream* streamed) {
    const CMXMLElement* channel = root.FindFirstElement("channel");
    if (channel == nullptr) return 0;

    // The channel's own texts: an item's, the image's or the text input's title, link or
    // description is not the site's.
    // Some feeds name themselves and their items only in Dublin Core (or Media RSS) terms.
    if (!TakeText(FindChildNamed(*channel, "title"), m_strTitle)) {
        TakeText(FindChildNamed(*channel, "dc:title"), m_strTitle);
    }
    const CMXMLElement* channelLink = FindChildNamed(*channel, "link");
    TakeText(channelLink, m_strLink);
    m_strBase = BaseOf(channelLink != nullptr ? *channelLink : *channel);
    if (const CMXMLElement* description = FindChildNamed(*channel, "description")) {
        TakeText(description, m_strDescription);
        m_nDescriptionKind = kKindHtml;
        m_strDescriptionHtml = HtmlForm(*description, kKindHtml);
    }

    // An article without an address of its own has the channel's.
    const Text channelAbout = channel->GetAttribute("rdf:about");
    const bool rdf = m_nFormat == kFormatRdf;
    // Items beside the channel (RSS 1.0) count as well as those inside it (RSS 2.0): first those
    // read while the file was parsed, then any the tree still holds.
    if (streamed != nullptr) streamed->MoveArticlesInto(*this, channelAbout);
    WalkElements(root, [&](const CMXMLElement& element) {
        if (element.NodeName() != "item") return false;
        if (GetSize() >= kMaxArticles) {
            m_bArticleCapReached = true;
            return true;
        }
        bool ownLink = true;
        auto item = ReadRssItem(element, rdf, &ownLink);
        if (!ownLink) item->m_strLink = channelAbout;
        m_items.push_back(std::move(item));
        return false;
    });
    return 1;
}

}  // namespace varlo

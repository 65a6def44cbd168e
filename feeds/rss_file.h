#pragma once
// A feed: its feed-level texts and the articles it owns, in the order of the feed file; filled from
// RSS 0.9x/2.0, RSS 1.0 (RDF), Atom 0.3 and Atom 1.0 files.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "feeds/rss_item.h"
#include "platform/text.h"

namespace varlo {

class ArticleStream;
class CMXMLDocument;
class CMXMLElement;

// At most this many articles are read from one file: enough for any real feed, and a bound on
// the memory a hostile file can make the reader use.
inline constexpr int kMaxArticles = 100000;

// Formats held in `CRssFile::m_nFormat`.
enum FeedFormat : int {
    kFormatNone = 0,    // no file with a root element read yet
    kFormatRdf = 1,     // a root other than "rss" and "feed" (RSS 1.0 and anything else)
    kFormatRss = 2,     // root "rss"
    kFormatAtom03 = 3,  // root "feed" with version "0.3"
    kFormatAtom10 = 4,  // root "feed" with any other version, or none
};

class CRssFile {
  public:
    // An empty feed with the default file names "index.rdf" and "atom.xml".
    CRssFile();
    CRssFile(const CRssFile&) = delete;
    CRssFile& operator=(const CRssFile&) = delete;
    // A feed read on a worker is handed to the window's document whole.
    CRssFile(CRssFile&&) = default;
    CRssFile& operator=(CRssFile&&) = default;
    virtual ~CRssFile();

    // Deletes every article and resets the feed-level texts; keeps m_nFormat.
    void Clear();

    // Reads a feed file into this feed (which the caller has cleared): 1 when it was read as a
    // feed, 0 when it has no root element (unchanged feed) or, for RSS/RDF, no "channel".
    // `loaded`, when given, sees the file's document as loaded, before any of it is read: what
    // else a caller reads of the file costs no second parse.
    int ReadRss(const std::string& path,
                const std::function<void(const CMXMLDocument&)>& loaded = nullptr);
    // Reads the Atom 0.3 elements below the root "feed"; always 1.
    int ReadAtom03(const CMXMLElement& feed);
    // Reads the Atom 1.0 elements below the root "feed"; always 1.
    int ReadAtom10(const CMXMLElement& feed);

    // Number of articles.
    int GetSize() const { return static_cast<int>(m_items.size()); }
    // The article at a 0-based index; null when out of range.
    CRssItem* GetAt(int index) const {
        return index >= 0 && index < GetSize() ? m_items[static_cast<size_t>(index)].get()
                                               : nullptr;
    }
    // Appends an article and takes ownership of it; returns its index. A null article is refused
    // (-1), so the list never holds one.
    int Add(std::unique_ptr<CRssItem> item);
    // Deletes every article (in index order) and empties the list.
    void RemoveAll();

    Text m_strTitle;        // the feed's title
    Text m_strLink;         // address of the feed's web site
    Text m_strDescription;  // the feed's description, tagline or subtitle
    Text m_strAuthor;       // the feed's author name (Atom)
    // File name and folder of the files read: file-system paths (UTF-8), not code page 932.
    std::string m_strRssFileName;   // the last RSS or RDF file read, without folder
    std::string m_strAtomFileName;  // the last Atom file read, without folder
    std::string m_strFolder;        // folder of the last file read, without trailing "/"
    Text m_strId;                   // the feed's identifier (Atom 1.0)
    int m_nFormat = kFormatNone;    // a FeedFormat: the format of the last file read

    // What the display needs beyond the designed fields. The address is set by the caller after
    // Clear and before ReadRss; the rest is filled at read time.
    Text m_strAddress;                   // where the feed was downloaded from ("" for a file)
    int m_nTitleKind = kKindHtml;        // how the feed's title is written
    int m_nDescriptionKind = kKindHtml;  // how the feed's description is written
    Text m_strDescriptionHtml;           // the feed's description as HTML, not yet sanitized
    Text m_strBase;                      // xml:base in effect for the feed link, display form
    bool m_bArticleCapReached = false;   // the file held more articles than are read
    bool m_bTreeLimitReached = false;    // the file's markup passed a reading limit (attributes on
                                         // one tag, nesting, tree size): part of it was left out

  private:
    // Reads the RSS or RDF elements below the root; 0 when there is no "channel". `streamed`,
    // when given, holds the articles already read while the file was parsed.
    int ReadRssChannel(const CMXMLElement& root, ArticleStream* streamed);
    // Reads the Atom elements below the root "feed"; always 1.
    int ReadAtom(const CMXMLElement& feed, bool atom03, ArticleStream* streamed);

    std::vector<std::unique_ptr<CRssItem>> m_items;
};

}  // namespace varlo

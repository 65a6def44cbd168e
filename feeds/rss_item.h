#pragma once
// One article of a feed: its texts and its two dates.

#include <cstdint>
#include <vector>

#include "feeds/dates.h"
#include "platform/text.h"

namespace varlo {

// How a description or content is written in the feed, which decides its HTML form.
enum TextKind : int {
    kKindText = 0,   // plain text: shown as written, escaped into the page
    kKindHtml = 1,   // HTML escaped once for XML (RSS, Atom "html"); CDATA parts are HTML already
    kKindXhtml = 2,  // XHTML markup inside the element (Atom "xhtml")
};

// "text", "html" or "xhtml".
const char* TextKindName(int kind);

// A file an article carries: a podcast's audio, a video, a picture.
struct MediaLink {
    Text url;                // as written
    Text type;               // its media type as written ("audio/mpeg"), "" when not given
    int64_t length = 0;      // its size in bytes; 0 when not given or unreadable
    Text base;               // xml:base in effect at the element, display form ("" when none)
    bool thumbnail = false;  // a picture that stands for the article (media:thumbnail)
};

class CRssItem {
  public:
    // An article whose dates are both the current time (the time of reading).
    CRssItem();
    // An article whose dates are both `t`.
    explicit CRssItem(TimeValue t);
    virtual ~CRssItem() = default;

    // Sets the date the article list shows.
    void SetDate(TimeValue t) { m_timeUpdated = t; }
    // Sets the full content.
    void SetContent(const Text& content) { m_strContent = content; }
    // A copy of the title.
    Text GetTitle() const { return m_strTitle; }

    Text m_strTitle;            // the article's title
    Text m_strLink;             // address of the article's web page
    Text m_strDescription;      // the article's summary
    Text m_strCategory;         // the article's category or subject
    Text m_strContent;          // the article's full content
    TimeValue m_timeUpdated;    // the date shown in the article list
    TimeValue m_timePublished;  // first publication where the feed gives it (Atom)

    // What the display needs beyond the designed fields, all filled at read time.
    Text m_strGuid;                      // the RSS "guid" or Atom "id", as written
    int m_nTitleKind = kKindHtml;        // how the title is written
    int m_nDescriptionKind = kKindHtml;  // how the description is written
    int m_nContentKind = kKindHtml;      // how the content is written
    Text m_strDescriptionHtml;           // the description as HTML, not yet sanitized
    Text m_strContentHtml;               // the content as HTML, not yet sanitized
    Text m_strBase;  // xml:base in effect for the link, in display form ("" when none)
    // Files the article carries: RSS "enclosure" and Atom "link rel=enclosure" elements, then
    // Media RSS "media:content" and "media:thumbnail" ones, each in document order.
    std::vector<MediaLink> m_enclosures;
    std::vector<MediaLink> m_media;
    // The Media RSS description (else the iTunes summary), plain text as written: the only
    // text some feeds give an article (YouTube's).
    Text m_strMediaDescription;
};

}  // namespace varlo

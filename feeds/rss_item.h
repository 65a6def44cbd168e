#pragma once
// One article of a feed: its texts and its two dates.

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
};

}  // namespace varlo

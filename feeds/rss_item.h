#pragma once
// One article of a feed: its texts and its two dates.

#include <cstdint>
#include <memory>
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

// Where the HTML form of an article's description or content comes from. Most feeds write each as
// one run of text or of CDATA, and its HTML form follows from the text: it is then made when it is
// asked for rather than held a second time.
enum HtmlSource : uint8_t {
    kHtmlHeld = 0,     // held as it is (set apart from the text)
    kHtmlSameAsText,   // the text itself (HTML in CDATA sections)
    kHtmlDecodedText,  // the text with its references decoded once (HTML escaped for XML)
    kHtmlPlainText,    // the text with its references decoded, escaped for HTML (plain text)
    kHtmlEscapedText,  // the text escaped for HTML (plain text in CDATA sections)
};

class CRssItem {
  public:
    // An article whose dates are both the current time (the time of reading).
    CRssItem();
    // An article whose dates are both `t`.
    explicit CRssItem(TimeValue t);
    virtual ~CRssItem();

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
    Text m_strKey;                       // what tells this article from others: see article_key.h
    int m_nTitleKind = kKindHtml;        // how the title is written
    int m_nDescriptionKind = kKindHtml;  // how the description is written
    int m_nContentKind = kKindHtml;      // how the content is written

    // The description and the content as HTML, not yet sanitized.
    Text DescriptionHtml() const;
    Text ContentHtml() const;
    // Sets the HTML form as given.
    void SetDescriptionHtml(Text html);
    void SetContentHtml(Text html);
    // Makes the HTML form follow from the text (which the reader sets first), as `source` says.
    void SetDescriptionHtmlFrom(HtmlSource source);
    void SetContentHtmlFrom(HtmlSource source);

    // xml:base in effect for the link, in display form ("" when none).
    const Text& Base() const;
    void SetBase(Text base);
    // Files the article carries: RSS "enclosure" and Atom "link rel=enclosure" elements, then
    // Media RSS "media:content" and "media:thumbnail" ones, each in document order.
    const std::vector<MediaLink>& Enclosures() const;
    const std::vector<MediaLink>& Media() const;
    void AddEnclosure(MediaLink link);
    void AddMedia(MediaLink link);
    // The Media RSS description (else the iTunes summary), plain text as written: the only text
    // some feeds give an article (YouTube's).
    const Text& MediaDescription() const;
    void SetMediaDescription(Text text);

  private:
    // What few articles have, held apart: an article without any of it costs one pointer (a
    // feed may have 100,000 articles).
    struct Extras {
        Text base;
        std::vector<MediaLink> enclosures;
        std::vector<MediaLink> media;
        Text mediaDescription;
        Text descriptionHtml;  // when held
        Text contentHtml;      // when held
    };
    Extras& TheExtras();

    HtmlSource m_descriptionHtmlFrom = kHtmlHeld;
    HtmlSource m_contentHtmlFrom = kHtmlHeld;
    std::unique_ptr<Extras> m_extras;
};

}  // namespace varlo

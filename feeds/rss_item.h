#pragma once
// One article of a feed: its texts and its two dates.

#include "feeds/dates.h"
#include "platform/text.h"

namespace varlo {

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
};

}  // namespace varlo

#include "feeds/rss_item.h"

#include <ctime>

namespace varlo {

// One reading of the clock for both fields, so that an undated article never carries two
// different times of reading.
CRssItem::CRssItem() : CRssItem(static_cast<TimeValue>(std::time(nullptr))) {}

const char* TextKindName(int kind) {
    switch (kind) {
        case kKindText:
            return "text";
        case kKindXhtml:
            return "xhtml";
        default:
            return "html";
    }
}

CRssItem::CRssItem(TimeValue t) : m_timeUpdated(t), m_timePublished(t) {}

}  // namespace varlo

#pragma once
// What a page says about its article in its head: title, author and date, from Open Graph and
// article: meta elements, linked data (JSON-LD NewsArticle, BlogPosting and their kin) and the
// <title> element.

#include <string>

#include "feeds/dates.h"

namespace varlo {

struct PageTree;

struct PageMetadata {
    std::string title;   // UTF-8; empty when the page names none
    std::string author;  // UTF-8; empty when the page names none
    TimeValue date = 0;  // when the article was published; 0 when the page does not say
};

// The metadata of `tree`; linked data wins over meta elements, which win over <title>.
PageMetadata ReadPageMetadata(const PageTree& tree);

// A date as pages write it: W3C/ISO 8601 ("2024-05-01T09:00:00+09:00") or RFC 822; 0 otherwise.
TimeValue ParsePageDate(std::string_view text);

}  // namespace varlo

#pragma once
// The article of a web page without what surrounds it: the page is parsed by an HTML5 parser,
// its blocks are scored by how much prose they hold (CJK text weighed fairly), the best block and
// its kin become the article, and navigation, share bars, related lists, comments and notices go.
// No script of the page ever runs; the result's markup passes the preview's sanitizer.

#include <string>
#include <string_view>

#include "feeds/dates.h"

namespace varlo {

struct ExtractedArticle {
    std::string title;    // UTF-8; the page's metadata first, else its <title>
    std::string author;   // UTF-8; empty when the page names none
    TimeValue date = 0;   // when published; 0 when the page does not say
    std::string html;     // the article's markup, sanitized, addresses absolute; UTF-8
    std::string text;     // the article as plain text, blocks apart by blank lines; UTF-8
    std::string failure;  // why there is no article (Japanese, for the user); empty on success

    bool Found() const { return !text.empty(); }
};

// What an extraction produces besides the text.
struct ExtractOptions {
    bool html = true;  // the article's markup (a caller that needs only the text saves its memory)
};

// The article of the UTF-8 page `utf8Page` that came from `pageUrl` (relative addresses are
// resolved against it and the page's <base>). A page without an article, or one refused as too
// large, too deep or not text, gives empty html and text with `failure` set.
ExtractedArticle ExtractArticle(std::string_view utf8Page, std::string_view pageUrl,
                                const ExtractOptions& options = {});
// The same for a page the caller no longer needs: it is freed once parsed, so that a large page
// is not held beside its tree while the article is sought.
ExtractedArticle ExtractArticleTakingPage(std::string utf8Page, std::string_view pageUrl,
                                          const ExtractOptions& options = {});

}  // namespace varlo

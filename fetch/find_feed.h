#pragma once
// Finding a site's feed from its web page: the page's LINK announcements and its TITLE.

#include <memory>
#include <string>

#include "platform/text.h"
#include "subscriptions/opml_item.h"

namespace varlo {

// Downloads the page into folder/"down.html" (with the progress window when `progress`), decodes
// it and returns a new entry: the page's title (or the address), the page address, type "rss",
// and the resolved address of the last Atom link, else of the last RSS link, else none. Null after
// a message when the page cannot be fetched ("ダウンロードに失敗しました: " and the reason) or
// read; null without one when the user cancelled the download, which `cancelled` (when given) then
// says. With `unauthorized` given, an address that answers 401 is no failure: it is taken as a
// feed that needs credentials, an entry with that address as its page and feed, and
// `unauthorized` says so.
std::unique_ptr<COpmlItem> FindFeed(const Text& pageUrl, const std::string& folder,
                                    bool progress = true, bool* cancelled = nullptr,
                                    bool* unauthorized = nullptr);

// The absolute address of `link` found on the page at `pageUrl`. A link containing "://" stays as
// written; a relative one is resolved by the standard rules; if the page address cannot be
// parsed (or the link cannot be joined to it), the link is returned unchanged.
Text ResolveUrl(const Text& link, const Text& pageUrl);

}  // namespace varlo

#pragma once
// The preview page "MorvaPreview.html": the document's feed as a self-contained, safe HTML page.

#include <functional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace varlo {

class CRssFile;

// The four view options the page honours (settings section "View").
// How a page is coloured ("ColorScheme"): as the desktop prefers, which the engine tells the
// page through prefers-color-scheme, or light or dark whatever the desktop prefers.
enum class PageScheme { Auto = 0, Light = 1, Dark = 2 };

// The page's scheme stored as a number; anything out of range is Auto.
PageScheme PageSchemeFromNumber(long number);

struct PreviewOptions {
    bool description = false;  // "Description": each article's summary rather than its full content
    bool linkNew = false;      // "LinkNew": links open in a new window
    bool siteTitle = true;     // "SiteTitle": the feed's title at the top
    bool siteOutline = false;  // "SiteOutline": the feed's description at the top
    PageScheme scheme = PageScheme::Auto;
    bool operator==(const PreviewOptions&) const = default;
};

// The attribute the page's root element carries for `scheme` (" data-scheme=\"dark\""), empty
// for Auto, which leaves it to prefers-color-scheme.
std::string_view SchemeAttribute(PageScheme scheme);

// A complete UTF-8 page for the feed: its own style sheet, a policy that lets no script, plug-in,
// frame or form run, escaped texts and sanitized article markup, and no external resource except
// the articles' web images.
std::string BuildPreviewPage(const CRssFile& feed, const PreviewOptions& options);

// The sanitized HTML (UTF-8) the page holds for a description or content in its HTML form of
// `kind` (a TextKind), with relative addresses resolved against `base` (an address in display
// form; "" for none).
std::string SanitizedBody(const Text& html, int kind, const Text& base);

// The anchor (the id) of the feed's article `index` in the page.
std::string PreviewAnchor(int index);

// Writes the page for the feed to `path` through a temporary file beside it that replaces the old
// page only once complete; false (the old page untouched) when it cannot be written.
bool WritePreviewPage(const std::string& path, const CRssFile& feed, const PreviewOptions& options);

// A page too long to load at once starts with its first articles: writes (as WritePreviewPage
// does) the page of the articles that begin within its first `firstBytes` bytes (one at least).
// When articles are left, a marker after the page's <main> names `token` and says how many the page
// holds; they are added to the page shown in the pieces PreviewPieces makes. Returns how many
// articles the page holds, -1 when it cannot be written.
int WritePreviewStart(const std::string& path, const CRssFile& feed, const PreviewOptions& options,
                      size_t firstBytes, std::string_view token);

// The markup of the feed's articles from `from` on, as they stand in a whole page, in pieces of
// about `pieceBytes`: `piece(first, end, html)` for the articles [first, end), in order.
void PreviewPieces(const CRssFile& feed, const PreviewOptions& options, int from, size_t pieceBytes,
                   const std::function<void(int, int, std::string&)>& piece);

}  // namespace varlo

#include "preview/preview_page.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "encoding/address_text.h"
#include "encoding/codepage.h"
#include "feeds/dates.h"
#include "feeds/display_form.h"
#include "feeds/rss_file.h"
#include "preview/html_sanitizer.h"

namespace varlo {
namespace {

// The policy comes first in <head> so that it governs everything after it. Scripts, plug-ins,
// frames, workers, fonts and form submissions are refused; styles only from the page itself;
// images and the players' audio and video only from the web (a file address could read local
// files).
constexpr std::string_view kPolicy =
    "default-src 'none'; script-src 'none'; object-src 'none'; frame-src 'none'; "
    "child-src 'none'; worker-src 'none'; form-action 'none'; base-uri 'none'; "
    "img-src http: https: data:; media-src http: https:; style-src 'unsafe-inline'";

// The colours, light and dark. A page in Auto follows prefers-color-scheme, which the engine takes
// from the desktop's preference; a page with a scheme of its own keeps it whatever the desktop
// prefers.
constexpr std::string_view kLightColours = R"(
  --page: #f3f4f6; --text: #1f2328; --link: #0b5cad; --rule: #d8dce1; --muted: #6a737d;
  --outline: #444c56; --card: #fff; --card-edge: #e1e4e8; --meta: #8b949e; --chip: #eef1f4;
  --chip-text: #57606a; --line: #d0d7de; --code: #f6f8fa; --shadow: rgba(0, 0, 0, .04);
)";
constexpr std::string_view kDarkColours = R"(
  --page: #0d1117; --text: #e6edf3; --link: #6cb6ff; --rule: #30363d; --muted: #9198a1;
  --outline: #c9d1d9; --card: #161b22; --card-edge: #30363d; --meta: #8b949e; --chip: #262c36;
  --chip-text: #b1bac4; --line: #3d444d; --code: #1c2128; --shadow: rgba(0, 0, 0, .3);
)";

constexpr std::string_view kLayout = R"(
* { box-sizing: border-box; }
body {
  margin: 0; background: var(--page); color: var(--text);
  font-family: "Noto Sans CJK JP", "Noto Sans JP", "Hiragino Kaku Gothic ProN", "Hiragino Sans",
    "Yu Gothic UI", "Yu Gothic", Meiryo, "IPAexGothic", "TakaoPGothic", "VL PGothic",
    "Noto Color Emoji", sans-serif;
  font-size: 15px; line-height: 1.8; overflow-wrap: anywhere;
  -webkit-text-size-adjust: 100%; text-rendering: optimizeLegibility;
}
main { max-width: 46em; margin: 0 auto; padding: 1.5em 1em 3em; }
a[href] { color: var(--link); text-decoration: none; }
a[href]:hover { text-decoration: underline; }
.feed { margin: 0 0 1.5em; padding: 0 .25em 1em; border-bottom: 2px solid var(--rule); }
.feed h1 { margin: 0; font-size: 1.5em; line-height: 1.4; font-weight: 700; }
.feed .author { margin: .25em 0 0; color: var(--muted); font-size: .9em; }
.feed .outline { margin: .5em 0 0; color: var(--outline); }
.entry {
  background: var(--card); border: 1px solid var(--card-edge); border-radius: 10px;
  padding: 1em 1.3em 1.1em; margin: 0 0 1em; box-shadow: 0 1px 2px var(--shadow);
}
.entry h2 { margin: 0 0 .2em; font-size: 1.15em; line-height: 1.5; font-weight: 700; }
.meta { margin: 0 0 .6em; color: var(--meta); font-size: .82em; letter-spacing: .02em; }
.meta .category {
  margin-left: .8em; padding: 0 .5em; border-radius: 3px; background: var(--chip);
  color: var(--chip-text);
}
.body > :first-child { margin-top: 0; }
.body > :last-child { margin-bottom: 0; }
.body p { margin: 0 0 .8em; }
.body img { max-width: 100%; height: auto; vertical-align: middle; }
.body h1, .body h2, .body h3, .body h4, .body h5, .body h6 { font-size: 1.05em; margin: 1em 0 .4em; }
.body blockquote {
  margin: .8em 0; padding: .1em 1em; border-left: 3px solid var(--line); color: var(--chip-text);
}
.body pre { overflow-x: auto; padding: .8em 1em; background: var(--code); border-radius: 6px;
  font-size: .9em; line-height: 1.5; overflow-wrap: normal; }
.body code, .body kbd, .body samp {
  font-family: "Noto Sans Mono CJK JP", "DejaVu Sans Mono", monospace; font-size: .92em; }
.body table { border-collapse: collapse; max-width: 100%; display: block; overflow-x: auto; }
.body td, .body th { border: 1px solid var(--line); padding: .3em .6em; }
.body th { background: var(--code); }
.body hr { border: 0; border-top: 1px solid var(--card-edge); }
.body figure { margin: 1em 0; }
.body figcaption { color: var(--muted); font-size: .85em; }
.plain { white-space: pre-line; }
.thumbnail { margin: .6em 0 0; }
.thumbnail img { max-width: 100%; height: auto; border-radius: 6px; }
.media { margin: .6em 0 0; padding: 0; list-style: none; font-size: .9em; }
.media li { margin: .3em 0; }
.media .size { margin-left: .5em; color: var(--muted); }
.media audio, .media video { display: block; max-width: 100%; margin-top: .3em; }
.empty { color: var(--muted); text-align: center; padding: 3em 0; }
)";

// The whole style sheet, put together once.
const std::string& Style() {
    static const std::string style = [] {
        std::string s;
        s += ":root { color-scheme: light dark;";
        s += kLightColours;
        s += "}\n@media (prefers-color-scheme: dark) {\n:root:not([data-scheme=\"light\"]) {"
             " color-scheme: dark;";
        s += kDarkColours;
        s += "}\n}\n:root[data-scheme=\"light\"] { color-scheme: light; }\n";
        s += ":root[data-scheme=\"dark\"] { color-scheme: dark;";
        s += kDarkColours;
        s += "}";
        s += kLayout;
        return s;
    }();
    return style;
}

// A feed's title, author or category as page text, in its display form.
std::string TextOf(const Text& raw) {
    return EscapeHtml(Cp932ToUtf8(DisplayText(raw)));
}

// The web address (http or https) of an address in display form; empty when it is anything
// else. Image addresses are held to exactly these schemes, so the check for images serves here.
std::string WebAddress(const Text& address) {
    return CheckedUrl(AddressToUtf8(address), UrlUse::Image);
}

// True when HTML holds no tag at all but escaped tags ("&lt;p&gt;", "&lt;br /&gt;"): markup that
// its feed escaped once more than HTML needs (escaped markup wrapped in CDATA, say), which would
// show as tags in the page.
bool OnlyEscapedMarkup(std::string_view html) {
    if (LooksLikeHtml(html)) return false;
    static constexpr std::string_view kTags[] = {
        "p",  "br", "div", "a",  "img", "span", "b",     "i",          "em",     "ul",
        "ol", "li", "h1",  "h2", "h3",  "h4",   "table", "blockquote", "strong", "pre"};
    for (size_t at = html.find("&lt;"); at != std::string_view::npos;
         at = html.find("&lt;", at + 1)) {
        std::string_view rest = html.substr(at + 4);
        if (rest.starts_with('/')) rest.remove_prefix(1);
        for (const std::string_view tag : kTags) {
            if (rest.size() <= tag.size() || rest.substr(0, tag.size()) != tag) continue;
            const char after = rest[tag.size()];
            if (after == ' ' || after == '/' || rest.substr(tag.size()).starts_with("&gt;")) {
                return true;
            }
        }
    }
    return false;
}

// A title as page text, in its display form.
std::string TitleOf(const Text& raw, int kind) {
    return EscapeHtml(Cp932ToUtf8(DisplayTitle(raw, kind)));
}

// The sanitized HTML of a text in its HTML form of `kind`, as UTF-8.
std::string SanitizedHtml(const Text& html, int kind, const Text& base) {
    if (kind != kKindText && OnlyEscapedMarkup(html)) {
        return SanitizeHtml(Cp932ToUtf8(DecodeReferences(html)), WebAddress(base));
    }
    return SanitizeHtml(Cp932ToUtf8(html), WebAddress(base));
}

// A description or content as a block of the page: its HTML form sanitized; plain text (and HTML
// without any tag) keeps its line breaks.
void AppendBody(std::string& page, const Text& html, int kind, const Text& base,
                std::string_view cssClass) {
    const bool plain = kind == kKindText || (!LooksLikeHtml(html) && !OnlyEscapedMarkup(html));
    page += "<div class=\"";
    page += cssClass;
    page += plain ? " plain\">" : "\">";
    page += SanitizedHtml(html, kind, base);
    page += "</div>\n";
}

}  // namespace

PageScheme PageSchemeFromNumber(long number) {
    return number == 1 ? PageScheme::Light : number == 2 ? PageScheme::Dark : PageScheme::Auto;
}

std::string_view SchemeAttribute(PageScheme scheme) {
    switch (scheme) {
        case PageScheme::Light:
            return " data-scheme=\"light\"";
        case PageScheme::Dark:
            return " data-scheme=\"dark\"";
        case PageScheme::Auto:
            break;
    }
    return {};
}

std::string SanitizedBody(const Text& html, int kind, const Text& base) {
    return SanitizedHtml(html, kind, base);
}

namespace {

void AppendLinkStart(std::string& page, const std::string& url, bool linkNew) {
    page += "<a href=\"";
    page += EscapeHtml(url);
    page += linkNew ? "\" target=\"_blank\" rel=\"noopener noreferrer\">" : "\">";
}

void AppendHeader(std::string& page, const CRssFile& feed, const PreviewOptions& options) {
    if (!options.siteTitle && !options.siteOutline) return;
    page += "<header class=\"feed\">\n";
    if (options.siteTitle) {
        const std::string title = TitleOf(feed.m_strTitle, feed.m_nTitleKind);
        const std::string link = WebAddress(DisplayLinkOf(feed));
        page += "<h1>";
        if (!link.empty()) AppendLinkStart(page, link, options.linkNew);
        page += title.empty() ? "（無題のフィード）" : title;
        if (!link.empty()) page += "</a>";
        page += "</h1>\n";
        if (!feed.m_strAuthor.empty()) {
            page += "<p class=\"author\">";
            page += TextOf(feed.m_strAuthor);
            page += "</p>\n";
        }
    }
    if (options.siteOutline && !feed.m_strDescription.empty()) {
        const Text link = DisplayLinkOf(feed);
        AppendBody(page, feed.m_strDescriptionHtml, feed.m_nDescriptionKind,
                   link.empty() ? Text(Trim(feed.m_strAddress)) : link, "outline");
    }
    page += "</header>\n";
}

// "12.3 MB": a size in bytes as the user reads it.
std::string SizeText(int64_t bytes) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(bytes) + " バイト";
    double size = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    while (size >= 1024 && unit + 1 < std::size(kUnits)) {
        size /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", size, kUnits[unit]);
    return text;
}

// The name a file is listed by: the last part of its address's path, else the whole address.
std::string FileNameOf(std::string_view address) {
    const std::string_view path = address.substr(0, address.find_first_of("?#"));
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.empty() || path.find("//") + 1 >= slash ? address : name);
}

// The article's thumbnail as a picture, then each file it carries as a link with its type and
// size, and a player (never starting by itself) for audio and video from the web.
void AppendMedia(std::string& page, const CRssFile& feed, const CRssItem& item,
                 const PreviewOptions& options) {
    for (const MediaLink& media : item.Media()) {
        if (!media.thumbnail) continue;
        const std::string src = WebAddress(DisplayLinkOf(feed, media));
        if (src.empty()) continue;
        page += "<p class=\"thumbnail\"><img src=\"" + EscapeHtml(src) + "\" alt=\"\"></p>\n";
        break;
    }
    std::vector<std::string> listed;
    bool open = false;
    const auto append = [&](const MediaLink& media) {
        const std::string address = Cp932ToUtf8(DisplayLinkOf(feed, media));
        if (address.empty() || std::find(listed.begin(), listed.end(), address) != listed.end()) {
            return;
        }
        listed.push_back(address);
        if (!open) page += "<ul class=\"media\">\n";
        open = true;
        const std::string url = WebAddress(DisplayLinkOf(feed, media));
        page += "<li>";
        if (!url.empty()) AppendLinkStart(page, url, options.linkNew);
        page += EscapeHtml(FileNameOf(address));
        if (!url.empty()) page += "</a>";
        std::string about = Cp932ToUtf8(media.type);
        if (media.length > 0) about += (about.empty() ? "" : "、") + SizeText(media.length);
        if (!about.empty()) page += "<span class=\"size\">" + EscapeHtml(about) + "</span>";
        const std::string_view type = media.type;
        const char* player = type.starts_with("audio/")   ? "audio"
                             : type.starts_with("video/") ? "video"
                                                          : nullptr;
        if (player != nullptr && !url.empty()) {
            page += std::string("<") + player + " controls preload=\"none\" src=\"" +
                    EscapeHtml(url) + "\"></" + player + ">";
        }
        page += "</li>\n";
    };
    for (const MediaLink& media : item.Enclosures()) append(media);
    for (const MediaLink& media : item.Media()) {
        if (!media.thumbnail) append(media);
    }
    if (open) page += "</ul>\n";
}

void AppendArticle(std::string& page, const CRssFile& feed, int index,
                   const PreviewOptions& options) {
    const CRssItem& item = *feed.GetAt(index);
    const std::string link = WebAddress(DisplayLinkOf(feed, item));
    // Each article is an anchor, so that choosing its row in the list can scroll the page to it.
    page += "<article class=\"entry\" id=\"" + PreviewAnchor(index) + "\">\n<h2>";
    if (!link.empty()) AppendLinkStart(page, link, options.linkNew);
    const std::string title = TitleOf(item.m_strTitle, item.m_nTitleKind);
    page += title.empty() ? "（無題）" : title;
    if (!link.empty()) page += "</a>";
    page += "</h2>\n<p class=\"meta\"><span class=\"date\">";
    // A stored article its feed never dated has no date to show.
    if (item.m_timeUpdated > 0) page += TextOf(FormatDisplayDate(item.m_timeUpdated));
    page += "</span>";
    if (!item.m_strCategory.empty()) {
        page += "<span class=\"category\">";
        page += TextOf(item.m_strCategory);
        page += "</span>";
    }
    page += "</p>\n";
    // The summary when the user asks for it, else the full content where the feed has one.
    const bool summary = options.description || item.m_strContent.empty();
    const Text body = summary ? item.DescriptionHtml() : item.ContentHtml();
    if (!body.empty()) {
        AppendBody(page, body, summary ? item.m_nDescriptionKind : item.m_nContentKind,
                   ContentBaseOf(feed, item), "body");
    } else if (item.m_strDescription.empty() && item.m_strContent.empty() &&
               !item.MediaDescription().empty()) {
        // The only text some feeds give an article (YouTube's) is its Media RSS description.
        AppendBody(page, DecodeToHtmlText(item.MediaDescription()), kKindText,
                   ContentBaseOf(feed, item), "body");
    }
    AppendMedia(page, feed, item, options);
    page += "</article>\n";
}

// Builds the page piece by piece, handing each piece to `flush` whenever `page` has grown past
// `chunk` bytes (and at the end), so that a writer never holds the whole page. Once the page holds
// `firstBytes` bytes, the articles left are not written; a marker naming `token` says how many the
// page holds, for the rest to be added as it is shown. Returns how many articles the page holds.
template <typename Flush>
int BuildPage(const CRssFile& feed, const PreviewOptions& options, std::string& page, size_t chunk,
              Flush flush, size_t firstBytes = std::string::npos, std::string_view token = {}) {
    // No reservation per article: a file of empty articles would reserve far more than it holds.
    page += "<!DOCTYPE html>\n<html lang=\"ja\"";
    page += SchemeAttribute(options.scheme);
    page += ">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    page += kPolicy;
    page += "\">\n<meta name=\"referrer\" content=\"no-referrer\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    // Links inside the articles' own markup follow the same option as the titles.
    if (options.linkNew) page += "<base target=\"_blank\">\n";
    const std::string title = TitleOf(feed.m_strTitle, feed.m_nTitleKind);
    page += "<title>";
    page += title.empty() ? "プレビュー" : title;
    page += "</title>\n<style>";
    page += Style();
    page += "</style>\n</head>\n<body>\n<main>\n";
    AppendHeader(page, feed, options);
    size_t flushed = 0;
    int count = 0;
    for (; count < feed.GetSize(); ++count) {
        if (count > 0 && flushed + page.size() >= firstBytes) break;
        AppendArticle(page, feed, count, options);
        if (page.size() >= chunk) {
            flushed += page.size();
            flush(page);
        }
    }
    if (feed.GetSize() == 0) page += "<p class=\"empty\">記事はありません。</p>\n";
    page += "</main>\n";
    if (count < feed.GetSize()) {
        page += "<div hidden data-varlo-fill=\"" + EscapeHtml(token) + "\" data-next=\"" +
                std::to_string(count) + "\" data-total=\"" + std::to_string(feed.GetSize()) +
                "\"></div>\n";
    }
    page += "</body>\n</html>\n";
    flush(page);
    return count;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes the page to `path` through a temporary file beside it that replaces the old page only
// once complete. The page tells what the user reads, so it stays 0600 as mkstemp makes it. -1
// when it cannot be written, else how many articles it holds.
int WritePage(const std::string& path, const CRssFile& feed, const PreviewOptions& options,
              size_t firstBytes, std::string_view token) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return -1;
    std::unique_ptr<std::FILE, FileCloser> file(fdopen(fd, "wb"));
    if (!file) {
        close(fd);
        std::remove(temporary.c_str());
        return -1;
    }
    // Written as it is built: a large feed's page never lies in memory whole.
    bool ok = true;
    std::string piece;
    const int count = BuildPage(
        feed, options, piece, 64 * 1024,
        [&](std::string& done) {
            ok = std::fwrite(done.data(), 1, done.size(), file.get()) == done.size() && ok;
            done.clear();
        },
        firstBytes, token);
    ok = std::fflush(file.get()) == 0 && ok;
    ok = std::fclose(file.release()) == 0 && ok;
    // The browser pane may be reading the old page: the new one replaces it in one rename.
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return -1;
    }
    return count;
}

}  // namespace

std::string PreviewAnchor(int index) {
    return "entry-" + std::to_string(index);
}

std::string BuildPreviewPage(const CRssFile& feed, const PreviewOptions& options) {
    std::string page;
    BuildPage(feed, options, page, std::string::npos, [](std::string&) {});
    return page;
}

bool WritePreviewPage(const std::string& path, const CRssFile& feed,
                      const PreviewOptions& options) {
    return WritePage(path, feed, options, std::string::npos, {}) >= 0;
}

int WritePreviewStart(const std::string& path, const CRssFile& feed, const PreviewOptions& options,
                      size_t firstBytes, std::string_view token) {
    return WritePage(path, feed, options, firstBytes, token);
}

void PreviewPieces(const CRssFile& feed, const PreviewOptions& options, int from, size_t pieceBytes,
                   const std::function<void(int, int, std::string&)>& piece) {
    std::string html;
    int first = from;
    for (int i = from; i < feed.GetSize(); ++i) {
        AppendArticle(html, feed, i, options);
        if (html.size() >= pieceBytes || i + 1 == feed.GetSize()) {
            piece(first, i + 1, html);
            html.clear();
            first = i + 1;
        }
    }
}

}  // namespace varlo

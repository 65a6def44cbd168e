#include "fetch/find_feed.h"

#include <curl/curl.h>

#include <vector>

#include "encoding/codepage.h"
#include "feeds/display_form.h"
#include "fetch/curl_url.h"
#include "fetch/find_tags.h"
#include "fetch/html_tag.h"
#include "fetch/http_download.h"
#include "fetch/text_file.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "xml/element.h"

namespace varlo {
namespace {

// Percent-encodes the bytes the URL parser refuses (spaces, controls, 8-bit bytes), as a browser
// does before following such a link.
std::string EncodeUnsafeBytes(std::string_view link) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(link.size());
    for (const char ch : link) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

// White space around an address in a page or a typed field is layout, not part of the address.
constexpr std::string_view kAddressSpace = " \t\r\n\f\v";

// Only web addresses may come out of discovery: anything else would reach the browser pane or the
// download as the address of a site.
bool StartsWithWebScheme(std::string_view address) {
    return FindNoCase(address, "http://") == 0 || FindNoCase(address, "https://") == 0;
}

}  // namespace

Text ResolveUrl(const Text& link, const Text& pageUrl) {
    if (link.find("://") != Text::npos) return link;
    CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, pageUrl.c_str(), 0) != CURLUE_OK) {
        return link;
    }
    const std::string relative = EncodeUnsafeBytes(link);
    // A link of only a fragment (or nothing) names the page itself: the URL parser would drop the
    // page's last path segment and query, so the join is made here.
    const bool samePage = relative.empty() || relative.front() == '#';
    if (samePage) {
        curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    } else if (curl_url_set(url.get(), CURLUPART_URL, relative.c_str(), 0) != CURLUE_OK) {
        // Setting a relative address on a handle that holds the page address resolves it against
        // that address (root-relative, scheme-relative, "../" and "?" links included).
        return link;
    }
    char* joined = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &joined, 0) != CURLUE_OK || joined == nullptr) {
        return link;
    }
    const CurlString owner(joined);
    return samePage ? Text(joined) + relative : Text(joined);
}

std::unique_ptr<COpmlItem> FindFeed(const Text& pageUrl, const std::string& folder, bool progress,
                                    bool* cancelled, bool* unauthorized) {
    CHttpDownload download(pageUrl);
    // Said once, with its reason, below.
    download.KeepFailureUnshown();
    const std::string path = download.Download(folder, progress, "down.html");
    if (cancelled) *cancelled = download.Cancelled();
    if (unauthorized) *unauthorized = false;
    if (path.empty() && unauthorized && download.Status() == 401) {
        // A private feed asks for its credentials before it shows anything: the address is
        // the feed itself, for the user to complete.
        *unauthorized = true;
        auto item = std::make_unique<COpmlItem>();
        const Text address(Trim(pageUrl, kAddressSpace));
        item->m_strTitle = address;
        item->m_strType = "rss";
        item->m_strXmlUrl = address;
        item->m_strHtmlUrl = address;
        return item;
    }
    if (path.empty()) {
        // The user who cancelled knows why nothing came.
        if (!download.Cancelled()) {
            const Text& reason = download.Failure();
            ShowMessageBox(reason.empty() ? Jp("ダウンロードに失敗しました")
                                          : Jp("ダウンロードに失敗しました: ") + reason,
                           kMbOk | kMbIconError);
        }
        return nullptr;
    }
    CTextFile page;
    if (!page.Load(path)) return nullptr;

    const Text pageAddress(Trim(pageUrl, kAddressSpace));
    // A link's address as the entry would hold it; empty for a link to anything but the web,
    // which counts as no link at all.
    auto feedAddress = [&pageAddress](const Text& href) {
        // An attribute value holds references ("&amp;" in a query) that the address does not.
        const Text link(Trim(DecodeReferences(href), kAddressSpace));
        if (link.empty()) return Text();
        Text resolved = ResolveUrl(link, pageAddress);
        return StartsWithWebScheme(resolved) ? resolved : Text();
    };

    std::vector<Text> tags;
    FindTags(page.m_strText, tags, "LINK");
    Text rssLink;
    Text atomLink;
    for (const Text& tagText : tags) {
        const CHtmlTag tag(tagText);
        if (!EqualsNoCase(tag.GetAttribute("rel"), "alternate")) continue;
        const Text type = tag.GetAttribute("TYPE");
        // The first link of each kind counts: blog engines list the site's own feed first and
        // the comments feed (or a category's) after it.
        if (EqualsNoCase(type, "application/rss+xml")) {
            if (rssLink.empty()) rssLink = feedAddress(tag.GetAttribute("HREF"));
        } else if (EqualsNoCase(type, "application/atom+xml")) {
            if (atomLink.empty()) atomLink = feedAddress(tag.GetAttribute("HREF"));
        }
    }

    auto item = std::make_unique<COpmlItem>();
    tags.clear();
    FindTags(page.m_strText, tags, "TITLE");
    if (tags.empty()) {
        item->m_strTitle = pageAddress;
    } else {
        // The element has content only when its end tag is spelled like its start tag.
        const CMXMLElement title(tags.front());
        item->m_strTitle = DisplayText(title.GetText());
    }
    item->m_strType = "rss";
    item->m_strXmlUrl = atomLink.empty() ? rssLink : atomLink;
    item->m_strHtmlUrl = StartsWithWebScheme(pageAddress) ? pageAddress : Text();
    return item;
}

}  // namespace varlo

#include "update/stored_feed.h"

#include <memory>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "preview/html_sanitizer.h"

namespace varlo {

CRssFile StoredFeed(const std::vector<LibraryRow>& rows, const Text& siteTitle) {
    CRssFile feed;
    feed.m_strTitle = siteTitle;
    feed.m_nTitleKind = kKindText;
    for (const LibraryRow& row : rows) {
        auto item = std::make_unique<CRssItem>(static_cast<TimeValue>(row.date));
        item->m_strTitle = Utf8TextToCp932(row.title);
        item->m_nTitleKind = kKindText;
        item->m_strLink = Utf8TextToCp932(row.link);
        item->m_strCategory = Utf8TextToCp932(row.category);
        // Markup: a character the code page lacks travels as a reference, which HTML reads back.
        const Text html = Utf8ToCp932(row.html);
        // The stored HTML is the page's own, sanitized: what it escapes is text, never markup to
        // read again. Without a tag it is what the feed's page showed as plain text.
        const int kind = LooksLikeHtml(row.html) ? kKindHtml : kKindText;
        item->m_strContent = html;
        item->SetContentHtmlFrom(kHtmlSameAsText);
        item->m_nContentKind = kind;
        item->m_strDescription = html;
        item->SetDescriptionHtmlFrom(kHtmlSameAsText);
        item->m_nDescriptionKind = kind;
        item->m_strGuid = Utf8TextToCp932(row.key);
        item->m_strKey = item->m_strGuid;
        feed.Add(std::move(item));
    }
    return feed;
}

std::string LibraryKeyOf(const Text& key) {
    return Cp932TextToUtf8(key);
}

}  // namespace varlo

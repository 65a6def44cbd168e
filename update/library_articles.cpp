#include "update/library_articles.h"

#include <algorithm>
#include <ctime>

#include "encoding/carried_reference.h"
#include "feeds/display_form.h"
#include "preview/html_sanitizer.h"
#include "preview/preview_page.h"
#include "store/article_limits.h"

namespace varlo {
namespace {

constexpr int64_t kUndatedWindow = 60;

}  // namespace

std::vector<LibraryArticle> LibraryArticlesOf(const CRssFile& feed) {
    std::vector<LibraryArticle> articles;
    const size_t count = static_cast<size_t>(std::max(0, feed.GetSize()));
    articles.reserve(count);
    // The feed's author goes into every article: held to what the store keeps before it is
    // copied, so that a megabyte of it is not copied once per article.
    const std::string author(
        CapUtf8(Cp932TextToUtf8(DisplayText(feed.m_strAuthor)), kMaxAuthorBytes));
    // The reader dates an undated article by the time it read it, which changes at every read;
    // a date that recent (or one in the future) is no date of the article's own, and the library
    // orders the article by when it first saw it instead.
    const int64_t undatedFrom = static_cast<int64_t>(std::time(nullptr)) - kUndatedWindow;
    for (size_t i = 0; i < count; ++i) {
        const CRssItem& item = *feed.GetAt(static_cast<int>(i));
        LibraryArticle article;
        article.key = Cp932TextToUtf8(item.m_strKey);
        article.title = CapUtf8(Cp932TextToUtf8(DisplayTitle(item.m_strTitle, item.m_nTitleKind)),
                                kMaxTitleBytes);
        article.link = CapUtf8(Cp932TextToUtf8(DisplayLinkOf(feed, item)), kMaxLinkBytes);
        article.date =
            item.m_timeUpdated > 0 && item.m_timeUpdated < undatedFrom ? item.m_timeUpdated : 0;
        article.author = author;
        article.category =
            CapUtf8(Cp932TextToUtf8(DisplayText(item.m_strCategory)), kMaxCategoryBytes);
        // The whole text where the feed has it, else its summary, else (YouTube's) the media
        // description: what the preview page shows of the article.
        const Text base = ContentBaseOf(feed, item);
        if (const Text content = item.ContentHtml(); !content.empty()) {
            article.html = SanitizedBody(content, item.m_nContentKind, base);
        } else if (const Text summary = item.DescriptionHtml(); !summary.empty()) {
            article.html = SanitizedBody(summary, item.m_nDescriptionKind, base);
        } else if (!item.MediaDescription().empty()) {
            article.html =
                SanitizedBody(DecodeToHtmlText(item.MediaDescription()), kKindText, base);
        }
        articles.push_back(std::move(article));
    }
    return articles;
}

}  // namespace varlo

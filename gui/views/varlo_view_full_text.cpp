// 全文を表示: the chosen article's page fetched on a thread of its own, its article read out of
// it on the same thread, and shown in the preview pane as the article alone; the library keeps it,
// so that it shows at once the next time, offline too.

#include <memory>
#include <optional>
#include <string>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "fetch/relayed_progress.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "update/stored_feed.h"

namespace varlo {

std::optional<LibraryRow> CVarloView::ChosenArticle() {
    if (!m_articles || !m_articles->GetList()) return std::nullopt;
    const int row = m_articles->GetList()->GetSelectedItem();
    if (row < 0) return std::nullopt;
    CLibrary& library = FeedMarks().Library();
    if (m_articles->IsLibrary()) {
        const LibraryRow* listed = m_articles->LibraryRowAt(row);
        return listed ? library.Article(listed->id) : std::nullopt;
    }
    const Text key = m_articles->FeedKeyAt(row);
    if (key.empty() || m_chosenSite.empty()) return std::nullopt;
    CVarloDoc* doc = Doc();
    const CRssItem* item = doc ? doc->Feed().GetAt(row) : nullptr;
    if (std::optional<LibraryRow> stored = library.FindByKey(m_chosenSite, LibraryKeyOf(key))) {
        stored->html.clear();
        return stored;
    }
    // An article the library does not hold (yet): shown all the same, not kept.
    if (!item) return std::nullopt;
    LibraryRow unstored;
    unstored.feedUrl = m_chosenSite;
    unstored.title = Cp932ToUtf8(item->m_strTitle);
    unstored.link = Cp932ToUtf8(item->m_strLink);
    return unstored;
}

void CVarloView::OnShowFullText() {
    std::optional<LibraryRow> article = ChosenArticle();
    if (!article) return;
    if (article->id != 0) {
        if (std::optional<std::string> kept = FeedMarks().Library().FullText(article->id)) {
            ShowFullTextPage(*article, *kept);
            return;
        }
    }
    if (article->link.empty()) {
        ShowStatus(Wx("全文を取得できませんでした: 記事にリンクがありません"));
        return;
    }
    // A new choice replaces the fetch that runs.
    if (m_fullText) m_fullText->CancelFromAfar();
    const uint64_t generation = ++m_fullTextGeneration;
    auto progress = std::make_shared<CRelayedProgress>();
    m_fullText = progress;
    ShowStatus(Wx("全文を取得中"));
    const LibraryRow chosen = *article;
    RunOffWindow(
        this, OnOwnThread{[progress] { progress->CancelFromAfar(); }},
        [progress, link = chosen.link] {
            return FetchWholeArticle(link, SiteRequest(), progress.get());
        },
        [generation, chosen](CVarloView& view, WholeArticleFetch result) {
            view.FinishFullText(generation, chosen, result);
        });
}

void CVarloView::FinishFullText(uint64_t generation, const LibraryRow& article,
                                const WholeArticleFetch& result) {
    // A later choice took over: its own fetch says how it went.
    if (generation != m_fullTextGeneration) return;
    m_fullText.reset();
    if (result.cancelled) {
        ShowStatus(Wx("中止しました"));
        return;
    }
    if (!result.article.Found()) {
        // The feed's text stays where it is shown.
        ShowStatus(Wx("全文を取得できませんでした: ") + ToWx(result.failure));
        return;
    }
    if (article.id != 0) {
        MarkOffTheWindow([id = article.id, html = result.article.html](
                             CLibrary& library, CFeedStore&) { library.SetFullText(id, html); });
    }
    ShowStatus(Wx("ﾚﾃﾞｨ"));
    // Kept all the same, but not shown over another article the user went on to.
    const std::optional<LibraryRow> now = ChosenArticle();
    if (!now || now->id != article.id || now->link != article.link) return;
    ShowFullTextPage(article, result.article.html);
}

void CVarloView::ShowFullTextPage(LibraryRow article, const std::string& html) {
    // The article alone, on the page a feed gets: the same style, sanitizer and policy.
    article.html = html;
    auto titles = SiteTitles();
    auto site = titles.find(article.feedUrl);
    const Text siteTitle = site != titles.end() ? FromWx(site->second) : article.feedUrl;
    const CRssFile page = StoredFeed({article}, siteTitle);
    const std::string preview = GetPreviewPath();
    if (WritePreviewPage(preview, page, Options()) && m_browser) m_browser->Navigate(preview);
}

}  // namespace varlo

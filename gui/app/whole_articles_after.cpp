#include "gui/app/whole_articles_after.h"

#include <string>
#include <utility>
#include <vector>

#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "update/whole_articles.h"

namespace varlo {

CWholeArticlesAfter::~CWholeArticlesAfter() {
    Cancel();
}

bool CWholeArticlesAfter::Start(int64_t mark, std::function<void()> then) {
    CFeedMarks& marks = FeedMarks();
    std::shared_ptr<CWholeArticles> fetch;
    // The window's connection only reads here: which articles, and each site's request.
    if (!IsRunning() && marks.Store().IsOpen()) fetch = WholeArticlesAfter(marks.Store(), mark);
    if (!fetch) {
        if (then) then();
        return false;
    }
    m_fetch = fetch;
    std::shared_ptr<CStoreWriter> writer = marks.Writer();
    using Found = std::vector<std::pair<int64_t, std::string>>;
    RunOffWindow(
        this, OnOwnThread{[fetch] { fetch->Cancel(); }}, [fetch] { return fetch->Run(); },
        [writer, then](CWholeArticlesAfter& after, Found found) {
            RunOffWindow(
                &after, InStore{writer},
                [found = std::move(found)](CFeedStore* store) {
                    if (store != nullptr) KeepWholeArticles(*store, found);
                },
                [then](CWholeArticlesAfter& kept) {
                    kept.m_fetch.reset();
                    if (then) then();
                });
        });
    return true;
}

void CWholeArticlesAfter::Cancel() {
    if (m_fetch) m_fetch->Cancel();
}

}  // namespace varlo

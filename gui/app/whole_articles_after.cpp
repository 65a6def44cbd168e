#include "gui/app/whole_articles_after.h"

#include <string>
#include <utility>
#include <vector>

#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "update/whole_articles.h"

namespace varlo {

CWholeArticlesAfter::~CWholeArticlesAfter() {
    *m_alive = false;
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
    std::shared_ptr<bool> alive = m_alive;
    std::shared_ptr<CStoreWriter> writer = marks.Writer();
    CWholeArticlesAfter* self = this;
    RunOnOwnThread(
        [=]() -> std::function<void()> {
            auto found =
                std::make_shared<std::vector<std::pair<int64_t, std::string>>>(fetch->Run());
            return [=] {
                RunInStore(writer, [=](CFeedStore* store) -> std::function<void()> {
                    if (store != nullptr) KeepWholeArticles(*store, *found);
                    return [=] {
                        if (!*alive) return;
                        self->m_fetch.reset();
                        if (then) then();
                    };
                });
            };
        },
        [fetch] { fetch->Cancel(); });
    return true;
}

void CWholeArticlesAfter::Cancel() {
    if (m_fetch) m_fetch->Cancel();
}

}  // namespace varlo

#include "gui/document/feed_marks.h"

#include <ctime>
#include <map>

#include "gui/platform/background.h"
#include "platform/message_box.h"
#include "store/rule_store.h"
#include "store/store_paths.h"
#include "subscriptions/opml_file.h"

namespace varlo {

CFeedStore& CFeedMarks::Store() {
    const std::string path = StorePath();
    if (path != m_path) {
        m_path = path;
        m_store.Open(path);
        if (m_refuseWrites) m_store.RefuseWrites();
        // Pieces already posted finish on the old writer, which goes with the last of them.
        m_writer.reset();
        if (!m_store.Notice().empty()) {
            ShowMessageBox(m_store.Notice(), kMbOk | kMbIconWarning);
        }
    }
    return m_store;
}

std::shared_ptr<CStoreWriter> CFeedMarks::Writer() {
    CFeedStore& store = Store();
    if (!m_writer) m_writer = CStoreWriter::Make(store.IsOpen() ? store.Path() : std::string());
    return m_writer;
}

const CFeedCache& CFeedMarks::Cache() {
    if (!m_cacheSet) {
        m_cache = CFeedCache(FeedCacheFolder());
        m_cacheSet = true;
    }
    return m_cache;
}

CLibrary& CFeedMarks::Library() {
    CFeedStore& store = Store();
    // The library works on the store object, which stays the same when it is opened anew.
    if (!m_library) m_library = std::make_unique<CLibrary>(store);
    return *m_library;
}

void CFeedMarks::Touch(const std::vector<Text>& urls) {
    const auto now = static_cast<int64_t>(std::time(nullptr));
    RunOffWindow(InStore{Writer()}, [urls, now](CFeedStore* store) {
        if (store != nullptr) store->Touch(urls, now);
    });
}

void CFeedMarks::Prune() {
    const auto now = static_cast<int64_t>(std::time(nullptr));
    const CFeedCache cache = Cache();
    RunOffWindow(InStore{Writer()}, [now, cache](CFeedStore* store) {
        if (store == nullptr) return;
        for (const Text& url : store->Prune(now)) cache.Remove(url);
    });
}

void CFeedMarks::RefuseWindowWrites(bool refuse) {
    m_refuseWrites = refuse;
    if (refuse) m_store.RefuseWrites();
}

void CFeedMarks::RecordSiteCategories(const COpmlFile& file) {
    std::map<Text, std::vector<Text>> categories;
    for (int i = 0; i < file.GetCount(); ++i) {
        const COpmlItem* item = file.GetAt(i);
        if (item->m_strXmlUrl.empty()) continue;
        std::vector<Text>& names = categories[item->m_strXmlUrl];
        if (!item->m_strCategory.empty()) names.push_back(item->m_strCategory);
    }
    RunOffWindow(InStore{Writer()}, [categories = std::move(categories)](CFeedStore* store) {
        if (store != nullptr) CRuleStore(*store).SetSiteCategories(categories);
    });
}

CFeedMarks& FeedMarks() {
    static CFeedMarks marks;
    return marks;
}

}  // namespace varlo

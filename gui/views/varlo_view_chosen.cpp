// The chosen site's downloaded feed, read on workers. The first reads what the article list needs
// and the first screens of the preview page, and the window shows both as soon as they are read;
// a second reading then makes the rest of the page, added to it while it is shown, and takes the
// articles for the library, which for a site of thousands takes longer than showing them.

#include <unistd.h>
#include <wx/toplevel.h>

#include <memory>
#include <utility>
#include <vector>

#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/page_fill.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "store/article_keys.h"
#include "update/feed_choice.h"
#include "update/library_articles.h"

namespace varlo {

// A link of the workers' own to the downloaded file, gone with the last work that reads it.
struct CVarloView::ReadLink {
    explicit ReadLink(std::string linkPath) : path(std::move(linkPath)) {}
    ReadLink(const ReadLink&) = delete;
    ReadLink& operator=(const ReadLink&) = delete;
    ~ReadLink() {
        if (!path.empty()) unlink(path.c_str());
    }
    const std::string path;
};

// One reading of a chosen site's download.
struct CVarloView::ChosenRead {
    uint64_t generation = 0;
    Text url;
    std::string path;      // the download
    std::string readPath;  // what the workers read: their own link to it, else the download
    std::shared_ptr<ReadLink> link;
    std::string storePath;  // the store the workers open ("" when it is not open)
    ChosenAnswer answer;
    bool chosen = false;
    PreviewOptions options{};  // the view options the page is written with
    std::string previewTemp;   // the preview page, written beside its place
    std::string token;         // what the page's marker names when it lacks articles
};

// The feed as the article list needs it: the feed, its keys with the marks they had before this
// download, the messages the reading would have shown, and the page of its first articles.
struct CVarloView::ListPart {
    CRssFile feed;
    std::vector<Text> keys;
    bool keysRead = false;
    ChosenFeed chosen;
    bool marksRead = false;  // the marks were read from the store on the worker
    std::vector<std::pair<Text, unsigned>> messages;
    int previewCount = -1;  // the articles the page written holds (-1: not written)
};

// What the second reading of the feed takes further.
struct CVarloView::PagePart {
    std::vector<Text> keys;
    std::string readPath;
    std::shared_ptr<ReadLink> link;
};

namespace {

// Reads the feed at `readPath`, and with `keys` its article keys from the same parse.
void ReadFeedAndKeys(CRssFile& feed, const Text& url, const std::string& readPath,
                     std::vector<Text>* keys, bool* keysRead) {
    // Relative links of the feed are relative to where it came from.
    feed.m_strAddress = url;
    if (readPath.empty()) return;
    if (!keys) {
        feed.ReadRss(readPath);
        return;
    }
    feed.ReadRss(readPath,
                 [&](const CMXMLDocument& document) { *keysRead = ArticleKeysOf(document, keys); });
}

// Takes a feed apart on a worker: a large one takes a while.
void DisposeOffTheWindow(std::shared_ptr<const void> owner) {
    if (!owner) return;
    RunInBackground([owner]() mutable -> std::function<void()> {
        owner.reset();
        return nullptr;
    });
}

}  // namespace

void CVarloView::ReadChosenFeed(uint64_t generation, const Text& url, const std::string& path,
                                const ChosenAnswer& answer, bool chosen) {
    ++m_reading;
    ++m_unshown;
    auto read = std::make_shared<ChosenRead>();
    read->generation = generation;
    read->url = url;
    read->path = path;
    read->answer = answer;
    read->chosen = chosen;
    read->options = Options();
    read->previewTemp = GetPreviewPath() + "." + std::to_string(generation) + ".new";
    read->token = "g" + std::to_string(generation);
    CFeedMarks& marks = FeedMarks();
    read->storePath = marks.Store().IsOpen() ? marks.Store().Path() : std::string();
    // The workers read a link of their own to the file: a download started meanwhile (another
    // site chosen) replaces the shared name, never the file this link holds.
    read->readPath = path;
    if (!path.empty()) {
        const std::string own = path + "." + std::to_string(generation) + ".read";
        unlink(own.c_str());
        if (link(path.c_str(), own.c_str()) == 0) read->readPath = own;
    }
    read->link =
        std::make_shared<ReadLink>(read->readPath != path ? read->readPath : std::string());
    CVarloView* self = this;

    RunInBackground([self, read] {
        auto list = std::make_shared<ListPart>();
        MessageBoxHandler previous =
            SetMessageBoxHandler([&list](const Text& text, unsigned style) {
                list->messages.emplace_back(text, style);
                return static_cast<int>(kIdOk);
            });
        ReadFeedAndKeys(list->feed, read->url, read->readPath, read->chosen ? &list->keys : nullptr,
                        &list->keysRead);
        // The page a user waits for is its first screens: a feed of thousands gets the rest of
        // its articles once the page is shown.
        list->previewCount = WritePreviewStart(read->previewTemp, list->feed, read->options,
                                               PageFill::kFirstBytes, read->token);
        // The marks the list shows are read now; recording thousands of articles takes longer
        // than reading them, and waits until the feed is shown.
        CFeedStore store;
        if (list->keysRead && !read->storePath.empty() && store.OpenAnother(read->storePath)) {
            list->chosen.keys = list->keys;
            list->chosen.unseen = UnseenBeforeRecording(store, read->url, list->keys);
            list->marksRead = true;
        }
        SetMessageBoxHandler(std::move(previous));
        return std::function<void()>([self, read, list] {
            if (!IsLiveView(self)) {
                unlink(read->previewTemp.c_str());
                return DisposeOffTheWindow(list);
            }
            self->ApplyChosenList(read, list);
        });
    });
}

void CVarloView::ApplyChosenList(const std::shared_ptr<ChosenRead>& read,
                                 std::shared_ptr<ListPart> list) {
    --m_unshown;
    CVarloDoc* doc = Doc();
    wxWindow* frame = m_listCtrl ? wxGetTopLevelParent(m_listCtrl) : nullptr;
    bool live = doc && frame && !frame->IsBeingDeleted() && read->generation == m_generation;
    if (live) {
        for (const auto& [text, style] : list->messages) ShowMessageBox(text, style);
        // A message box lets the user choose again before it is answered.
        live = read->generation == m_generation;
    }
    // The download read on the workers is recorded even when the user moved on; it counts as
    // seen only when its list was shown.
    const bool record = read->chosen && list->marksRead && list->keysRead;
    auto page = std::make_shared<PagePart>();
    // The keys the list shows were copied for it.
    if (record) page->keys = std::move(list->keys);
    const int total = list->feed.GetSize();
    bool fill = false;
    if (!live) {
        // The user moved on: nothing is shown or marked seen.
        unlink(read->previewTemp.c_str());
        DisposeOffTheWindow(list);
    } else {
        if (read->chosen) {
            ChosenFeed& feed = list->chosen;
            if (!list->marksRead && list->keysRead) {
                // The store could not be opened on the worker: the articles are recorded here.
                CFeedMarks& marks = FeedMarks();
                feed = RecordChosenArticles(read->answer, marks.Store(), marks.Cache(), read->url,
                                            read->path, list->feed, std::move(list->keys));
                RefreshMarks();
            }
            if (m_articles) {
                // The articles that were unread when the site was chosen stay bold in this list.
                std::vector<bool> unseen(feed.keys.size());
                for (size_t i = 0; i < unseen.size(); ++i) unseen[i] = feed.WasUnseen(i);
                m_articles->SetUnseenRows(std::move(unseen));
                m_articles->SetFeedKeys(feed.keys);
            }
        }
        // The feed shown before may be large.
        DisposeOffTheWindow(std::make_shared<CRssFile>(std::move(doc->m_rssFile)));
        doc->m_rssFile = std::move(list->feed);
        ShowFeedRead();
        const std::string preview = GetPreviewPath();
        // A view option changed while the page was written makes it anew.
        const PreviewOptions now = Options();
        const bool sameOptions = now.description == read->options.description &&
                                 now.linkNew == read->options.linkNew &&
                                 now.siteTitle == read->options.siteTitle &&
                                 now.siteOutline == read->options.siteOutline;
        if (!sameOptions || list->previewCount < 0 ||
            rename(read->previewTemp.c_str(), preview.c_str()) != 0) {
            unlink(read->previewTemp.c_str());
            WritePreviewPage(preview, doc->m_rssFile, now);
        } else {
            fill = list->previewCount < total;
        }
        if (m_browser) {
            m_browser->StopFilling();
            m_browser->Navigate(preview);
        }
    }
    if (!fill && !record) {
        --m_reading;
        return;
    }
    // The second reading: the rest of the page, and the articles for the library.
    const int from = list->previewCount;
    const bool shown = live;
    CVarloView* self = this;
    RunInBackground([self, read, page, fill, record, from, shown]() -> std::function<void()> {
        MessageBoxHandler previous =
            SetMessageBoxHandler([](const Text&, unsigned) { return static_cast<int>(kIdOk); });
        auto feed = std::make_shared<CRssFile>();
        ReadFeedAndKeys(*feed, read->url, read->readPath, nullptr, nullptr);
        SetMessageBoxHandler(std::move(previous));
        auto pieces = std::make_shared<std::vector<PageFill::Piece>>();
        if (fill) {
            *pieces = PageFill::PiecesOf(*feed, read->options, from, GetPreviewPath(), read->token);
        }
        const int total = feed->GetSize();
        std::shared_ptr<const CRssFile> kept = record ? std::move(feed) : nullptr;
        feed.reset();
        return [self, read, page, pieces, kept, total, record, shown]() mutable {
            if (!IsLiveView(self)) return DisposeOffTheWindow(std::move(kept));
            --self->m_reading;
            if (!pieces->empty() && read->generation == self->m_generation && self->m_browser) {
                self->m_browser->FillPage(GetPreviewPath(), read->token, std::move(*pieces), total);
            }
            if (record) {
                page->readPath = read->readPath;
                page->link = read->link;
                self->RecordChosenOffTheWindow(page, std::move(kept), read->url, read->answer,
                                               shown);
            }
        };
    });
}

void CVarloView::RecordChosenOffTheWindow(const std::shared_ptr<PagePart>& page,
                                          std::shared_ptr<const CRssFile> feed, const Text& url,
                                          const ChosenAnswer& answer, bool markSeen) {
    CFeedMarks& marks = FeedMarks();
    const std::string storePath = marks.Store().IsOpen() ? marks.Store().Path() : std::string();
    if (storePath.empty()) return;
    // The articles of a site of thousands, its validators and its cache copy take far longer to
    // record than to show; the site counts as being read until they are recorded, and its count
    // changes then.
    const CFeedCache cache = marks.Cache();
    ++m_reading;
    CVarloView* self = this;
    RunInBackground([self, page, feed, storePath, cache, url, answer,
                     markSeen]() mutable -> std::function<void()> {
        CFeedStore store;
        if (store.OpenAnother(storePath)) {
            std::vector<LibraryArticle> articles = LibraryArticlesOf(*feed, page->keys);
            feed.reset();
            RecordChosenLibrary(answer, store, cache, url, page->readPath, articles, page->keys,
                                markSeen);
        }
        feed.reset();
        page->keys.clear();
        page->link.reset();
        return [self] {
            if (!IsLiveView(self)) return;
            --self->m_reading;
            self->RefreshMarks();
        };
    });
}

}  // namespace varlo

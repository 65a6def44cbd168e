// The chosen site's downloaded feed, read on two workers at once: one reads what the article list
// needs and the window shows it as soon as it is read; the other writes the preview page and
// takes the articles for the library, which for a site of thousands takes longer. The window
// joins the two in whichever order they arrive.

#include <unistd.h>
#include <wx/toplevel.h>

#include <memory>
#include <utility>
#include <vector>

#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
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

// The feed as the article list needs it: the feed, its keys with the marks they had before this
// download, and the messages the reading would have shown.
struct CVarloView::ListPart {
    CRssFile feed;
    std::vector<Text> keys;
    bool keysRead = false;
    ChosenFeed chosen;
    bool marksRead = false;  // the marks were read from the store on the worker
    std::vector<std::pair<Text, unsigned>> messages;
};

// The same feed as the preview and the library need it.
struct CVarloView::PagePart {
    std::vector<LibraryArticle> articles;
    std::vector<Text> keys;
    bool record = false;  // the articles are to be recorded
    std::string readPath;
    std::shared_ptr<ReadLink> link;
    std::string previewTemp;  // the preview page, written beside its place
    bool previewWritten = false;
    PreviewOptions options{};  // the view options it was written with
};

// Both parts of one read, on the window's thread.
struct CVarloView::ChosenJoin {
    uint64_t generation = 0;
    Text url;
    std::string path;
    ChosenAnswer answer;
    bool chosen = false;
    std::shared_ptr<ListPart> list;
    std::shared_ptr<PagePart> page;
    bool listDone = false;
    bool shown = false;            // the list shows this feed
    bool recordOffWindow = false;  // the library records the articles on a worker
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
void DisposeOffTheWindow(std::shared_ptr<void> owner) {
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
    const PreviewOptions options = Options();
    const std::string previewTemp = GetPreviewPath() + "." + std::to_string(generation) + ".new";
    CFeedMarks& marks = FeedMarks();
    const std::string storePath = marks.Store().IsOpen() ? marks.Store().Path() : std::string();
    // The workers read a link of their own to the file: a download started meanwhile (another
    // site chosen) replaces the shared name, never the file this link holds.
    std::string readPath = path;
    if (!path.empty()) {
        const std::string own = path + "." + std::to_string(generation) + ".read";
        unlink(own.c_str());
        if (link(path.c_str(), own.c_str()) == 0) readPath = own;
    }
    auto fileLink = std::make_shared<ReadLink>(readPath != path ? readPath : std::string());
    auto join = std::make_shared<ChosenJoin>();
    join->generation = generation;
    join->url = url;
    join->path = path;
    join->answer = answer;
    join->chosen = chosen;
    CVarloView* self = this;

    RunInBackground([self, join, fileLink, url, readPath, storePath, chosen] {
        auto list = std::make_shared<ListPart>();
        MessageBoxHandler previous =
            SetMessageBoxHandler([&list](const Text& text, unsigned style) {
                list->messages.emplace_back(text, style);
                return static_cast<int>(kIdOk);
            });
        ReadFeedAndKeys(list->feed, url, readPath, chosen ? &list->keys : nullptr, &list->keysRead);
        // The marks the list shows are read now; recording thousands of articles takes longer
        // than reading them, and waits until the feed is shown.
        CFeedStore store;
        if (list->keysRead && !storePath.empty() && store.OpenAnother(storePath)) {
            list->chosen.keys = list->keys;
            list->chosen.unseen = UnseenBeforeRecording(store, url, list->keys);
            list->marksRead = true;
        }
        SetMessageBoxHandler(std::move(previous));
        return std::function<void()>([self, join, list] {
            if (!IsLiveView(self)) return DisposeOffTheWindow(list);
            join->list = list;
            self->ApplyChosenList(join);
        });
    });

    RunInBackground([self, join, fileLink, url, readPath, storePath, chosen, options, previewTemp] {
        auto page = std::make_shared<PagePart>();
        // The list's reading tells the user what is wrong with the file, once.
        MessageBoxHandler previous =
            SetMessageBoxHandler([](const Text&, unsigned) { return static_cast<int>(kIdOk); });
        CRssFile feed;
        std::vector<Text> keys;
        bool keysRead = false;
        ReadFeedAndKeys(feed, url, readPath, chosen ? &keys : nullptr, &keysRead);
        if (keysRead && !storePath.empty()) {
            page->articles = LibraryArticlesOf(feed, keys);
            page->keys = std::move(keys);
            page->record = true;
            page->readPath = readPath;
            page->link = fileLink;
        }
        page->previewTemp = previewTemp;
        page->options = options;
        page->previewWritten = WritePreviewPage(previewTemp, feed, options);
        SetMessageBoxHandler(std::move(previous));
        return std::function<void()>([self, join, page] {
            if (!IsLiveView(self)) {
                unlink(page->previewTemp.c_str());
                return;
            }
            join->page = page;
            if (join->listDone) self->FinishChosen(join);
        });
    });
}

void CVarloView::ApplyChosenList(const std::shared_ptr<ChosenJoin>& join) {
    std::shared_ptr<ListPart> list = std::move(join->list);
    join->recordOffWindow = list->marksRead;
    CVarloDoc* doc = Doc();
    wxWindow* frame = m_listCtrl ? wxGetTopLevelParent(m_listCtrl) : nullptr;
    bool live = doc && frame && !frame->IsBeingDeleted() && join->generation == m_generation;
    if (live) {
        for (const auto& [text, style] : list->messages) ShowMessageBox(text, style);
        // A message box lets the user choose again before it is answered.
        live = join->generation == m_generation;
    }
    if (!live) {
        // The user moved on: nothing is shown or marked seen.
        DisposeOffTheWindow(list);
    } else {
        if (join->chosen) {
            ChosenFeed& feed = list->chosen;
            if (!list->marksRead && list->keysRead) {
                // The store could not be opened on the worker: the articles are recorded here.
                CFeedMarks& marks = FeedMarks();
                feed = RecordChosenArticles(join->answer, marks.Store(), marks.Cache(), join->url,
                                            join->path, list->feed, std::move(list->keys));
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
        join->shown = true;
        ShowFeedRead();
    }
    // Done only now: the page's part may have arrived while a message box was open.
    join->listDone = true;
    if (join->page) FinishChosen(join);
}

void CVarloView::FinishChosen(const std::shared_ptr<ChosenJoin>& join) {
    --m_reading;
    PagePart& page = *join->page;
    // The download read on the workers is recorded even when the user moved on; it counts as
    // seen only when its list was shown.
    if (join->recordOffWindow && page.record) {
        RecordChosenOffTheWindow(page, join->url, join->answer, join->shown);
    }
    CVarloDoc* doc = Doc();
    if (!join->shown || !doc || join->generation != m_generation) {
        if (!page.previewTemp.empty()) unlink(page.previewTemp.c_str());
        return;
    }
    const std::string preview = GetPreviewPath();
    // A view option changed while the page was written makes it anew.
    const PreviewOptions now = Options();
    const bool sameOptions =
        now.description == page.options.description && now.linkNew == page.options.linkNew &&
        now.siteTitle == page.options.siteTitle && now.siteOutline == page.options.siteOutline;
    if (!sameOptions || !page.previewWritten ||
        rename(page.previewTemp.c_str(), preview.c_str()) != 0) {
        unlink(page.previewTemp.c_str());
        WritePreviewPage(preview, doc->m_rssFile, now);
    }
    if (m_browser) m_browser->Navigate(preview);
}

void CVarloView::RecordChosenOffTheWindow(PagePart& page, const Text& url,
                                          const ChosenAnswer& answer, bool markSeen) {
    if (!page.record) return;
    page.record = false;
    CFeedMarks& marks = FeedMarks();
    const std::string storePath = marks.Store().IsOpen() ? marks.Store().Path() : std::string();
    if (storePath.empty()) return;
    // The validators, the cache copy and the articles of a site of thousands take far longer than
    // showing them; the site counts as being read until they are recorded, and its count changes
    // then.
    struct Recording {
        std::vector<LibraryArticle> articles;
        std::vector<Text> keys;
        std::string path;
        std::shared_ptr<ReadLink> link;
    };
    auto job = std::make_shared<Recording>(Recording{std::move(page.articles), std::move(page.keys),
                                                     page.readPath, std::move(page.link)});
    const CFeedCache cache = marks.Cache();
    ++m_reading;
    CVarloView* self = this;
    RunInBackground(
        [self, job, storePath, cache, url, answer, markSeen]() -> std::function<void()> {
            CFeedStore store;
            if (store.OpenAnother(storePath)) {
                RecordChosenLibrary(answer, store, cache, url, job->path, job->articles, job->keys,
                                    markSeen);
            }
            job->articles.clear();
            job->link.reset();
            return [self] {
                if (!IsLiveView(self)) return;
                --self->m_reading;
                self->RefreshMarks();
            };
        });
}

}  // namespace varlo

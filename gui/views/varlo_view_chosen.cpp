// The chosen site's downloaded feed, read once on a worker with the first screens of its preview
// page, which the window shows as soon as they are written; further work on the same reading then
// makes the rest of the page, added to it while it is shown, and records the articles in the
// library, which for a site of thousands takes longer than showing them.
#include <unistd.h>
#include <wx/toplevel.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include "fetch/http_download.h"
#include "fetch/relayed_progress.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/page_fill.h"
#include "gui/views/unshown_page.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "store/worker_store.h"
#include "update/feed_reading.h"
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
    PreviewOptions options{};  // the view options the page is written with
    std::string previewTemp;   // the preview page, written beside its place
    std::string token;         // what the page's marker names when it lacks articles
};

// The feed as the article list needs it: the one reading of the download, the marks its articles
// had before this download, and the page of its first articles.
struct CVarloView::ListPart {
    FeedReading reading;
    ChosenFeed chosen;
    bool marksRead = false;  // the marks were read from the store on the worker
    int previewCount = -1;   // the articles the page written holds (-1: not written)
    CUnshownPage preview;
};

void CVarloView::ReadChosenFeed(uint64_t generation, const Text& url, const std::string& path,
                                const ChosenAnswer& answer) {
    ++m_reading;
    ++m_unshown;
    auto read = std::make_shared<ChosenRead>();
    read->generation = generation;
    read->url = url;
    read->path = path;
    read->answer = answer;
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
    RunOffWindow(
        this, OnWorkers{},
        [read] {
            auto list = std::make_shared<ListPart>();
            // The download is parsed here, once: the list, the page and the library all take it.
            list->reading = ReadFeedBody(read->readPath, read->url);
            const CRssFile& feed = *list->reading.feed;
            // The page a user waits for is its first screens: a feed of thousands gets the rest
            // of its articles once the page is shown.
            list->preview = CUnshownPage(read->previewTemp);
            list->previewCount = WritePreviewStart(read->previewTemp, feed, read->options,
                                                   PageFill::kFirstBytes, read->token);
            // The marks the list shows are read now; recording thousands of articles takes
            // longer than reading them, and waits until the feed is shown.
            CFeedStore* store = list->reading.isFeed ? WorkerStore(read->storePath) : nullptr;
            if (store) {
                list->chosen.unseen = UnseenBeforeRecording(*store, read->url, feed);
                list->marksRead = true;
            }
            return list;
        },
        [read](CVarloView& view, std::shared_ptr<ListPart> list) {
            view.ApplyChosenList(read, std::move(list));
        });
}

void CVarloView::ApplyChosenList(const std::shared_ptr<ChosenRead>& read,
                                 std::shared_ptr<ListPart> list) {
    --m_unshown;
    CVarloDoc* doc = Doc();
    wxWindow* frame = m_listCtrl ? wxGetTopLevelParent(m_listCtrl) : nullptr;
    bool live = doc && frame && !frame->IsBeingDeleted() && read->generation == m_generation;
    if (live) {
        for (const auto& [text, style] : list->reading.messages) ShowMessageBox(text, style);
        // A message box lets the user choose again before it is answered.
        live = read->generation == m_generation;
    }
    // The download read on the workers is recorded even when the user moved on; it counts as
    // seen only when its list was shown. Without the marks (the store could not be opened on the
    // worker) nothing is recorded: the next choice of the site records it.
    const bool record = list->marksRead;
    std::shared_ptr<const CRssFile> feed = list->reading.feed;
    const int total = feed->GetSize();
    const int from = list->previewCount;
    bool fill = false;
    if (live) {
        if (m_articles) {
            // The articles that were unread when the site was chosen stay bold in this list.
            std::vector<bool> unseen(static_cast<size_t>(total));
            for (int i = 0; i < total; ++i) unseen[i] = list->chosen.WasUnseen(*feed->GetAt(i));
            m_articles->SetUnseenRows(std::move(unseen));
        }
        // The feed shown before may be large.
        ReleaseInBackground(doc->SetFeed(feed));
        ShowFeedRead();
        const std::string preview = GetPreviewPath();
        if (list->previewCount < 0 || !list->preview.MoveTo(preview)) {
            WritePreviewPage(preview, *feed, read->options);
        } else {
            fill = list->previewCount < total;
        }
        if (m_browser) {
            m_browser->StopFilling();
            m_browser->Navigate(preview);
        }
    }
    // When the user moved on, nothing is shown or marked seen, and the page written goes with the
    // reading.
    ReleaseInBackground(std::move(list));
    // A view option changed while the page was written: the page is written anew from this
    // reading.
    if (live && read->options != Options()) {
        --m_reading;
        if (record) RecordChosenOffTheWindow(read, feed, live);
        return RewritePreview();
    }
    if (!fill && !record) {
        --m_reading;
        return;
    }
    // The rest of the page, then the articles for the library, from the same reading.
    RunOffWindow(
        this, OnWorkers{},
        [read, feed, fill, from] {
            std::vector<PageFill::Piece> pieces;
            if (fill) {
                pieces =
                    PageFill::PiecesOf(*feed, read->options, from, GetPreviewPath(), read->token);
            }
            return pieces;
        },
        [read, feed, record, live](CVarloView& view, std::vector<PageFill::Piece> pieces) {
            --view.m_reading;
            if (!pieces.empty() && read->generation == view.m_generation && view.m_browser) {
                view.m_browser->FillPage(GetPreviewPath(), read->token, std::move(pieces),
                                         feed->GetSize());
            }
            if (record) view.RecordChosenOffTheWindow(read, feed, live);
        });
}

void CVarloView::RecordChosenOffTheWindow(const std::shared_ptr<ChosenRead>& read,
                                          std::shared_ptr<const CRssFile> feed, bool markSeen) {
    if (read->storePath.empty()) return;
    // The articles of a site of thousands, its validators and its cache copy take far longer to
    // record than to show; the site counts as being read until they are recorded, and its count
    // changes then.
    const CFeedCache cache = FeedMarks().Cache();
    ++m_reading;
    RunOffWindow(
        this, InStore{FeedMarks().Writer()},
        [read, feed, cache, markSeen](CFeedStore* store) mutable {
            if (store != nullptr) {
                const std::vector<LibraryArticle> articles = LibraryArticlesOf(*feed);
                feed.reset();
                RecordChosenLibrary(read->answer, *store, cache, read->url, read->readPath,
                                    articles, markSeen);
            }
            feed.reset();
        },
        [](CVarloView& view) {
            --view.m_reading;
            view.RefreshMarks();
        });
}

namespace {

// The page written anew, with the pieces that complete it.
struct Rewritten {
    CUnshownPage page;
    int count = -1;
    std::vector<PageFill::Piece> pieces;
};

}  // namespace

void CVarloView::RewritePreview(bool show) {
    CVarloDoc* doc = Doc();
    if (!doc) return;
    const uint64_t generation = ++m_generation;
    std::shared_ptr<const CRssFile> feed = doc->SharedFeed();
    const PreviewOptions options = Options();
    const std::string temp = GetPreviewPath() + "." + std::to_string(generation) + ".new";
    const std::string token = "g" + std::to_string(generation);
    ++m_reading;
    ++m_unshown;
    RunOffWindow(
        this, OnWorkers{},
        [feed, options, temp, token, show] {
            Rewritten page;
            page.page = CUnshownPage(temp);
            // A page not shown now is written whole: no pieces can be added to it until it is
            // shown.
            page.count = show
                             ? WritePreviewStart(temp, *feed, options, PageFill::kFirstBytes, token)
                             : (WritePreviewPage(temp, *feed, options) ? feed->GetSize() : -1);
            if (page.count >= 0 && page.count < feed->GetSize()) {
                page.pieces =
                    PageFill::PiecesOf(*feed, options, page.count, GetPreviewPath(), token);
            }
            return page;
        },
        [generation, feed, options, token, show](CVarloView& view, Rewritten page) {
            --view.m_reading;
            --view.m_unshown;
            if (generation != view.m_generation) return;
            // Another option changed meanwhile: written again with the options of now.
            if (options != view.Options()) return view.RewritePreview(show);
            const std::string preview = GetPreviewPath();
            if (page.count < 0 || !page.page.MoveTo(preview)) {
                WritePreviewPage(preview, *feed, options);
                page.pieces.clear();
            }
            if (view.m_browser && show) {
                view.m_browser->StopFilling();
                view.m_browser->Navigate(preview);
                if (!page.pieces.empty()) {
                    view.m_browser->FillPage(preview, token, std::move(page.pieces),
                                             feed->GetSize());
                }
            }
        });
}

void CVarloView::UpdateFeed() {
    CVarloDoc* doc = Doc();
    if (!doc || !m_listCtrl || IsBusy()) return;
    m_selectedUnchosen = false;
    if (const int view = SelectedLibraryRow(); view >= 0) {
        ChooseLibraryRow(view, -1);
        return;
    }
    const int row = SelectedSite();
    if (row < 0 || row >= doc->m_opmlFile.GetCount()) return;
    m_chosenLibrary = -1;
    m_chosenSite = doc->m_opmlFile.GetAt(row)->m_strXmlUrl;
    const COpmlItem* entry = doc->m_opmlFile.GetAt(row);
    if (entry->m_strXmlUrl.empty()) {
        Text address = entry->m_strHtmlUrl;
        // A local path becomes a file address; an address of any other kind (mailto: among
        // them) goes to the browser pane as it is, which decides what it may load.
        if (address.find("://") == Text::npos && address.starts_with('/')) {
            address = "file://" + address;
        }
        // A refusal names the address as the subscription holds it.
        if (m_browser) m_browser->Navigate(address, entry->m_strHtmlUrl);
        return;
    }
    const Text feedUrl = entry->m_strXmlUrl;
    CFeedMarks& marks = FeedMarks();
    // A result of an earlier choice that is still being read is not shown from now on.
    const uint64_t generation = ++m_generation;
    // The download runs on a thread of its own; the window goes on and shows its progress window
    // after a second, as the download asks for it.
    ++m_busy;
    auto progress = std::make_shared<CRelayedProgress>();
    // The download says when its progress changed; the window shows it then.
    progress->OnChange([view = WindowRef<CVarloView>(this)] {
        PostToWindow(view, [](CVarloView& alive) { alive.ShowDownloadProgress(); });
    });
    m_download = progress;
    m_progressClosed = false;
    auto download = std::make_shared<CHttpDownload>(feedUrl);
    // A failure is said once, with its reason, when the download is finished.
    download->KeepFailureUnshown();
    // A feed that is slow to come gets the progress window and its cancel button.
    download->ShowProgressAfter(std::chrono::seconds(1));
    download->SetProgress(progress.get());
    PrepareFeedDownload(*download, marks.Store(), marks.Cache(), feedUrl);
    RunOffWindow(InStore{marks.Writer()}, [feedUrl](CFeedStore* store) {
        if (store != nullptr) RecordChosenFeedAsked(*store, feedUrl);
    });
    const std::string folder = GetProgramFolder();
    // What the download leaves: the file it wrote and what it would have said meanwhile.
    struct Downloaded {
        std::string path;
        std::vector<std::pair<Text, unsigned>> messages;
    };
    RunOffWindow(
        this, OnOwnThread{[progress] { progress->CancelFromAfar(); }},
        [download, folder] {
            Downloaded done;
            MessageBoxHandler previous =
                SetMessageBoxHandler([&done](const Text& text, unsigned style) {
                    done.messages.emplace_back(text, style);
                    return static_cast<int>(kIdOk);
                });
            done.path = download->Download(folder, false, "down.xml");
            SetMessageBoxHandler(std::move(previous));
            return done;
        },
        [generation, download, feedUrl](CVarloView& view, Downloaded done) {
            view.FinishDownload(generation, *download, done.path, done.messages, feedUrl);
        });
}

void CVarloView::FinishDownload(uint64_t generation, const CHttpDownload& download,
                                const std::string& path,
                                const std::vector<std::pair<Text, unsigned>>& messages,
                                const Text& feedUrl) {
    --m_busy;
    m_download.reset();
    CloseProgressWindow();
    // Another file was opened meanwhile (which cancelled this download): nothing of it is shown.
    if (generation != m_generation || !m_listCtrl) return;
    // A cancel is the user's choice, not the site's failure: the feed shown stays the one
    // the view options re-read, and the store records nothing.
    const bool cancelled = download.Cancelled();
    ChosenAnswer answer;
    ChosenFailure failure;
    if (!cancelled) {
        m_strDownPath = path;
        m_strFeedAddress = feedUrl;
        if (m_strDownPath.empty()) {
            // Said and recorded as the update of every site would: the reason, the site gone
            // for good, or its server's wait that the next update keeps to.
            const int64_t now = static_cast<int64_t>(std::time(nullptr));
            failure = ReadChosenFailure(download, feedUrl, now);
            RunOffWindow(InStore{FeedMarks().Writer()}, [feedUrl, failure, now](CFeedStore* store) {
                if (store != nullptr) RecordChosenFeedFailure(*store, feedUrl, failure, now);
            });
        } else {
            answer = {download.ResponseETag(), download.ResponseLastModified(),
                      download.NotModified()};
        }
    }
    for (const auto& [text, style] : messages) ShowMessageBox(text, style);
    if (cancelled) {
        ShowStatus(Wx("中止しました"));
    } else if (m_strDownPath.empty()) {
        ShowMessageBox(failure.Message(), kMbOk | kMbIconError);
        // Offline, the articles the library kept of the site are still there to read.
        if (generation == m_generation) ShowStoredArticles(generation, feedUrl);
    } else if (generation == m_generation) {
        ReadChosenFeed(generation, feedUrl, m_strDownPath, answer);
    }
    if (m_afterDownload) m_afterDownload();
    if (m_updateWanted) {
        m_updateWanted = false;
        UpdateFeed();
    }
}

void CVarloView::CancelDownload() {
    if (m_download) m_download->CancelFromAfar();
    if (m_fullText) m_fullText->CancelFromAfar();
}

void CVarloView::ShowDownloadProgress() {
    if (!m_download) return;
    const CRelayedProgress::Fields fields = m_download->Take();
    if (fields.windowOpen && !m_progressWindow && !m_progressClosed) {
        m_progressWindow = MakeDownloadProgress();
        m_progressWindow->Create(fields.message, fields.file);
        // The cancel button and the close box are answered as they happen.
        m_progressWindow->OnUserChoice([this] { ShowDownloadProgress(); });
    }
    // Held here: the window's own handlers may run inside the calls below.
    CDownloadProgress* window = m_progressWindow.get();
    if (!window) return;
    if (window->IsCancelled()) {
        m_download->CancelFromAfar();
    } else if (!window->IsWindowOpen()) {
        // The close box: the download goes on without its window.
        m_progressClosed = true;
    } else {
        if (fields.total >= 0 && fields.total != window->Total()) window->SetTotal(fields.total);
        if (fields.position != window->Position()) window->SetReceived(fields.position);
    }
}

void CVarloView::CloseProgressWindow() {
    if (!m_progressWindow) return;
    m_progressWindow->Destroy();
    // Its cancel question may still be open with the window's handler below it on the stack:
    // the object is kept a while, never freed under its own feet.
    m_spentProgressWindows.push_back(std::move(m_progressWindow));
    if (m_spentProgressWindows.size() > 4) {
        m_spentProgressWindows.erase(m_spentProgressWindows.begin());
    }
}

}  // namespace varlo

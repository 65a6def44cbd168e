#pragma once
// Adding the articles a long preview page was written without to the page the pane shows: the
// page loads with its first articles at once and the rest follow, one piece at a time, as the
// engine takes them. A piece goes only into the page it was made for (the local page and the
// token of its marker), right after the articles that page already holds.

#include <wx/webview.h>

#include <wx/weakref.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preview/preview_page.h"

namespace varlo {

class PageFill {
  public:
    // A long page loads with the articles that begin in its first bytes; the rest are added in
    // pieces of about this size, each a moment's work for the engine.
    static constexpr size_t kFirstBytes = 96 * 1024;
    static constexpr size_t kPieceBytes = 256 * 1024;

    struct Piece {
        int first = 0;       // the first article the piece holds
        int end = 0;         // one past its last
        std::string script;  // the script that adds it (PieceScript)
    };

    // The script that adds the articles [first, end) whose markup is `html` to the local page
    // `path` whose marker names `token`. Any thread.
    static std::string PieceScript(const std::string& path, const std::string& token, int first,
                                   int end, std::string_view html);

    // The pieces of the feed's page from its article `from` on, for the page `path` whose marker
    // names `token` (WritePreviewStart). Any thread.
    static std::vector<Piece> PiecesOf(const CRssFile& feed, const PreviewOptions& options,
                                       int from, const std::string& path, const std::string& token);

    PageFill() = default;
    PageFill(const PageFill&) = delete;
    PageFill& operator=(const PageFill&) = delete;

    // The pieces of the page of `path` and `token`, with `total` articles in all, for the page
    // `web` shows now or loads later; replaces any pieces before.
    void Start(wxWebView* web, const std::string& path, const std::string& token,
               std::vector<Piece> pieces, int total);
    // Forgets the pieces.
    void Clear();
    // A page finished loading (it may be the page of the pieces, loaded again).
    void PageLoaded();
    // True while the page of the pieces may still lack some of them.
    bool Filling() const { return m_state && !m_state->done; }

  private:
    struct State {
        wxWeakRef<wxWebView> web;
        std::string path;
        std::string token;
        std::vector<Piece> pieces;
        int total = 0;
        bool inFlight = false;
        bool loadedMeanwhile = false;
        bool done = false;
    };
    static void Ask(const std::shared_ptr<State>& state);
    static void Send(const std::shared_ptr<State>& state, int next);
    static void Answered(const std::shared_ptr<State>& state, std::optional<int> answer);

    std::shared_ptr<State> m_state;
};

}  // namespace varlo

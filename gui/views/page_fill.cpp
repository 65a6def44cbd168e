#include "gui/views/page_fill.h"

#include <algorithm>
#include <optional>

#include "gui/platform/page_script.h"

namespace varlo {

namespace {

// The start of every script: the page's marker, or -1 when the page shown is not the one of
// `path` and `token` or is still loading. The path is checked as well as the token: a web page
// could copy the marker, and the articles are not its to read.
std::string MarkerCheck(const std::string& path, const std::string& token) {
    return "(function(){var f=document.querySelector('body>div[data-varlo-fill]');"
           "if(!f||document.readyState!=='complete'||location.protocol!=='file:'||"
           "decodeURIComponent(location.pathname)!==" +
           ScriptString(path) + "||f.getAttribute('data-varlo-fill')!==" + ScriptString(token) +
           ")return -1;var n=+f.getAttribute('data-next');";
}

}  // namespace

std::string PageFill::PieceScript(const std::string& path, const std::string& token, int first,
                                  int end, std::string_view html) {
    // The page names the article it needs next; a piece meant for another place is not added,
    // and the answer says which is needed. A row chosen before its article arrived (the address
    // names its anchor) is scrolled to once it is there.
    std::string script = MarkerCheck(path, token);
    script += "if(n!==" + std::to_string(first) +
              ")return n;var h='';try{h=decodeURIComponent(location.hash.slice(1));}catch(x){}"
              "var had=h?document.getElementById(h):null;"
              "document.querySelector('main').insertAdjacentHTML('beforeend',";
    script += ScriptString(html);
    script += ");f.setAttribute('data-next','" + std::to_string(end) +
              "');if(h&&!had){var e=document.getElementById(h);if(e)e.scrollIntoView();}return " +
              std::to_string(end) + ";})()";
    return script;
}

std::vector<PageFill::Piece> PageFill::PiecesOf(const CRssFile& feed, const PreviewOptions& options,
                                                int from, const std::string& path,
                                                const std::string& token) {
    std::vector<Piece> pieces;
    PreviewPieces(feed, options, from, kPieceBytes, [&](int first, int end, std::string& html) {
        pieces.push_back({first, end, PieceScript(path, token, first, end, html)});
    });
    return pieces;
}

void PageFill::Start(wxWebView* web, const std::string& path, const std::string& token,
                     std::vector<Piece> pieces, int total) {
    Clear();
    if (!web || pieces.empty()) return;
    m_state = std::make_shared<State>();
    m_state->web = web;
    m_state->path = path;
    m_state->token = token;
    m_state->pieces = std::move(pieces);
    m_state->total = total;
    Ask(m_state);
}

void PageFill::Clear() {
    // A piece in flight still answers; it finds its state forgotten.
    if (m_state) {
        m_state->pieces.clear();
        m_state->done = true;
    }
    m_state.reset();
}

void PageFill::PageLoaded() {
    if (!m_state) return;
    if (m_state->inFlight) {
        m_state->loadedMeanwhile = true;
        return;
    }
    Ask(m_state);
}

void PageFill::Ask(const std::shared_ptr<State>& state) {
    state->inFlight = true;
    RunPageScript(state->web, MarkerCheck(state->path, state->token) + "return n;})()",
                  [state](std::optional<int> answer) { Answered(state, answer); });
}

void PageFill::Send(const std::shared_ptr<State>& state, int next) {
    const auto piece = std::lower_bound(state->pieces.begin(), state->pieces.end(), next,
                                        [](const Piece& p, int first) { return p.first < first; });
    if (piece == state->pieces.end() || piece->first != next) {
        // The page needs what no piece holds: nothing more can be added to it.
        state->done = true;
        return;
    }
    state->inFlight = true;
    RunPageScript(state->web, piece->script,
                  [state](std::optional<int> answer) { Answered(state, answer); });
}

void PageFill::Answered(const std::shared_ptr<State>& state, std::optional<int> answer) {
    state->inFlight = false;
    if (state->pieces.empty()) return;
    if (!answer || *answer < 0) {
        // Not the page of the pieces, or not loaded yet: its load (if one came meanwhile) asks
        // again.
        if (state->loadedMeanwhile) {
            state->loadedMeanwhile = false;
            Ask(state);
        }
        return;
    }
    state->loadedMeanwhile = false;
    if (*answer >= state->total) {
        state->done = true;
        return;
    }
    state->done = false;
    Send(state, *answer);
}

}  // namespace varlo

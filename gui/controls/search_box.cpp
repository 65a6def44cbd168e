#include "gui/controls/search_box.h"

#include <glib-object.h>

#include "gui/platform/wx_text.h"

namespace varlo {

namespace {

extern "C" void PreeditChanged(GObject*, const char* preedit, gpointer box) {
    static_cast<CSearchBox*>(box)->OnPreeditChanged(wxString::FromUTF8(preedit ? preedit : ""));
}

}  // namespace

CSearchBox::CSearchBox(wxWindow* parent, wxWindowID id, int width)
    : wxTextCtrl(parent, id, wxString(), wxDefaultPosition, wxSize(width, -1), wxTE_PROCESS_ENTER) {
    SetHint(Wx("記事を検索 (Ctrl+F)"));
    Bind(wxEVT_TEXT_ENTER, &CSearchBox::OnEnter, this);
    // The one-line field is a text entry of the toolkit, which tells of its input method's
    // composition; the toolkit's own key events do not.
    if (auto* entry = reinterpret_cast<GObject*>(GetHandle());
        entry && g_signal_lookup("preedit-changed", G_OBJECT_TYPE(entry)) != 0) {
        m_handler = g_signal_connect(entry, "preedit-changed", G_CALLBACK(PreeditChanged), this);
    }
}

CSearchBox::~CSearchBox() {
    if (m_handler != 0)
        g_signal_handler_disconnect(reinterpret_cast<GObject*>(GetHandle()), m_handler);
}

void CSearchBox::OnPreeditChanged(const wxString& preedit) {
    if (!preedit.empty()) {
        m_composing = true;
        return;
    }
    // The Enter that ends a composition is still being handled: it must find the composition
    // open, so the composition counts as closed only once that key has been dealt with.
    CallAfter([this] { m_composing = false; });
}

void CSearchBox::OnEnter(wxCommandEvent&) {
    if (m_composing) return;
    const wxString words = GetValue().Strip(wxString::both);
    if (!words.empty() && m_onSearch) m_onSearch(words);
}

}  // namespace varlo

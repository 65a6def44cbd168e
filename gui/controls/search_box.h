#pragma once
// The search box of the tool bar: a one-line text field whose Enter starts a search. An Enter that
// only confirms an input method's conversion (the Japanese input of kanji) belongs to the input
// method, never to the search.

#include <wx/textctrl.h>

#include <functional>

namespace varlo {

class CSearchBox : public wxTextCtrl {
  public:
    CSearchBox(wxWindow* parent, wxWindowID id, int width);
    ~CSearchBox() override;

    // Called with the words when Enter starts a search (never with empty words).
    void SetOnSearch(std::function<void(const wxString&)> onSearch) {
        m_onSearch = std::move(onSearch);
    }
    // Whether an input method holds text being converted (a composition is open), or closed one
    // within the key event being handled now.
    bool IsComposing() const { return m_composing; }
    // What the input method reports of its composition: the text being converted, empty when it
    // ended. Connected to the text field's own signal; called directly by tests.
    void OnPreeditChanged(const wxString& preedit);

  private:
    void OnEnter(wxCommandEvent& event);
    std::function<void(const wxString&)> m_onSearch;
    bool m_composing = false;
    unsigned long m_handler = 0;  // the signal connection, 0 when none
};

}  // namespace varlo

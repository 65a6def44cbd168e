#pragma once
// The pane that lists the articles of the feed read last: title and date, in feed order.

#include <wx/docview.h>

#include <vector>

namespace varlo {

class CListCtrlBox;
class CVarloDoc;

class CArticleView : public wxView {
  public:
    CArticleView() = default;
    // Creates the list control (id 1000) as a child of `parent`.
    bool CreatePane(wxWindow* parent);
    CListCtrlBox* GetList() const { return m_list; }

    // Adds the columns the first time, then refills the rows without selecting one.
    void OnInitialUpdate();
    // Command 32794: refills the rows and selects the first article.
    void OnArticleUpdate();
    // Rebuilds the rows from the document's feed; `select` is a row to select or -1.
    void FillArticleList(int select);
    // The next rebuild shows in bold the rows marked here (articles the user had not seen); the
    // rebuild after it shows none.
    void SetUnseenRows(std::vector<bool> unseen) { m_unseen = std::move(unseen); }
    // Whether `row` is shown in bold.
    bool IsRowBold(int row) const;

    void OnDraw(wxDC*) override {}
    bool OnClose(bool) override { return true; }
    // The main window keeps its own caption.
    void OnChangeFilename() override {}
    void OnUpdate(wxView*, wxObject*) override {}

  private:
    CVarloDoc* Doc() const;
    CListCtrlBox* m_list = nullptr;
    bool m_initialised = false;
    std::vector<bool> m_unseen;
    wxDECLARE_DYNAMIC_CLASS(CArticleView);
};

}  // namespace varlo

#pragma once
// The pane that lists articles: those of the feed read last (title and date, in feed order), or
// those of a view of the library (title, date and site, newest first), a star marking the starred
// ones. Either way the list is virtual: it asks for the rows it shows.

#include <wx/docview.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gui/views/library_rows.h"
#include "platform/text.h"

class wxListEvent;

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
    // The next rebuild shows in bold the rows marked here (articles the user had not read); the
    // rebuild after it shows none.
    void SetUnseenRows(std::vector<bool> unseen) { m_unseen = std::move(unseen); }
    // Whether `row` is shown in bold (an unread article).
    bool IsRowBold(int row) const;
    // A row of an article a rule hid: its site's list still shows it, in grey.
    bool IsRowGrey(int row) const;

    // Shows the articles of a view of the library, by id in order, with a "サイト" column that
    // names each article's site by its feed address through `siteTitles`; `select` as above.
    void ShowLibrary(std::vector<int64_t> ids, std::map<Text, wxString> siteTitles, int select);
    // Whether the rows are those of a view of the library.
    bool IsLibrary() const { return m_library; }
    // The stored article of `row` in a view of the library; null otherwise.
    const LibraryRow* LibraryRowAt(int row);
    // The key of the feed's article of `row` (empty when unknown).
    Text FeedKeyAt(int row) const;
    // The feed's rows unread in the store (true for unread); without it, the next rebuild takes
    // every row as read, as choosing a site marks them.
    void SetFeedReadMarks(std::vector<bool> unread) { m_nextUnread = std::move(unread); }
    // Whether the feed's article of `row` is read in the store, as far as this list knows.
    bool IsFeedRowRead(int row) const {
        return row < 0 || static_cast<size_t>(row) >= m_unread.size() ||
               !m_unread[static_cast<size_t>(row)];
    }
    // Whether the feed's article of `row` has a star in the library, as far as this list knows.
    bool IsFeedRowStarred(int row) const;
    // The feed's article of `row` is now read or unread.
    void SetFeedRowRead(int row, bool read);
    // Every row of the feed is read.
    void SetFeedRowsRead();
    // The marks changed in the store: the rows shown are read again.
    void MarksChanged();

    // What the site list does when an article row is chosen (selected by the user or the
    // program) and when one is opened (Enter, double click).
    void SetOnChoose(std::function<void(int row)> onChoose) { m_onChoose = std::move(onChoose); }
    void SetOnOpen(std::function<void(int row)> onOpen) { m_onOpen = std::move(onOpen); }
    // Selects `row` and shows it, as a click does (the choice is reported).
    void ChooseRow(int row);

    void OnDraw(wxDC*) override {}
    bool OnClose(bool) override { return true; }
    // The main window keeps its own caption.
    void OnChangeFilename() override {}
    void OnUpdate(wxView*, wxObject*) override {}

  private:
    CVarloDoc* Doc() const;
    wxString RowText(long row, long column) const;
    void SetSiteColumn(bool shown);
    void ReadFeedStars();
    void AfterFill(int top, int select);
    void OnSelected(wxListEvent& event);
    void OnActivated(wxListEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    CListCtrlBox* m_list = nullptr;
    bool m_initialised = false;
    std::vector<bool> m_unseen;
    std::vector<bool> m_bold;  // of the feed's rows shown now
    std::vector<bool> m_nextUnread;
    std::vector<bool> m_unread;           // of the feed's rows shown now: unread in the store
    std::set<std::string> m_starredKeys;  // library keys (UTF-8) of every starred article
    std::set<std::string> m_hiddenKeys;   // and of every article a rule hid
    bool m_library = false;
    mutable CLibraryRows m_rows;
    std::map<Text, wxString> m_siteTitles;
    bool m_selecting = false;  // a selection made by the program without choosing
    std::function<void(int)> m_onChoose;
    std::function<void(int)> m_onOpen;
    wxDECLARE_DYNAMIC_CLASS(CArticleView);
};

}  // namespace varlo

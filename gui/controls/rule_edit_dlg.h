#pragma once
// The editor of one rule: its name, where it applies, up to three conditions and its action. As
// the user types, it shows how many kept articles the rule matches and the first twenty of them,
// counted off the window's thread a moment after the last key (typing never waits for it); an
// expression that does not compile is explained and the rule cannot be saved.

#include <wx/dialog.h>
#include <wx/timer.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/rules.h"

class wxCheckBox;
class wxChoice;
class wxListBox;
class wxStaticText;
class wxTextCtrl;
class wxButton;

namespace varlo {

class CRuleEditDlg : public wxDialog {
  public:
    static constexpr int kConditionRows = 3;
    // The pause after the last key before the count starts.
    static constexpr int kCountDelayMs = 200;
    static constexpr size_t kShownMatches = 20;

    // `storePath`: the store the count reads, on a connection of its own (empty: no count).
    // `sites`: the open file's sites (feed address, title) and `categories` its categories, for
    // the choice of where the rule applies.
    CRuleEditDlg(wxWindow* parent, const Rule& rule, std::string storePath,
                 std::vector<std::pair<Text, Text>> sites, std::vector<Text> categories);
    ~CRuleEditDlg() override;

    // The rule as the fields say (its id as given).
    Rule CurrentRule() const;
    // Why it cannot be saved, as shown; empty when it can.
    wxString Problem() const;
    // The count shown: -1 before any, and whether a count is still running.
    int64_t ShownCount() const { return m_shownCount; }
    bool IsCounting() const { return m_counting; }
    // Starts the count now instead of after the pause.
    void CountNow();

    wxTextCtrl* m_name = nullptr;
    wxChoice* m_scope = nullptr;
    wxChoice* m_scopeValue = nullptr;
    wxChoice* m_field[kConditionRows] = {};
    wxChoice* m_test[kConditionRows] = {};
    wxTextCtrl* m_value[kConditionRows] = {};
    wxChoice* m_action = nullptr;
    wxCheckBox* m_enabled = nullptr;
    wxStaticText* m_problem = nullptr;
    wxStaticText* m_count = nullptr;
    wxListBox* m_matches = nullptr;
    wxButton* m_ok = nullptr;

  private:
    void FillScopeValues();
    // The fields changed: the problem is shown at once, the count after the pause.
    void Changed();
    void ShowCount(int64_t count, bool complete);

    std::string m_storePath;
    std::vector<std::pair<Text, Text>> m_sites;
    std::vector<Text> m_categories;
    int64_t m_id = 0;
    wxTimer m_delay;
    // The count under way; a newer one stops it and its results are dropped.
    std::shared_ptr<std::atomic<int>> m_generation = std::make_shared<std::atomic<int>>(0);
    int64_t m_shownCount = -1;
    bool m_counting = false;
};

}  // namespace varlo

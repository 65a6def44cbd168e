#pragma once
// The rules dialog: the rules in their order, to add, edit, delete, move and turn on or off, and
// "すべての記事に適用", which runs them over the kept articles off the window's thread with its
// progress shown; Esc stops it, keeping what was applied.

#include <wx/dialog.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/rule_pass.h"
#include "store/rules.h"

class wxButton;
class wxGauge;
class wxListCtrl;
class wxStaticText;

namespace varlo {

class CRuleEditDlg;
class CRuleStore;
class CStoreWriter;

class CRulesDlg : public wxDialog {
  public:
    // Lists the rules of `store` (the window's connection, which only reads) and changes them
    // through `writer`; the count and the application read the store at its path on connections
    // of their own. `applied` runs after the rules were applied, so that the window shows the
    // marks they changed.
    CRulesDlg(wxWindow* parent, CFeedStore& store, std::shared_ptr<CStoreWriter> writer,
              std::vector<std::pair<Text, Text>> sites, std::vector<Text> categories,
              std::function<void()> applied);
    ~CRulesDlg() override;

    // The editor being shown, for tests; null when none.
    CRuleEditDlg* Editor() const { return m_editor; }
    // Opens the editor of a new rule, or of the selected one; returns after it closed. Its result
    // is stored when the user confirms it.
    void AddRule();
    void EditRule();
    void DeleteRule();
    void MoveRule(int step);
    void ToggleRule();
    // Starts applying every enabled rule to the kept articles; Stop ends it early.
    void ApplyAll();
    void Stop();
    bool IsApplying() const { return m_applying; }
    // True while a change of the rules is on its way to the store (the list shows it after).
    bool IsWriting() const { return m_writes > 0; }
    // The rules as listed.
    const std::vector<Rule>& Rules() const { return m_rules; }
    // Lets the editor open without waiting for it (tests drive it, then call FinishEditor).
    void SetModelessEditor(bool modeless) { m_modelessEditor = modeless; }
    void FinishEditor(bool confirmed);

    wxListCtrl* m_list = nullptr;
    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
    wxButton* m_apply = nullptr;

  private:
    // How far the application is, as the pass last told.
    void ShowApplying();
    void ShowApplied(const RulePassResult& result);
    void Reload(int64_t select = 0);
    // Runs `change` on the writer's connection, then lists the rules anew, selecting the rule
    // whose id `change` returns.
    void Write(std::function<int64_t(CRuleStore& rules)> change);
    int Selected() const;
    void OpenEditor(const Rule& rule);
    void EnableButtons();

    CFeedStore& m_store;
    std::shared_ptr<CStoreWriter> m_writer;
    int m_writes = 0;
    std::vector<std::pair<Text, Text>> m_sites;
    std::vector<Text> m_categories;
    std::function<void()> m_applied;
    std::vector<Rule> m_rules;
    std::vector<wxButton*> m_ruleButtons;  // those that need a selected rule
    CRuleEditDlg* m_editor = nullptr;
    bool m_modelessEditor = false;
    bool m_applying = false;
    // The application under way: its progress, shown when the pass tells of it, and its stop.
    struct Progress {
        std::atomic<int64_t> examined{0};
        std::atomic<int64_t> total{0};
        std::atomic<bool> stop{false};
        std::atomic<bool> noticeWaiting{false};
    };
    std::shared_ptr<Progress> m_progress;
};

}  // namespace varlo

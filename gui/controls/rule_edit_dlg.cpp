#include "gui/controls/rule_edit_dlg.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/controls/dialog_template.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "store/library.h"
#include "store/rule_pass.h"
#include "store/worker_store.h"

namespace varlo {
namespace {

// The choices in the order of their enums.
const char* const kFields[] = {"題名", "本文", "題名か本文", "リンク", "著者", "カテゴリ"};
const char* const kTests[] = {"を含む", "を含まない", "に一致 (正規表現)"};
const char* const kActions[] = {"隠す", "既読にする", "スターを付ける", "通知する"};
const char* const kScopes[] = {"すべてのサイト", "カテゴリ", "サイト"};

template <size_t N>
wxChoice* MakeChoice(wxWindow* parent, const char* const (&labels)[N], int selected) {
    wxArrayString items;
    for (const char* label : labels) items.Add(Wx(label));
    auto* choice = new wxChoice(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, items);
    choice->SetSelection(selected);
    return choice;
}

}  // namespace

CRuleEditDlg::CRuleEditDlg(wxWindow* parent, const Rule& rule, std::string storePath,
                           std::vector<std::pair<Text, Text>> sites, std::vector<Text> categories)
    : wxDialog(parent, wxID_ANY, Wx(rule.id == 0 ? "ルールの追加" : "ルールの編集"),
               wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_storePath(std::move(storePath)),
      m_sites(std::move(sites)),
      m_categories(std::move(categories)),
      m_id(rule.id),
      m_delay(this) {
    SetFont(TemplateFont());
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
    grid->AddGrowableCol(1);
    grid->Add(new wxStaticText(this, wxID_ANY, Wx("名前(&N):")), 0, wxALIGN_CENTER_VERTICAL);
    m_name = new wxTextCtrl(this, wxID_ANY, FromUtf8(rule.name));
    grid->Add(m_name, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, Wx("対象(&T):")), 0, wxALIGN_CENTER_VERTICAL);
    auto* scopeRow = new wxBoxSizer(wxHORIZONTAL);
    m_scope = MakeChoice(this, kScopes, static_cast<int>(rule.scope));
    m_scopeValue = new wxChoice(this, wxID_ANY);
    scopeRow->Add(m_scope, 0, wxRIGHT, 6);
    scopeRow->Add(m_scopeValue, 1);
    grid->Add(scopeRow, 1, wxEXPAND);
    top->Add(grid, 0, wxEXPAND | wxALL, 10);

    top->Add(new wxStaticText(this, wxID_ANY, Wx("次の条件をすべて満たす記事(&C):")), 0,
             wxLEFT | wxRIGHT, 10);
    auto* conditions = new wxFlexGridSizer(3, wxSize(6, 4));
    conditions->AddGrowableCol(1);
    for (int i = 0; i < kConditionRows; ++i) {
        const RuleCondition given = static_cast<size_t>(i) < rule.conditions.size()
                                        ? rule.conditions[static_cast<size_t>(i)]
                                        : RuleCondition{};
        m_field[i] = MakeChoice(this, kFields, static_cast<int>(given.field));
        m_value[i] = new wxTextCtrl(this, wxID_ANY, FromUtf8(given.value), wxDefaultPosition,
                                    wxSize(260, -1));
        m_test[i] = MakeChoice(this, kTests, static_cast<int>(given.test));
        conditions->Add(m_field[i]);
        conditions->Add(m_value[i], 1, wxEXPAND);
        conditions->Add(m_test[i]);
    }
    top->Add(conditions, 0, wxEXPAND | wxALL, 10);

    auto* actionRow = new wxBoxSizer(wxHORIZONTAL);
    actionRow->Add(new wxStaticText(this, wxID_ANY, Wx("動作(&A):")), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    m_action = MakeChoice(this, kActions, static_cast<int>(rule.action));
    actionRow->Add(m_action, 0, wxRIGHT, 16);
    m_enabled = new wxCheckBox(this, wxID_ANY, Wx("有効(&E)"));
    m_enabled->SetValue(rule.enabled);
    actionRow->Add(m_enabled, 0, wxALIGN_CENTER_VERTICAL);
    top->Add(actionRow, 0, wxLEFT | wxRIGHT, 10);

    m_problem = new wxStaticText(this, wxID_ANY, wxString());
    m_problem->SetForegroundColour(*wxRED);
    top->Add(m_problem, 0, wxEXPAND | wxALL, 10);
    m_count = new wxStaticText(this, wxID_ANY, wxString());
    top->Add(m_count, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    m_matches = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(-1, 150));
    top->Add(m_matches, 1, wxEXPAND | wxALL, 10);

    auto* buttons = new wxStdDialogButtonSizer;
    m_ok = new wxButton(this, wxID_OK, "OK");
    m_ok->SetDefault();
    buttons->AddButton(m_ok);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, Wx("ｷｬﾝｾﾙ")));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);

    FillScopeValues();
    for (size_t i = 0; i < m_scopeValue->GetCount(); ++i) {
        const size_t at = i;
        const Text& value = rule.scope == RuleScope::kSite ? m_sites[at].first : m_categories[at];
        if (value == rule.scopeValue) m_scopeValue->SetSelection(static_cast<int>(i));
    }

    auto changed = [this](wxCommandEvent&) { Changed(); };
    m_name->Bind(wxEVT_TEXT, changed);
    m_scopeValue->Bind(wxEVT_CHOICE, changed);
    m_scope->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        FillScopeValues();
        Changed();
    });
    for (int i = 0; i < kConditionRows; ++i) {
        m_value[i]->Bind(wxEVT_TEXT, changed);
        m_field[i]->Bind(wxEVT_CHOICE, changed);
        m_test[i]->Bind(wxEVT_CHOICE, changed);
    }
    m_action->Bind(wxEVT_CHOICE, changed);
    m_enabled->Bind(wxEVT_CHECKBOX, changed);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { CountNow(); });
    Changed();
}

CRuleEditDlg::~CRuleEditDlg() {
    // A count still running stops at its next step.
    ++*m_generation;
}

void CRuleEditDlg::FillScopeValues() {
    m_scopeValue->Clear();
    const int scope = m_scope->GetSelection();
    if (scope == static_cast<int>(RuleScope::kSite)) {
        for (const auto& [url, title] : m_sites)
            m_scopeValue->Append(ToWx(title.empty() ? url : title));
    } else if (scope == static_cast<int>(RuleScope::kCategory)) {
        for (const Text& name : m_categories) m_scopeValue->Append(ToWx(name));
    }
    m_scopeValue->Enable(m_scopeValue->GetCount() > 0);
    if (m_scopeValue->GetCount() > 0) m_scopeValue->SetSelection(0);
}

Rule CRuleEditDlg::CurrentRule() const {
    Rule rule;
    rule.id = m_id;
    rule.name = ToUtf8(m_name->GetValue());
    rule.scope = static_cast<RuleScope>(std::max(0, m_scope->GetSelection()));
    const int chosen = m_scopeValue->GetSelection();
    if (chosen >= 0 && rule.scope == RuleScope::kSite &&
        static_cast<size_t>(chosen) < m_sites.size()) {
        rule.scopeValue = m_sites[static_cast<size_t>(chosen)].first;
    } else if (chosen >= 0 && rule.scope == RuleScope::kCategory &&
               static_cast<size_t>(chosen) < m_categories.size()) {
        rule.scopeValue = m_categories[static_cast<size_t>(chosen)];
    }
    // A row left empty is no condition.
    for (int i = 0; i < kConditionRows; ++i) {
        const std::string value = ToUtf8(m_value[i]->GetValue());
        if (value.empty()) continue;
        rule.conditions.push_back({static_cast<RuleField>(m_field[i]->GetSelection()),
                                   static_cast<RuleTest>(m_test[i]->GetSelection()), value});
    }
    rule.action = static_cast<RuleAction>(std::max(0, m_action->GetSelection()));
    rule.enabled = m_enabled->GetValue();
    if (rule.name.empty() && !rule.conditions.empty()) rule.name = rule.conditions[0].value;
    return rule;
}

wxString CRuleEditDlg::Problem() const {
    return m_problem->GetLabel();
}

void CRuleEditDlg::Changed() {
    const std::string problem = RuleError(CurrentRule());
    m_problem->SetLabel(wxString::FromUTF8(problem));
    m_ok->Enable(problem.empty());
    // The count waits for a pause in the typing; one under way is stopped now.
    ++*m_generation;
    m_counting = false;
    m_delay.StartOnce(kCountDelayMs);
}

void CRuleEditDlg::ShowCount(int64_t count, bool complete) {
    m_shownCount = count;
    wxString text = wxString::Format(Wx("一致する記事: %lld 件"), static_cast<long long>(count));
    if (!complete) text += Wx(" (数えています...)");
    m_count->SetLabel(text);
}

void CRuleEditDlg::CountNow() {
    m_delay.Stop();
    const Rule rule = CurrentRule();
    const int generation = ++*m_generation;
    if (m_storePath.empty() || !RuleError(rule).empty()) {
        m_counting = false;
        m_count->SetLabel(wxString());
        m_matches->Clear();
        m_shownCount = -1;
        return;
    }
    m_counting = true;
    const std::shared_ptr<std::atomic<int>> current = m_generation;
    const std::string path = m_storePath;
    // What the count found, and the titles of its first matches.
    struct Counted {
        RulePassResult result;
        wxArrayString titles;
    };
    RunOffWindow(
        this, OnWorkers{},
        [rule, current, generation, path, dialog = WindowRef<CRuleEditDlg>(this)] {
            Counted counted;
            CFeedStore* store = WorkerStore(path);
            if (!store) return counted;
            counted.result =
                CountRuleMatches(*store, rule, kShownMatches, [&](const RulePassResult& now) {
                    if (current->load() != generation) return false;
                    // The count grows as it is found.
                    PostToWindow(dialog,
                                 [current, generation, found = now.matched](CRuleEditDlg& alive) {
                                     if (current->load() == generation)
                                         alive.ShowCount(found, false);
                                 });
                    return true;
                });
            for (const LibraryRow& row : CLibrary(*store).Rows(counted.result.first)) {
                counted.titles.Add(wxString::FromUTF8(row.title));
            }
            return counted;
        },
        [current, generation](CRuleEditDlg& dialog, const Counted& counted) {
            if (current->load() != generation) return;
            dialog.m_counting = false;
            dialog.m_matches->Set(counted.titles);
            dialog.ShowCount(counted.result.matched, counted.result.complete);
            if (!counted.result.messages.empty()) {
                dialog.m_problem->SetLabel(wxString::FromUTF8(counted.result.messages.front()));
            }
        });
}

}  // namespace varlo

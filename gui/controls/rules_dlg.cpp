#include "gui/controls/rules_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/controls/dialog_template.h"
#include "gui/controls/rule_edit_dlg.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "store/rule_pass.h"
#include "store/rule_store.h"

namespace varlo {
namespace {

const char* const kActionNames[] = {"隠す", "既読にする", "スターを付ける", "通知する"};

// What the rule looks for, in a line.
wxString Describe(const Rule& rule) {
    static const char* const fields[] = {"題名",   "本文", "題名か本文",
                                         "リンク", "著者", "カテゴリ"};
    static const char* const tests[] = {"を含む", "を含まない", "に一致"};
    wxString text;
    for (const RuleCondition& c : rule.conditions) {
        if (!text.empty()) text += Wx("、");
        text += Wx(fields[static_cast<int>(c.field)]) + Wx("が「") + wxString::FromUTF8(c.value) +
                Wx("」") + Wx(tests[static_cast<int>(c.test)]);
    }
    return text;
}

}  // namespace

CRulesDlg::CRulesDlg(wxWindow* parent, CFeedStore& store, std::shared_ptr<CStoreWriter> writer,
                     std::vector<std::pair<Text, Text>> sites, std::vector<Text> categories,
                     std::function<void()> applied)
    : wxDialog(parent, wxID_ANY, Wx("ルール"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_store(store),
      m_writer(std::move(writer)),
      m_sites(std::move(sites)),
      m_categories(std::move(categories)),
      m_applied(std::move(applied)) {
    SetFont(TemplateFont());
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(560, 220),
                            wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->AppendColumn(Wx("名前"), wxLIST_FORMAT_LEFT, 140);
    m_list->AppendColumn(Wx("条件"), wxLIST_FORMAT_LEFT, 250);
    m_list->AppendColumn(Wx("動作"), wxLIST_FORMAT_LEFT, 100);
    m_list->AppendColumn(Wx("有効"), wxLIST_FORMAT_LEFT, 50);
    row->Add(m_list, 1, wxEXPAND | wxRIGHT, 8);
    auto* side = new wxBoxSizer(wxVERTICAL);
    auto button = [&](const char* label, std::function<void()> run, bool needsRule) {
        auto* b = new wxButton(this, wxID_ANY, Wx(label));
        b->Bind(wxEVT_BUTTON, [run](wxCommandEvent&) { run(); });
        side->Add(b, 0, wxEXPAND | wxBOTTOM, 4);
        if (needsRule) m_ruleButtons.push_back(b);
        return b;
    };
    button(
        "追加(&A)...", [this] { AddRule(); }, false);
    button(
        "編集(&E)...", [this] { EditRule(); }, true);
    button(
        "削除(&D)", [this] { DeleteRule(); }, true);
    button(
        "上へ(&U)", [this] { MoveRule(-1); }, true);
    button(
        "下へ(&W)", [this] { MoveRule(+1); }, true);
    button(
        "有効/無効(&N)", [this] { ToggleRule(); }, true);
    row->Add(side, 0);
    top->Add(row, 1, wxEXPAND | wxALL, 10);

    auto* applyRow = new wxBoxSizer(wxHORIZONTAL);
    m_apply = new wxButton(this, wxID_ANY, Wx("すべての記事に適用(&P)"));
    m_apply->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ApplyAll(); });
    applyRow->Add(m_apply, 0, wxRIGHT, 8);
    m_gauge = new wxGauge(this, wxID_ANY, 1000, wxDefaultPosition, wxSize(200, -1));
    applyRow->Add(m_gauge, 1, wxALIGN_CENTER_VERTICAL);
    top->Add(applyRow, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    m_status = new wxStaticText(this, wxID_ANY, wxString());
    top->Add(m_status, 0, wxEXPAND | wxALL, 10);
    auto* buttons = new wxStdDialogButtonSizer;
    buttons->AddButton(new wxButton(this, wxID_CANCEL, Wx("閉じる")));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);
    SetEscapeId(wxID_NONE);

    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { EnableButtons(); });
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { EnableButtons(); });
    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { EditRule(); });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        // Esc stops the application first; the dialog closes on the next one.
        if (event.GetKeyCode() != WXK_ESCAPE) {
            event.Skip();
        } else if (m_applying) {
            Stop();
        } else if (IsModal()) {
            EndModal(wxID_CANCEL);
        } else {
            Close();
        }
    });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
        if (event.GetId() == wxID_CANCEL && m_applying) Stop();
        event.Skip();
    });
    Reload();
}

CRulesDlg::~CRulesDlg() {
    if (m_progress) m_progress->stop = true;
}

void CRulesDlg::Reload(int64_t select) {
    m_rules = CRuleStore(m_store).Rules();
    m_list->DeleteAllItems();
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i];
        const long row = m_list->InsertItem(static_cast<long>(i), wxString::FromUTF8(rule.name));
        m_list->SetItem(row, 1, Describe(rule));
        m_list->SetItem(row, 2, Wx(kActionNames[static_cast<int>(rule.action)]));
        m_list->SetItem(row, 3, Wx(rule.enabled ? "はい" : "いいえ"));
        if (rule.id == select) {
            m_list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        }
    }
    EnableButtons();
}

void CRulesDlg::Write(std::function<int64_t(CRuleStore& rules)> change) {
    ++m_writes;
    RunOffWindow(
        this, InStore{m_writer},
        [change = std::move(change)](CFeedStore* store) {
            int64_t select = 0;
            if (store != nullptr) {
                CRuleStore rules(*store);
                select = change(rules);
            }
            return select;
        },
        [](CRulesDlg& dialog, int64_t select) {
            --dialog.m_writes;
            dialog.Reload(select);
        });
}

int CRulesDlg::Selected() const {
    const long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    return row >= 0 && static_cast<size_t>(row) < m_rules.size() ? static_cast<int>(row) : -1;
}

void CRulesDlg::EnableButtons() {
    const bool chosen = Selected() >= 0;
    for (wxButton* b : m_ruleButtons) b->Enable(chosen && !m_applying);
    m_apply->Enable(!m_applying && !m_rules.empty());
}

void CRulesDlg::OpenEditor(const Rule& rule) {
    m_editor = new CRuleEditDlg(this, rule, m_store.Path(), m_sites, m_categories);
    if (m_modelessEditor) {
        m_editor->Show();
        return;
    }
    FinishEditor(m_editor->ShowModal() == wxID_OK);
}

void CRulesDlg::FinishEditor(bool confirmed) {
    if (!m_editor) return;
    const Rule rule = m_editor->CurrentRule();
    const bool saveable = m_editor->Problem().empty();
    m_editor->Destroy();
    m_editor = nullptr;
    if (!confirmed || !saveable) return;
    Write([rule](CRuleStore& rules) {
        if (rule.id == 0) return rules.Add(rule).value_or(0);
        rules.Update(rule);
        return rule.id;
    });
}

void CRulesDlg::AddRule() {
    Rule rule;
    rule.conditions.push_back({});
    OpenEditor(rule);
}

void CRulesDlg::EditRule() {
    const int row = Selected();
    if (row >= 0) OpenEditor(m_rules[static_cast<size_t>(row)]);
}

void CRulesDlg::DeleteRule() {
    const int row = Selected();
    if (row < 0) return;
    Write([id = m_rules[static_cast<size_t>(row)].id](CRuleStore& rules) -> int64_t {
        rules.Delete(id);
        return 0;
    });
}

void CRulesDlg::MoveRule(int step) {
    const int row = Selected();
    if (row < 0) return;
    const int64_t id = m_rules[static_cast<size_t>(row)].id;
    Write([id, step](CRuleStore& rules) {
        rules.Move(id, step);
        return id;
    });
}

void CRulesDlg::ToggleRule() {
    const int row = Selected();
    if (row < 0) return;
    Rule rule = m_rules[static_cast<size_t>(row)];
    rule.enabled = !rule.enabled;
    Write([rule](CRuleStore& rules) {
        rules.Update(rule);
        return rule.id;
    });
}

void CRulesDlg::ApplyAll() {
    if (m_applying || m_rules.empty()) return;
    m_applying = true;
    m_progress = std::make_shared<Progress>();
    EnableButtons();
    m_gauge->SetValue(0);
    const std::shared_ptr<Progress> progress = m_progress;
    const std::vector<Rule> rules = m_rules;
    // The pass says how far it is; one notice at a time waits for the window.
    auto tell = [progress, dialog = WindowRef<CRulesDlg>(this)] {
        if (progress->noticeWaiting.exchange(true)) return;
        PostToWindow(dialog, [](CRulesDlg& alive) { alive.ShowApplying(); });
    };
    // It changes the library: through the writer, after the rules' own changes posted before.
    RunOffWindow(
        this, InStore{m_writer},
        [progress, rules, tell](CFeedStore* store) {
            RulePassResult result;
            if (store != nullptr) {
                result = ApplyRulesToLibrary(*store, rules, [&](const RulePassResult& now) {
                    progress->examined = now.examined;
                    progress->total = now.total;
                    tell();
                    return !progress->stop.load();
                });
            }
            return result;
        },
        [](CRulesDlg& dialog, const RulePassResult& result) { dialog.ShowApplied(result); });
}

void CRulesDlg::ShowApplying() {
    if (!m_progress) return;
    m_progress->noticeWaiting = false;
    const int64_t total = m_progress->total.load();
    const int64_t examined = m_progress->examined.load();
    m_gauge->SetValue(
        total > 0 ? static_cast<int>(std::min<int64_t>(examined, total) * 1000 / total) : 0);
    m_status->SetLabel(wxString::Format(Wx("適用しています: %lld / %lld 件 (Esc で中止)"),
                                        static_cast<long long>(examined),
                                        static_cast<long long>(total)));
}

void CRulesDlg::ShowApplied(const RulePassResult& result) {
    m_applying = false;
    m_progress.reset();
    m_gauge->SetValue(result.complete ? 1000 : 0);
    wxString text = wxString::Format(
        Wx(result.complete ? "適用しました: %lld 件が一致し、%lld 件を変えました"
                           : "中止しました: %lld 件が一致し、%lld 件を変えました"),
        static_cast<long long>(result.matched), static_cast<long long>(result.changed));
    for (const std::string& message : result.messages) {
        text += "\n" + wxString::FromUTF8(message);
    }
    m_status->SetLabel(text);
    EnableButtons();
    Layout();
    if (m_applied) m_applied();
}

void CRulesDlg::Stop() {
    if (m_progress) m_progress->stop = true;
}

}  // namespace varlo

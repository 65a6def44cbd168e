#include "store/rule_store.h"

#include <nlohmann/json.hpp>

#include "encoding/carried_reference.h"
#include "store/sqlite.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

nlohmann::ordered_json ConditionsJson(const std::vector<RuleCondition>& conditions) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const RuleCondition& c : conditions) {
        list.push_back(nlohmann::ordered_json{
            {"field", FieldName(c.field)}, {"test", TestName(c.test)}, {"value", c.value}});
    }
    return list;
}

std::optional<std::vector<RuleCondition>> ConditionsFrom(const nlohmann::json& list,
                                                         std::string* error) {
    if (!list.is_array()) {
        if (error) *error = "conditions must be a list";
        return std::nullopt;
    }
    std::vector<RuleCondition> conditions;
    for (const nlohmann::json& item : list) {
        RuleCondition c;
        const auto text = [&](const char* name) -> std::optional<std::string> {
            const auto it = item.find(name);
            if (it == item.end() || !it->is_string()) return std::nullopt;
            return it->get<std::string>();
        };
        const std::optional<std::string> field = item.is_object() ? text("field") : std::nullopt;
        const std::optional<std::string> test = item.is_object() ? text("test") : std::nullopt;
        const std::optional<std::string> value = item.is_object() ? text("value") : std::nullopt;
        const std::optional<RuleField> f = field ? FieldNamed(*field) : std::nullopt;
        const std::optional<RuleTest> t = test ? TestNamed(*test) : std::nullopt;
        if (!f || !t || !value) {
            if (error) {
                *error =
                    "each condition needs \"field\" (title, text, title_or_text, link, author, "
                    "category), \"test\" (contains, not_contains, matches) and \"value\"";
            }
            return std::nullopt;
        }
        c.field = *f;
        c.test = *t;
        c.value = *value;
        conditions.push_back(std::move(c));
    }
    return conditions;
}

Rule RuleFromRow(const SqliteStatement& row) {
    Rule rule;
    rule.id = row.Int(0);
    rule.name = row.String(1);
    rule.enabled = row.Int(2) != 0;
    rule.scope = ScopeNamed(row.String(3)).value_or(RuleScope::kAll);
    rule.scopeValue = row.String(4);
    const nlohmann::json list = nlohmann::json::parse(row.String(5), nullptr, false);
    rule.conditions = ConditionsFrom(list, nullptr).value_or(std::vector<RuleCondition>{});
    rule.action = ActionNamed(row.String(6)).value_or(RuleAction::kNotify);
    return rule;
}

}  // namespace

std::vector<Rule> CRuleStore::Rules() {
    std::vector<Rule> rules;
    sqlite3* db = m_store.Connection();
    if (!db) return rules;
    SqliteStatement query(db,
                          "SELECT id, name, enabled, scope, scope_value, conditions, action "
                          "FROM rules ORDER BY position, id");
    while (query.Step() == SQLITE_ROW) rules.push_back(RuleFromRow(query));
    return rules;
}

bool CRuleStore::Write(const Rule& rule, int64_t id) {
    sqlite3* db = m_store.Connection();
    // The revision tells a compiled set made before that it is out of date.
    SqliteStatement write(db, id == 0
                                  ? "INSERT INTO rules(position, name, enabled, scope, "
                                    "scope_value, conditions, action, revision) VALUES("
                                    "(SELECT coalesce(max(position), 0) + 1 FROM rules), ?1, ?2, "
                                    "?3, ?4, ?5, ?6, (SELECT coalesce(max(revision), 0) + 1 FROM "
                                    "rules))"
                                  : "UPDATE rules SET name = ?1, enabled = ?2, scope = ?3, "
                                    "scope_value = ?4, conditions = ?5, action = ?6, revision = "
                                    "(SELECT max(revision) + 1 FROM rules) WHERE id = ?7");
    write.Bind(1, rule.name).Bind(2, int64_t{rule.enabled}).Bind(3, ScopeName(rule.scope));
    write.Bind(4, rule.scope == RuleScope::kAll ? Text() : rule.scopeValue);
    write.Bind(5, ConditionsJson(rule.conditions).dump());
    write.Bind(6, ActionName(rule.action));
    if (id != 0) write.Bind(7, id);
    return write.Step() == SQLITE_DONE && sqlite3_changes(db) == 1;
}

std::optional<int64_t> CRuleStore::Add(const Rule& rule) {
    if (!m_store.Connection() || !RuleError(rule).empty() || !Write(rule, 0)) return std::nullopt;
    return sqlite3_last_insert_rowid(m_store.Connection());
}

bool CRuleStore::Update(const Rule& rule) {
    return m_store.Connection() && rule.id > 0 && RuleError(rule).empty() && Write(rule, rule.id);
}

bool CRuleStore::Delete(int64_t id) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    SqliteStatement remove(db, "DELETE FROM rules WHERE id = ?");
    remove.Bind(1, id);
    return remove.Step() == SQLITE_DONE && sqlite3_changes(db) == 1;
}

bool CRuleStore::Move(int64_t id, int step) {
    sqlite3* db = m_store.Connection();
    if (!db || (step != -1 && step != 1)) return false;
    const std::vector<Rule> rules = Rules();
    size_t at = 0;
    while (at < rules.size() && rules[at].id != id) ++at;
    if (at == rules.size()) return false;
    const size_t other = step < 0 ? at - 1 : at + 1;
    if (step < 0 && at == 0) return false;
    if (other >= rules.size()) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    // Positions are rewritten in order: rules stored before may share one.
    SqliteStatement place(db,
                          "UPDATE rules SET position = ?2, revision = (SELECT max(revision) + 1 "
                          "FROM rules) WHERE id = ?1");
    for (size_t i = 0; i < rules.size(); ++i) {
        const size_t from = i == at ? other : i == other ? at : i;
        place.Reset();
        place.Bind(1, rules[from].id).Bind(2, static_cast<int64_t>(i + 1));
        if (place.Step() != SQLITE_DONE) return false;
    }
    return transaction.Commit();
}

int CRuleStore::DeleteSiteRules(const Text& url) {
    sqlite3* db = m_store.Connection();
    if (!db) return -1;
    SqliteStatement remove(
        db, "DELETE FROM rules WHERE CAST(scope AS TEXT) = 'site' AND scope_value = ?");
    remove.Bind(1, url);
    return remove.Step() == SQLITE_DONE ? sqlite3_changes(db) : -1;
}

int CRuleStore::MoveSiteRules(const Text& from, const Text& to) {
    sqlite3* db = m_store.Connection();
    if (!db) return -1;
    SqliteStatement move(
        db,
        "UPDATE rules SET scope_value = ?2, revision = (SELECT max(revision) + 1 FROM rules) "
        "WHERE CAST(scope AS TEXT) = 'site' AND scope_value = ?1");
    move.Bind(1, from).Bind(2, to);
    return move.Step() == SQLITE_DONE ? sqlite3_changes(db) : -1;
}

bool CRuleStore::SetSiteCategories(const std::map<Text, std::vector<Text>>& categories) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open() || SqliteExec(db, "DELETE FROM rule_site_categories") != SQLITE_OK) {
        return false;
    }
    SqliteStatement add(db,
                        "INSERT OR IGNORE INTO rule_site_categories(url, category) VALUES(?, ?)");
    for (const auto& [url, names] : categories) {
        for (const Text& name : names) {
            add.Reset();
            add.Bind(1, url).Bind(2, name);
            if (add.Step() != SQLITE_DONE) return false;
        }
    }
    return transaction.Commit();
}

std::vector<Text> CRuleStore::CategoriesOf(const Text& url) {
    std::vector<Text> names;
    if (!m_store.Connection()) return names;
    SqliteStatement query(m_store.Connection(),
                          "SELECT category FROM rule_site_categories WHERE url = ?");
    query.Bind(1, url);
    while (query.Step() == SQLITE_ROW) names.push_back(query.String(0));
    return names;
}

std::shared_ptr<RuleSet> CRuleStore::Compiled() {
    sqlite3* db = m_store.Connection();
    if (!db) return nullptr;
    SqliteStatement state(db,
                          "SELECT count(*), coalesce(max(revision), 0), coalesce(sum(id), 0) FROM "
                          "rules WHERE enabled = 1");
    if (state.Step() != SQLITE_ROW) return nullptr;
    if (state.Int(0) == 0) return nullptr;
    const std::string signature = std::to_string(state.Int(0)) + ":" +
                                  std::to_string(state.Int(1)) + ":" + std::to_string(state.Int(2));
    if (m_store.m_rules && m_store.m_rulesSignature == signature) return m_store.m_rules;
    auto rules = std::make_shared<RuleSet>(Rules());
    m_store.m_rules = rules->Empty() ? nullptr : rules;
    m_store.m_rulesSignature = signature;
    return m_store.m_rules;
}

std::string RuleToJson(const Rule& rule) {
    nlohmann::ordered_json json;
    json["id"] = rule.id;
    json["name"] = rule.name;
    json["enabled"] = rule.enabled;
    if (rule.scope == RuleScope::kAll) {
        json["scope"] = "all";
    } else {
        json["scope"] = nlohmann::ordered_json{
            {std::string(ScopeName(rule.scope)), Cp932TextToUtf8(rule.scopeValue)}};
    }
    json["conditions"] = ConditionsJson(rule.conditions);
    json["action"] = ActionName(rule.action);
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<Rule> RuleFromJson(const std::string& text, std::string* error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    auto fail = [&](const char* message) -> std::optional<Rule> {
        if (error) *error = message;
        return std::nullopt;
    };
    if (!json.is_object()) return fail("not a JSON object");
    Rule rule;
    if (const auto it = json.find("name"); it != json.end()) {
        if (!it->is_string()) return fail("\"name\" must be a string");
        rule.name = it->get<std::string>();
    }
    if (const auto it = json.find("enabled"); it != json.end()) {
        if (!it->is_boolean()) return fail("\"enabled\" must be true or false");
        rule.enabled = it->get<bool>();
    }
    if (const auto it = json.find("scope"); it != json.end() && *it != "all") {
        if (!it->is_object() || it->size() != 1 || !it->begin()->is_string()) {
            return fail("\"scope\" must be \"all\", {\"category\": name} or {\"site\": address}");
        }
        const std::optional<RuleScope> scope = ScopeNamed(it->begin().key());
        if (!scope || *scope == RuleScope::kAll) return fail("\"scope\" names no category or site");
        rule.scope = *scope;
        rule.scopeValue = Utf8TextToCp932(it->begin()->get<std::string>());
    }
    const auto conditions = json.find("conditions");
    if (conditions == json.end()) return fail("\"conditions\" is missing");
    std::optional<std::vector<RuleCondition>> list = ConditionsFrom(*conditions, error);
    if (!list) return std::nullopt;
    rule.conditions = std::move(*list);
    const auto action = json.find("action");
    const std::optional<RuleAction> named = action != json.end() && action->is_string()
                                                ? ActionNamed(action->get<std::string>())
                                                : std::nullopt;
    if (!named) return fail("\"action\" must be hide, mark_read, star or notify");
    rule.action = *named;
    return rule;
}

}  // namespace varlo

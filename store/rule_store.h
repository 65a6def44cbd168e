#pragma once
// The rules as the store keeps them, in their order, and the categories of the open subscription
// file that rules over a category look sites up in. Works on the connection of a CFeedStore, on
// that store's thread.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/rules.h"

namespace varlo {

class CRuleStore {
  public:
    explicit CRuleStore(CFeedStore& store) : m_store(store) {}

    // Every rule, in order; empty on error.
    std::vector<Rule> Rules();
    // Adds `rule` (its id ignored) after the others; its new id, or none when it cannot be saved
    // (RuleError) or stored.
    std::optional<int64_t> Add(const Rule& rule);
    // Rewrites the stored rule of `rule.id`; false when it cannot be saved or is not stored.
    bool Update(const Rule& rule);
    bool Delete(int64_t id);
    // Moves a rule one place up (-1) or down (+1); false at an end or when it is not stored.
    bool Move(int64_t id, int step);
    // Forgets the rules over the site at `url` (the site was deleted); how many went, -1 on error.
    int DeleteSiteRules(const Text& url);
    // Lets the rules over the site at `from` follow it to its new feed address `to`; how many
    // moved, -1 on error.
    int MoveSiteRules(const Text& from, const Text& to);

    // Records which categories hold each site of the open subscription file, in place of what was
    // recorded before.
    bool SetSiteCategories(const std::map<Text, std::vector<Text>>& categories);
    // The categories recorded for the site at `url`.
    std::vector<Text> CategoriesOf(const Text& url);

    // The enabled rules compiled, shared while no rule changes: a store records many feeds in a
    // row. Null when there are no enabled rules.
    std::shared_ptr<RuleSet> Compiled();

  private:
    bool Write(const Rule& rule, int64_t id);
    CFeedStore& m_store;
};

// A rule as JSON: {"id","name","enabled","scope","conditions":[{"field","test","value"}],
// "action"}, with the scope as "all", {"category": name} or {"site": address} (UTF-8).
std::string RuleToJson(const Rule& rule);
// The rule a JSON object gives; none, with `error` set, when it is not one.
std::optional<Rule> RuleFromJson(const std::string& json, std::string* error);

}  // namespace varlo

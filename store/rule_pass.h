#pragma once
// Rules over the articles the library keeps already: how many a rule matches while the user writes
// it, and every rule applied to the whole library on request. Both read what the search indexes
// (a whole article where one was fetched) and run on a worker's connection; the search index
// narrows a rule that looks for words in titles or texts to the articles that hold them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/feed_store.h"
#include "store/rules.h"

namespace varlo {

// Where a pass is, and what it found so far.
struct RulePassResult {
    int64_t examined = 0;               // articles read so far
    int64_t total = 0;                  // articles the pass reads in all
    int64_t matched = 0;                // of those read, the ones a rule holds for
    int64_t changed = 0;                // applying: the articles whose marks changed
    std::vector<int64_t> first;         // counting: the first matches, newest first
    bool complete = false;              // every article was read (not stopped)
    std::vector<std::string> messages;  // an expression that hit its limit, once per rule
};

// Called now and then with the result so far; false stops the pass.
using RulePassProgress = std::function<bool(const RulePassResult&)>;

// Counts the stored articles `rule` matches within its scope, enabled or not, keeping the first
// `keep` of them (newest first).
RulePassResult CountRuleMatches(CFeedStore& store, const Rule& rule, size_t keep,
                                const RulePassProgress& progress = {});

// Applies `rules` (the enabled ones, in order) to every stored article: hides, marks read and
// stars what they match, as one transaction per rule; marks go to the sync server as the user's
// own. What was applied before a stop stays.
RulePassResult ApplyRulesToLibrary(CFeedStore& store, const std::vector<Rule>& rules,
                                   const RulePassProgress& progress = {});

}  // namespace varlo

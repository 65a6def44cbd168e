// varlo-cli rules: the rules that hide, mark read and star articles, without a window.

#include <cstdio>
#include <map>

#include "cli/command.h"
#include "cli/feed_list.h"
#include "encoding/codepage.h"
#include "store/library.h"
#include "store/rule_pass.h"
#include "store/rule_store.h"
#include "subscriptions/opml_file.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

// The categories of every site of the subscription file at `path`, by feed address.
bool ReadCategories(const std::string& path, std::map<Text, std::vector<Text>>* categories) {
    COpmlFile list;
    if (!ReadSubscriptions(path, list)) return false;
    for (int i = 0; i < list.GetCount(); ++i) {
        const COpmlItem* item = list.GetAt(i);
        if (item->m_strXmlUrl.empty()) continue;
        std::vector<Text>& names = (*categories)[item->m_strXmlUrl];
        if (!item->m_strCategory.empty()) names.push_back(item->m_strCategory);
    }
    return true;
}

bool ParseId(const std::string& value, int64_t* id) {
    if (value.empty() || value.size() > 18 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *id = std::stoll(value);
    return *id > 0;
}

int Fail(const char* utf8) {
    std::fprintf(stderr, "%s\n", utf8);
    return kExitUnreadable;
}

int RunRules(const std::vector<std::string>& args) {
    std::string path;
    std::string add;
    int64_t remove = 0;
    bool apply = false;
    int actions = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--add" && i + 1 < args.size()) {
            add = args[++i];
            ++actions;
        } else if (args[i] == "--delete" && i + 1 < args.size()) {
            if (!ParseId(args[++i], &remove)) return UsageError("rules");
            ++actions;
        } else if (args[i] == "--apply") {
            apply = true;
            ++actions;
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("rules");
        }
    }
    if (path.empty() || actions > 1) return UsageError("rules");
    std::map<Text, std::vector<Text>> categories;
    if (!ReadCategories(path, &categories)) return kExitUnreadable;
    CFeedStore store;
    if (!OpenStore(store)) return kExitUnreadable;
    CRuleStore rules(store);
    // Rules over a category look in the file named, as the window looks in the open one.
    if (!rules.SetSiteCategories(categories)) return Fail("ルールを保存できませんでした");
    if (!add.empty()) {
        std::string error;
        const std::optional<Rule> rule = RuleFromJson(add, &error);
        if (!rule) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return UsageError("rules");
        }
        if (const std::string why = RuleError(*rule); !why.empty()) {
            std::fprintf(stderr, "%s\n", why.c_str());
            return kExitUsage;
        }
        const std::optional<int64_t> id = rules.Add(*rule);
        if (!id) return Fail("ルールを保存できませんでした");
        PrintLine(Json{{"added", *id}});
        return kExitOk;
    }
    if (remove > 0) {
        const bool found = rules.Delete(remove);
        PrintLine(Json{{"deleted", remove}, {"found", found ? 1 : 0}});
        return kExitOk;
    }
    if (apply) {
        const RulePassResult result = ApplyRulesToLibrary(store, rules.Rules());
        for (const std::string& message : result.messages) {
            std::fprintf(stderr, "%s\n", message.c_str());
        }
        if (!result.complete) return Fail("ルールを記事に適用できませんでした");
        PrintLine(Json{{"applied", true},
                       {"examined", result.examined},
                       {"matched", result.matched},
                       {"changed", result.changed}});
        return kExitOk;
    }
    for (const Rule& rule : rules.Rules()) {
        std::printf("%s\n", RuleToJson(rule).c_str());
    }
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND(
    "rules",
    "  varlo-cli rules OPML [--add JSON | --delete ID | --apply]\n"
    "                                                     the rules, one JSON line each; adds one\n"
    "                                                     (JSON without \"id\"), deletes one, or\n"
    "                                                     applies them to every stored article\n",
    RunRules);

}  // namespace varlo::cli

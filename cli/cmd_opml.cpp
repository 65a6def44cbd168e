// varlo-cli opml: the subscription list of a file, sorted if asked, and optionally written back.

#include <cstdio>

#include "cli/command.h"
#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "subscriptions/opml_file.h"

namespace varlo::cli {
namespace {

using Json = nlohmann::ordered_json;

// While alive, writes message box texts to standard error and notes whether the input file could
// not be read: every failure of the file layer shows a message, and "not OPML" is the only other.
class ReadFailureWatch {
  public:
    ReadFailureWatch()
        : m_previous(SetMessageBoxHandler([this](const Text& text, unsigned) {
              std::fprintf(stderr, "%s\n", Out(text).c_str());
              if (text != Jp("OPMLファイルではありません")) m_fileFailed = true;
              return static_cast<int>(kIdOk);
          })) {}
    ~ReadFailureWatch() { SetMessageBoxHandler(m_previous); }
    ReadFailureWatch(const ReadFailureWatch&) = delete;
    ReadFailureWatch& operator=(const ReadFailureWatch&) = delete;
    bool FileFailed() const { return m_fileFailed; }

  private:
    bool m_fileFailed = false;
    MessageBoxHandler m_previous;
};

// A subscription text as the user reads it (text that looks like a reference stays as it is).
std::string Shown(const Text& text) {
    return Cp932TextToUtf8(text);
}

Json ListJson(bool result, const COpmlFile& list) {
    Json json;
    json["result"] = result;
    json["title"] = Shown(list.m_strTitle);
    std::vector<Text> categories;
    list.GetCategories(categories);
    Json categoryJson = Json::array();
    for (const Text& c : categories) categoryJson.push_back(Shown(c));
    json["categories"] = std::move(categoryJson);
    Json items = Json::array();
    for (int i = 0; i < list.GetCount(); ++i) {
        const COpmlItem& item = *list.GetAt(i);
        items.push_back({{"title", Shown(item.m_strTitle)},
                         {"category", Shown(item.m_strCategory)},
                         {"htmlUrl", Shown(item.m_strHtmlUrl)},
                         {"xmlUrl", Shown(item.m_strXmlUrl)},
                         {"type", Shown(item.m_strType)}});
    }
    json["items"] = std::move(items);
    return json;
}

int RunOpml(const std::vector<std::string>& args) {
    std::string path;
    std::string out;
    std::string sortKey;
    bool descending = false;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sort" && i + 1 < args.size() && sortKey.empty()) {
            sortKey = args[++i];
        } else if (args[i] == "--write" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else if (args[i] == "--descending") {
            descending = true;
        } else if (args[i] == "--force") {
            force = true;
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError("opml");
        }
    }
    if (path.empty() || (!sortKey.empty() && sortKey != "0" && sortKey != "1")) {
        return UsageError("opml");
    }

    COpmlFile list;
    bool result;
    {
        ReadFailureWatch watch;
        result = list.ReadOpml(path);
        if (!result && watch.FileFailed()) return kExitUnreadable;
    }
    if (!sortKey.empty()) list.m_nSortKey = sortKey == "0" ? 0 : 1;
    list.m_bDescending = descending;
    list.Sort();
    PrintJson(ListJson(result, list));
    // A list that could not be read is not written: that would replace OUT with an empty list.
    if (out.empty() || !result) return kExitOk;
    // Nor is one missing outlines the file holds, unless the user accepts losing them.
    if (list.m_nUnreadItems > 0 && !force) {
        std::fprintf(stderr, "%s\n",
                     Out(Jp("読み込めなかった項目が ") + std::to_string(list.m_nUnreadItems) +
                         Jp(" 件あります。--force を付けると、それらを失って書き込みます。"))
                         .c_str());
        return kExitUnreadable;
    }
    int leftOut = 0;
    if (!list.WriteOpml(out, &leftOut)) return kExitUnreadable;
    if (leftOut > 0) std::fprintf(stderr, "%s\n", Out(LeftOutCharactersMessage(leftOut)).c_str());
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND("opml",
                  "  varlo-cli opml FILE [--sort 0|1] [--descending]     the subscription list of "
                  "FILE as JSON\n"
                  "  varlo-cli opml FILE --write OUT [--force]           the same, then the list "
                  "written to OUT\n"
                  "                                                      (--force: even when "
                  "outlines of FILE could not be read)\n",
                  RunOpml);

}  // namespace varlo::cli

#include "cli/feed_list.h"

#include <cstdio>

#include "cli/command.h"
#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "store/store_paths.h"
#include "subscriptions/opml_file.h"

namespace varlo::cli {

bool ReadSubscriptions(const std::string& path, COpmlFile& list) {
    bool failed = false;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const Text& text, unsigned) {
        std::fprintf(stderr, "%s\n", Out(text).c_str());
        failed = true;
        return static_cast<int>(kIdOk);
    });
    const bool read = list.ReadOpml(path);
    SetMessageBoxHandler(std::move(previous));
    return read && !failed;
}

bool ReadFeedTitles(const std::string& path, std::vector<std::pair<Text, Text>>* sites) {
    COpmlFile list;
    if (!ReadSubscriptions(path, list)) return false;
    sites->clear();
    for (int i = 0; i < list.GetCount(); ++i) {
        const auto* item = list.GetAt(i);
        if (!item->m_strXmlUrl.empty()) sites->emplace_back(item->m_strXmlUrl, item->m_strTitle);
    }
    return true;
}

bool ReadFeedAddresses(const std::string& path, std::vector<Text>* urls) {
    std::vector<std::pair<Text, Text>> sites;
    if (!ReadFeedTitles(path, &sites)) return false;
    urls->clear();
    for (auto& site : sites) urls->push_back(std::move(site.first));
    return true;
}

bool OpenStore(CFeedStore& store) {
    const bool open = store.Open(StorePath());
    if (!store.Notice().empty()) std::fprintf(stderr, "%s\n", Out(store.Notice()).c_str());
    if (!open) std::fprintf(stderr, "%s\n", Out(Jp("新着の記録を開けませんでした")).c_str());
    return open;
}

}  // namespace varlo::cli

#include "cli/feed_list.h"

#include <cstdio>

#include "cli/command.h"
#include "platform/message_box.h"
#include "subscriptions/opml_file.h"

namespace varlo::cli {

bool ReadFeedAddresses(const std::string& path, std::vector<Text>* urls) {
    bool failed = false;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const Text& text, unsigned) {
        std::fprintf(stderr, "%s\n", Out(text).c_str());
        failed = true;
        return static_cast<int>(kIdOk);
    });
    COpmlFile list;
    const bool read = list.ReadOpml(path);
    SetMessageBoxHandler(std::move(previous));
    if (!read || failed) return false;
    urls->clear();
    for (int i = 0; i < list.GetCount(); ++i) {
        if (!list.GetAt(i)->m_strXmlUrl.empty()) urls->push_back(list.GetAt(i)->m_strXmlUrl);
    }
    return true;
}

}  // namespace varlo::cli

// Reads arbitrary bytes as a subscription file. A list that reads is sorted, written back and read
// again, and must come back with the same entries whenever its texts survive the trip through
// UTF-8.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "subscriptions/opml_file.h"

namespace {

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool Survives(const varlo::Text& text) {
    return varlo::Utf8ToCp932(varlo::Cp932ToUtf8(text)) == text;
}

// Silences message boxes and names this process's two scratch files, removed at exit.
std::string Setup() {
    varlo::SetMessageBoxHandler([](const varlo::Text&, unsigned) { return 1; });
    const char* tmp = std::getenv("TMPDIR");
    static std::string base =
        std::string(tmp != nullptr ? tmp : "/tmp") + "/fuzz_opml_" + std::to_string(getpid());
    std::atexit([] {
        std::remove(base.c_str());
        std::remove((base + ".out").c_str());
    });
    return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = Setup();
    static const std::string output = input + ".out";
    if (!WriteBytes(input, data, size)) return 0;

    varlo::COpmlFile list;
    if (!list.ReadOpml(input)) return 0;
    std::vector<varlo::Text> categories;
    list.GetCategories(categories);
    list.FindInsertPos(categories.empty() ? varlo::Text() : categories.back());
    list.m_nSortKey = size % 2;
    list.m_bDescending = size % 3 == 0;
    list.Sort();

    bool survives = Survives(list.m_strTitle);
    for (int i = 0; i < list.GetCount(); ++i) {
        const varlo::COpmlItem& e = *list.GetAt(i);
        survives = survives && Survives(e.m_strTitle) && Survives(e.m_strCategory) &&
                   Survives(e.m_strHtmlUrl) && Survives(e.m_strXmlUrl) && Survives(e.m_strType);
    }
    // Characters an XML file may not hold are left out of what is written, and so are not read
    // back.
    int leftOut = 0;
    if (!list.WriteOpml(output, &leftOut)) std::abort();
    varlo::COpmlFile reread;
    if (!reread.ReadOpml(output)) std::abort();
    if (!survives || leftOut > 0) return 0;
    if (reread.m_strTitle != list.m_strTitle || reread.GetCount() != list.GetCount()) std::abort();
    for (int i = 0; i < list.GetCount(); ++i) {
        const varlo::COpmlItem& a = *list.GetAt(i);
        const varlo::COpmlItem& b = *reread.GetAt(i);
        if (a.m_strTitle != b.m_strTitle || a.m_strCategory != b.m_strCategory ||
            a.m_strHtmlUrl != b.m_strHtmlUrl || a.m_strXmlUrl != b.m_strXmlUrl ||
            a.m_strType != b.m_strType) {
            std::abort();
        }
    }
    return 0;
}

// Feeds arbitrary bytes as a feed file to CRssFile::ReadRss.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "feeds/rss_file.h"
#include "platform/message_box.h"

namespace {

// The one file every input is written to, removed when the fuzzer ends.
struct InputFile {
    std::string path = "/tmp/varlo-fuzz-rss-" + std::to_string(getpid()) + ".xml";
    ~InputFile() { std::remove(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const InputFile input;
    const std::string& path = input.path;
    static const bool quiet = (varlo::SetMessageBoxHandler([](const varlo::Text&, unsigned) {
                                   return static_cast<int>(varlo::kIdOk);
                               }),
                               true);
    (void)quiet;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    varlo::CRssFile feed;
    feed.ReadRss(path);
    for (int i = 0; i < feed.GetSize(); ++i) {
        if (feed.GetAt(i) == nullptr) __builtin_trap();
    }
    return 0;
}

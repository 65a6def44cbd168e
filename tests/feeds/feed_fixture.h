#pragma once
// Reading feed texts written on the spot, and the clock bracket for "the time of reading".

#include <ctime>
#include <string>
#include <string_view>

#include "feeds/rss_file.h"
#include "support/test_support.h"

namespace varlo::test {

// Writes `xml` as "down.xml" in a fresh folder and reads it into `feed`; returns ReadRss's result.
inline int ReadFeedText(CRssFile& feed, std::string_view xml,
                        const std::string& name = "down.xml") {
    TempDir dir;
    WriteFile(dir.File(name), xml);
    return feed.ReadRss(dir.File(name));
}

// The clock before and after a read: an article dated "at reading" lies between the two.
struct ReadingTime {
    TimeValue before = static_cast<TimeValue>(std::time(nullptr));
    TimeValue after = 0;
    void Stop() { after = static_cast<TimeValue>(std::time(nullptr)); }
    bool Contains(TimeValue t) const { return t >= before && t <= after; }
};

}  // namespace varlo::test

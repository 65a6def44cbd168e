#include "update/feed_reading.h"

#include "platform/message_box.h"

namespace varlo {

FeedReading ReadFeedBody(const std::string& path, const Text& address) {
    FeedReading reading;
    auto feed = std::make_shared<CRssFile>();
    // Relative links of the feed are relative to where it came from.
    feed->m_strAddress = address;
    if (!path.empty()) {
        MessageBoxHandler previous =
            SetMessageBoxHandler([&reading](const Text& text, unsigned style) {
                reading.messages.emplace_back(text, style);
                return static_cast<int>(kIdOk);
            });
        reading.isFeed = feed->ReadRss(path) == 1;
        SetMessageBoxHandler(std::move(previous));
    }
    reading.feed = std::move(feed);
    return reading;
}

std::shared_ptr<const CRssFile> EmptyFeed() {
    return std::make_shared<const CRssFile>();
}

}  // namespace varlo

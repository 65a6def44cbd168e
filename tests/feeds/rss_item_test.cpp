#include "feeds/rss_item.h"

#include <gtest/gtest.h>

#include "feed_fixture.h"

namespace varlo {
namespace {

TEST(FeedModel, GivesAnUndatedArticleTheTimeOfReadingInBothDates) {
    test::ReadingTime clock;
    CRssItem item;
    clock.Stop();
    EXPECT_TRUE(clock.Contains(item.m_timeUpdated));
    EXPECT_EQ(item.m_timePublished, item.m_timeUpdated);
    EXPECT_TRUE(item.m_strTitle.empty());
    EXPECT_TRUE(item.m_strContent.empty());
}

TEST(FeedModel, GivesADatedArticleThatDateInBothFieldsEvenAfter2038) {
    const TimeValue t = 4102444800;  // 2100-01-01
    CRssItem item(t);
    EXPECT_EQ(item.m_timeUpdated, t);
    EXPECT_EQ(item.m_timePublished, t);
    item.SetDate(5);
    EXPECT_EQ(item.m_timeUpdated, 5);
    EXPECT_EQ(item.m_timePublished, t);
}

}  // namespace
}  // namespace varlo

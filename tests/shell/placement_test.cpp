#include "shell/placement.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

TEST(PaneHeights, MissingHeightsTakeSixtyAndStoredOnesAreKeptWhenTheyFit) {
    const PaneHeights fresh = ClampPaneHeights(std::nullopt, std::nullopt, 600);
    EXPECT_EQ(fresh.siteList, 60);
    EXPECT_EQ(fresh.articleList, 60);
    const PaneHeights kept = ClampPaneHeights(200, 150, 600);
    EXPECT_EQ(kept.siteList, 200);
    EXPECT_EQ(kept.articleList, 150);
}

TEST(PaneHeights, HeightsAreClampedSoThatEveryPaneKeepsRoom) {
    // Too tall: the site list leaves two minimum panes, the article list one.
    PaneHeights h = ClampPaneHeights(5000, 5000, 600, 20);
    EXPECT_EQ(h.siteList, 560);
    EXPECT_EQ(h.articleList, 20);
    h = ClampPaneHeights(100, 5000, 600, 20);
    EXPECT_EQ(h.articleList, 480);
    // Zero or negative heights (a hand-edited file) become the minimum.
    h = ClampPaneHeights(-5, 0, 600, 20);
    EXPECT_EQ(h.siteList, 20);
    EXPECT_EQ(h.articleList, 20);
    // A window smaller than three minimum panes shares what it has.
    h = ClampPaneHeights(60, 60, 30, 20);
    EXPECT_EQ(h.siteList, 10);
    EXPECT_EQ(h.articleList, 10);
    h = ClampPaneHeights(60, 60, 0, 20);
    EXPECT_EQ(h.siteList, 1);
    EXPECT_EQ(h.articleList, 1);
}

}  // namespace
}  // namespace varlo

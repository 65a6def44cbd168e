#include "shell/placement.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

TEST(PaneHeights, MissingHeightsTakeTheFirstStartOnesAndStoredOnesAreKeptWhenTheyFit) {
    const PaneHeights first{ListPaneHeight(8, 22, 30), ListPaneHeight(8, 22, 30)};
    EXPECT_GE(first.siteList, 30 + 8 * 22);
    const PaneHeights fresh = ClampPaneHeights(std::nullopt, std::nullopt, 800, first);
    EXPECT_EQ(fresh.siteList, first.siteList);
    EXPECT_EQ(fresh.articleList, first.articleList);
    const PaneHeights kept = ClampPaneHeights(200, 150, 800, first);
    EXPECT_EQ(kept.siteList, 200);
    EXPECT_EQ(kept.articleList, 150);
    // Only one of the two stored: the other takes its first-start height.
    const PaneHeights half = ClampPaneHeights(100, std::nullopt, 800, first);
    EXPECT_EQ(half.siteList, 100);
    EXPECT_EQ(half.articleList, first.articleList);
}

TEST(FirstStart, TheWindowTakesTwoThirdsOfTheWorkAreaCentredInIt) {
    const WindowPlacement p = FirstStartPlacement(0, 0, 1920, 1080);
    EXPECT_EQ(p.right - p.left, 1280);
    EXPECT_EQ(p.bottom - p.top, 720);
    EXPECT_EQ(p.left, 320);
    EXPECT_EQ(p.top, 180);
    // A work area that does not start at the origin (a panel on the left or top, a second screen).
    const WindowPlacement moved = FirstStartPlacement(1920, 40, 1200, 900);
    EXPECT_EQ(moved.left, 1920 + 200);
    EXPECT_EQ(moved.top, 40 + 150);
    EXPECT_EQ(moved.right - moved.left, 800);
    // No area known: the classic placement.
    const WindowPlacement unknown = FirstStartPlacement(0, 0, 0, 0);
    EXPECT_EQ(unknown.left, 100);
    EXPECT_EQ(unknown.right, 700);
}

TEST(PaneHeights, HeightsAreClampedSoThatEveryPaneKeepsRoom) {
    // Too tall: the site list leaves two minimum panes, the article list one.
    PaneHeights h = ClampPaneHeights(5000, 5000, 600, {}, 20);
    EXPECT_EQ(h.siteList, 560);
    EXPECT_EQ(h.articleList, 20);
    h = ClampPaneHeights(100, 5000, 600, {}, 20);
    EXPECT_EQ(h.articleList, 480);
    // Zero or negative heights (a hand-edited file) become the minimum.
    h = ClampPaneHeights(-5, 0, 600, {}, 20);
    EXPECT_EQ(h.siteList, 20);
    EXPECT_EQ(h.articleList, 20);
    // A window smaller than three minimum panes shares what it has.
    h = ClampPaneHeights(60, 60, 30, {}, 20);
    EXPECT_EQ(h.siteList, 10);
    EXPECT_EQ(h.articleList, 10);
    h = ClampPaneHeights(60, 60, 0, {}, 20);
    EXPECT_EQ(h.siteList, 1);
    EXPECT_EQ(h.articleList, 1);
}

}  // namespace
}  // namespace varlo

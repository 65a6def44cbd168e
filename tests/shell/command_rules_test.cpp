#include "shell/command_rules.h"

#include <gtest/gtest.h>

#include "shell/command_ids.h"

namespace varlo {
namespace {

TEST(CommandRules, UpdatingEverySiteIsTheFramesCommandWhicheverPaneIsActiveAndRunsOnceAtATime) {
    PaneState state;
    for (ActivePane pane :
         {ActivePane::None, ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser}) {
        state.active = pane;
        EXPECT_EQ(RouteCommand(cmd::kUpdateAll, pane), CommandTarget::Frame);
        EXPECT_TRUE(IsCommandEnabled(cmd::kUpdateAll, state));
        EXPECT_FALSE(IsCommandEnabled(cmd::kShowUpdateFailures, state));
    }
    state.updating = true;
    state.hasUpdateFailures = true;
    EXPECT_FALSE(IsCommandEnabled(cmd::kUpdateAll, state));
    EXPECT_TRUE(IsCommandEnabled(cmd::kShowUpdateFailures, state));
}

TEST(CommandRules, AutomaticUpdateItemsCheckTheIntervalInUse) {
    PaneState state;
    state.active = ActivePane::ArticleList;
    state.autoUpdateMinutes = 30;
    EXPECT_EQ(CommandCheck(cmd::kAutoUpdate30, state), 1);
    EXPECT_EQ(CommandCheck(cmd::kAutoUpdateOff, state), 0);
    EXPECT_EQ(CommandCheck(cmd::kAutoUpdate120, state), 0);
    EXPECT_TRUE(IsCommandEnabled(cmd::kAutoUpdate60, state));
    state.autoUpdateMinutes = 0;
    EXPECT_EQ(CommandCheck(cmd::kAutoUpdateOff, state), 1);
    EXPECT_EQ(cmd::AutoUpdateMinutes(cmd::kStop), -1);
}

TEST(CommandRules, MarkingASiteSeenBelongsToTheSiteList) {
    EXPECT_EQ(RouteCommand(cmd::kMarkSeen, ActivePane::SiteList), CommandTarget::SiteList);
    EXPECT_EQ(RouteCommand(cmd::kMarkSeen, ActivePane::ArticleList), CommandTarget::Disabled);
}

TEST(CommandRules, StopIsEnabledWhileAnythingIsFetchedWhicheverPaneIsActive) {
    PaneState state;
    state.active = ActivePane::ArticleList;
    EXPECT_FALSE(IsCommandEnabled(cmd::kStop, state)) << "the article list has no page to stop";
    for (ActivePane pane :
         {ActivePane::None, ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser}) {
        state.active = pane;
        state.updating = true;
        state.downloading = false;
        EXPECT_TRUE(IsCommandEnabled(cmd::kStop, state));
        state.updating = false;
        state.downloading = true;
        EXPECT_TRUE(IsCommandEnabled(cmd::kStop, state));
    }
}

TEST(CommandRules, PageInformationFollowsThePageShownNotTheActivePane) {
    PaneState state;
    for (ActivePane pane :
         {ActivePane::None, ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser}) {
        state.active = pane;
        EXPECT_EQ(RouteCommand(cmd::kPageInfo, pane), CommandTarget::Browser);
        state.browserShowsPage = false;
        EXPECT_FALSE(IsCommandEnabled(cmd::kPageInfo, state));
        state.browserShowsPage = true;
        EXPECT_TRUE(IsCommandEnabled(cmd::kPageInfo, state));
    }
}

}  // namespace
}  // namespace varlo

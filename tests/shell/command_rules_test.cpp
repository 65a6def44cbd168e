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

TEST(CommandRules, TheColourSchemeIsTheFramesFromEveryPaneAndChecksTheOneInUse) {
    PaneState state;
    state.colorScheme = 2;
    for (const ActivePane pane :
         {ActivePane::None, ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser}) {
        state.active = pane;
        EXPECT_EQ(RouteCommand(cmd::kSchemeLight, pane), CommandTarget::Frame);
        EXPECT_TRUE(IsCommandEnabled(cmd::kSchemeAuto, state));
        EXPECT_EQ(CommandCheck(cmd::kSchemeDark, state), 1);
        EXPECT_EQ(CommandCheck(cmd::kSchemeAuto, state), 0);
    }
    EXPECT_EQ(cmd::ColorSchemeOf(cmd::kSchemeLight), 1);
    EXPECT_EQ(cmd::ColorSchemeOf(cmd::kMarkAllRead), -1);
}

TEST(CommandRules, MarkingASiteSeenBelongsToTheSiteList) {
    EXPECT_EQ(RouteCommand(cmd::kMarkSeen, ActivePane::SiteList), CommandTarget::SiteList);
    EXPECT_EQ(RouteCommand(cmd::kMarkSeen, ActivePane::ArticleList), CommandTarget::Disabled);
}

TEST(CommandRules, ArticleMarksFollowTheArticleListWhicheverPaneIsActive) {
    PaneState state;
    for (ActivePane pane :
         {ActivePane::None, ActivePane::SiteList, ActivePane::ArticleList, ActivePane::Browser}) {
        state.active = pane;
        for (int id : {cmd::kToggleRead, cmd::kToggleStar, cmd::kMarkAllRead}) {
            EXPECT_EQ(RouteCommand(id, pane), CommandTarget::Articles);
        }
        EXPECT_EQ(RouteCommand(cmd::kSearchFocus, pane), CommandTarget::Frame);
        EXPECT_TRUE(IsCommandEnabled(cmd::kSearchFocus, state));
        state.articleSelected = false;
        state.articleCount = 0;
        EXPECT_FALSE(IsCommandEnabled(cmd::kToggleRead, state));
        EXPECT_FALSE(IsCommandEnabled(cmd::kToggleStar, state));
        EXPECT_FALSE(IsCommandEnabled(cmd::kMarkAllRead, state));
        state.articleCount = 3;
        EXPECT_FALSE(IsCommandEnabled(cmd::kToggleRead, state)) << "no row chosen";
        EXPECT_TRUE(IsCommandEnabled(cmd::kMarkAllRead, state));
        state.articleSelected = true;
        EXPECT_TRUE(IsCommandEnabled(cmd::kToggleRead, state));
        EXPECT_TRUE(IsCommandEnabled(cmd::kToggleStar, state));
    }
}

TEST(CommandRules, ALibraryRowTakesNoSiteCommandButMarkingRead) {
    PaneState state;
    state.active = ActivePane::SiteList;
    state.rowCount = 4;
    state.selectedRow = -1;
    state.libraryRowSelected = true;
    for (int id :
         {cmd::kSiteEdit, cmd::kSiteDelete, cmd::kMoveUp, cmd::kMoveDown, cmd::kOpenInBrowser}) {
        EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
    }
    EXPECT_TRUE(IsCommandEnabled(cmd::kMarkSeen, state));
    EXPECT_TRUE(IsCommandEnabled(cmd::kSiteAdd, state));
    EXPECT_TRUE(IsCommandEnabled(cmd::kSortTitle, state)) << "sorting keeps those rows on top";
    // From the browser pane, too, the site commands it passes on stay off.
    state.active = ActivePane::Browser;
    EXPECT_FALSE(IsCommandEnabled(cmd::kSiteEdit, state));
    EXPECT_FALSE(IsCommandEnabled(cmd::kOpenInBrowser, state));
    // A subscription chosen again: the rules are the site list's own.
    state.active = ActivePane::SiteList;
    state.libraryRowSelected = false;
    state.selectedRow = 0;
    EXPECT_TRUE(IsCommandEnabled(cmd::kSiteEdit, state));
    EXPECT_FALSE(IsCommandEnabled(cmd::kMoveUp, state));
    EXPECT_TRUE(IsCommandEnabled(cmd::kMoveDown, state));
}

TEST(CommandRules, EditingAndDeletingWantASelectedSubscriptionFromEitherPane) {
    PaneState state;
    state.rowCount = 2;
    for (ActivePane pane : {ActivePane::SiteList, ActivePane::Browser}) {
        state.active = pane;
        state.selectedRow = -1;
        EXPECT_FALSE(IsCommandEnabled(cmd::kSiteEdit, state));
        EXPECT_FALSE(IsCommandEnabled(cmd::kSiteDelete, state));
        EXPECT_TRUE(IsCommandEnabled(cmd::kSiteAdd, state));
        state.selectedRow = 1;
        EXPECT_TRUE(IsCommandEnabled(cmd::kSiteEdit, state));
        EXPECT_TRUE(IsCommandEnabled(cmd::kSiteDelete, state));
    }
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

#include "fetch/find_tags.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

std::vector<Text> Tags(std::string_view page, std::string_view name) {
    std::vector<Text> tags;
    FindTags(page, tags, name);
    return tags;
}

TEST(TagFinding, CutsLinksAloneAndTitlesWithTheirContent) {
    const char* page =
        "<html><head><Title>My <b>site</b></TITLE>\r\n"
        "<link rel=\"a\"><LINK rel=\"b\" /><linkage x=1></head></html>";
    EXPECT_EQ(Tags(page, "TITLE"), std::vector<Text>{"<Title>My <b>site</b></TITLE>"});
    EXPECT_EQ(Tags(page, "LINK"),
              (std::vector<Text>{"<link rel=\"a\">", "<LINK rel=\"b\" />", "<linkage x=1>"}));
}

TEST(TagFinding, SkipsTagsInsideCommentsButNotAfterAnUnclosedOne) {
    EXPECT_EQ(Tags("<!-- <link a> --><link b>", "LINK"), std::vector<Text>{"<link b>"});
    EXPECT_EQ(Tags("<link a><!-- <link b>", "LINK"), (std::vector<Text>{"<link a>", "<link b>"}));
}

TEST(TagFinding, StopsAtATagThatNeverCloses) {
    EXPECT_EQ(Tags("<link a><link b", "LINK"), std::vector<Text>{"<link a>"});
}

TEST(TagFinding, EndsATagAtALaterEndTagOfItsName) {
    // The end pattern, once present, decides where the tag text ends.
    EXPECT_EQ(Tags("<link a><link b></link>", "LINK"),
              std::vector<Text>{"<link a><link b></link>"});
}

TEST(TagFinding, AppendsToWhatTheListHolds) {
    std::vector<Text> tags = {"kept"};
    FindTags("<title>x</title>", tags, "title");
    EXPECT_EQ(tags, (std::vector<Text>{"kept", "<title>x</title>"}));
}

TEST(CommentRemoval, DropsEveryClosedComment) {
    EXPECT_EQ(RemoveComments("a<!-- x -->b<!---->c<!-- y"), "abc<!-- y");
    EXPECT_EQ(RemoveComments("<!-- a --> <!-- b -->"), " ");
}

TEST(CaseFreeSearch, FindsTheFirstPositionOrMinusOne) {
    EXPECT_EQ(FindNoCase("abc<LiNk", "<link"), 3);
    EXPECT_EQ(FindNoCase("abc", "x"), -1);
    EXPECT_EQ(FindNoCase("abc", ""), 0);
}

}  // namespace
}  // namespace varlo

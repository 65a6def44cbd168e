#include "shell/new_articles_notice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varlo {
namespace {

TEST(NewArticlesNotice, NamesFiveEscapedOneLineTitlesAndCountsTheRest) {
    std::vector<NoticeArticle> articles;
    articles.push_back({"A <b>bold</b> & \"quoted\"", "Site\nwith a break"});
    articles.push_back({"", ""});
    articles.push_back({std::string(100, 'x'), "s"});
    for (int i = 0; i < 5; ++i) articles.push_back({"more", "s"});
    const NewArticlesNotice notice = MakeNewArticlesNotice(12, articles);
    EXPECT_EQ(notice.summary, "新着記事 12 件");
    EXPECT_EQ(notice.body,
              "A &lt;b&gt;bold&lt;/b&gt; &amp; \"quoted\" (Site with a break)\n"
              "(無題)\n" +
                  std::string(80, 'x') + "… (s)\nmore (s)\nmore (s)\nほか 7 件");
}

TEST(NewArticlesNotice, CutsTitlesByCharactersNeverInsideOne) {
    std::string title;
    for (int i = 0; i < 100; ++i) title += "記";
    title += "\xE3\x81";  // a character cut short at the end of the text
    const NewArticlesNotice notice = MakeNewArticlesNotice(1, {{title, ""}});
    std::string expected;
    for (int i = 0; i < 80; ++i) expected += "記";
    EXPECT_EQ(notice.body, expected + "…");
    // A rule's name is its notice's plain summary.
    EXPECT_EQ(MakeRuleNotice("A & B", 2, {}).summary, "A & B: 2 件");
}

}  // namespace
}  // namespace varlo

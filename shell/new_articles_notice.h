#pragma once
// What the desktop's notification says after an update brought unread articles: one notice per
// update, never one per article or per site.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varlo {

// A new article as the notice names it: its title and its site's, UTF-8 plain text.
struct NoticeArticle {
    std::string title;
    std::string site;
};

struct NewArticlesNotice {
    std::string summary;  // "新着記事 N 件"
    std::string body;     // markup: a notification service may read <b>, <i> and references
};

// The most articles a notice names; the rest are counted.
inline constexpr size_t kNoticeTitles = 5;

// The notice for `count` new unread articles, naming the first kNoticeTitles of `newest`. Titles
// and sites are cut to a line's length, their control characters become spaces, and markup in
// them is escaped: a title is shown as written, never read as markup.
NewArticlesNotice MakeNewArticlesNotice(int64_t count, const std::vector<NoticeArticle>& newest);

// A rule's notice: its name, how many articles it matched and the first of them.
NewArticlesNotice MakeRuleNotice(std::string_view rule, int64_t count,
                                 const std::vector<NoticeArticle>& newest);

}  // namespace varlo

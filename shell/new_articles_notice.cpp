#include "shell/new_articles_notice.h"

namespace varlo {
namespace {

// Characters of a title or a site's name shown in a notice's line.
constexpr size_t kLineCharacters = 80;

// `text` as one line of at most kLineCharacters characters, escaped for the notice's markup
// when `markup`.
std::string NoticeLine(std::string_view text, bool markup) {
    std::string out;
    size_t characters = 0;
    size_t i = 0;
    while (i < text.size() && characters < kLineCharacters) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (c >= 0xF0) {
            length = 4;
        } else if (c >= 0xE0) {
            length = 3;
        } else if (c >= 0xC0) {
            length = 2;
        }
        if (i + length > text.size()) {
            i = text.size();
            break;
        }
        ++characters;
        if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (!markup) {
            out.append(text.substr(i, length));
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    if (i < text.size()) out += "…";
    return out;
}

std::string NoticeBody(int64_t count, const std::vector<NoticeArticle>& newest) {
    std::string body;
    size_t named = 0;
    for (const NoticeArticle& article : newest) {
        if (named == kNoticeTitles) break;
        if (!body.empty()) body += '\n';
        body += NoticeLine(article.title.empty() ? "(無題)" : article.title, true);
        if (!article.site.empty()) body += " (" + NoticeLine(article.site, true) + ")";
        ++named;
    }
    if (count > static_cast<int64_t>(named) && named > 0) {
        body += "\nほか " + std::to_string(count - static_cast<int64_t>(named)) + " 件";
    }
    return body;
}

}  // namespace

NewArticlesNotice MakeNewArticlesNotice(int64_t count, const std::vector<NoticeArticle>& newest) {
    return {"新着記事 " + std::to_string(count) + " 件", NoticeBody(count, newest)};
}

NewArticlesNotice MakeRuleNotice(std::string_view rule, int64_t count,
                                 const std::vector<NoticeArticle>& newest) {
    return {NoticeLine(rule, false) + ": " + std::to_string(count) + " 件",
            NoticeBody(count, newest)};
}

}  // namespace varlo

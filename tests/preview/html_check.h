#pragma once
// An independent check of sanitized markup for the tests: every tag is an allowed element with
// allowed, double-quoted attributes, addresses are web (or mail) addresses, and tags balance.

#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varlo::test {

// Empty when `html` is safe and well-formed; otherwise what is wrong with it. With `page`, the
// preview page's own article frames (with their class, target and rel) and players are allowed
// as well.
inline std::string HtmlProblem(std::string_view html, bool page = false) {
    static const std::set<std::string> kVoid = {"br", "img", "hr", "wbr"};
    static const std::set<std::string> kElements = {
        "p",       "a",       "br",         "img",   "div",   "span",  "b",    "strong",
        "i",       "em",      "li",         "ul",    "ol",    "u",     "s",    "strike",
        "del",     "ins",     "blockquote", "q",     "cite",  "pre",   "code", "kbd",
        "samp",    "var",     "h1",         "h2",    "h3",    "h4",    "h5",   "h6",
        "hr",      "table",   "caption",    "thead", "tbody", "tfoot", "tr",   "td",
        "th",      "figure",  "figcaption", "dl",    "dt",    "dd",    "sub",  "sup",
        "small",   "mark",    "abbr",       "ruby",  "rt",    "rp",    "wbr",  "address",
        "section", "details", "summary"};
    static const std::regex kTag(R"(<(/?)([a-z0-9]+)((?: [a-z]+(?:="[^"<>]*")?)*)>)");
    static const std::regex kAttr(R"( ([a-z]+)="([^"]*)\")");
    std::vector<std::string> open;
    size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string_view::npos) {
        std::match_results<std::string_view::const_iterator> m;
        if (!std::regex_search(html.begin() + pos, html.end(), m, kTag,
                               std::regex_constants::match_continuous))
            return "not a tag at " + std::string(html.substr(pos, 40));
        const std::string name = m[2];
        // The page's own frames, and its players of the files articles carry.
        if (!kElements.count(name) && !(page && (name == "header" || name == "article" ||
                                                 name == "audio" || name == "video")))
            return "element " + name;
        if (m[1].length()) {
            if (open.empty() || open.back() != name) return "unbalanced </" + name + ">";
            open.pop_back();
        } else {
            const std::string attrs = m[3];
            for (std::sregex_iterator it(attrs.begin(), attrs.end(), kAttr), end; it != end; ++it) {
                const std::string attr = (*it)[1];
                const std::string value = (*it)[2];
                if (attr.rfind("on", 0) == 0 || attr == "style" || attr == "srcset")
                    return "attribute " + attr;
                if (!page && (attr == "class" || attr == "target" || attr == "rel"))
                    return "attribute " + attr;
                if (attr == "href" && value.rfind("http://", 0) && value.rfind("https://", 0) &&
                    value.rfind("mailto:", 0))
                    return "link " + value;
                if (attr == "src" && value.rfind("http://", 0) && value.rfind("https://", 0))
                    return "image " + value;
            }
            if (!kVoid.count(name)) open.push_back(name);
        }
        pos += static_cast<size_t>(m.length(0));
    }
    if (!open.empty()) return "unclosed <" + open.back() + ">";
    return {};
}

}  // namespace varlo::test

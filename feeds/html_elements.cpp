#include "feeds/html_elements.h"

#include <algorithm>
#include <array>

namespace varlo {
namespace {

// Sorted, lower case.
constexpr std::array<std::string_view, 129> kElements = {
    "a",        "abbr",    "acronym",    "address",  "applet",   "area",     "article",
    "aside",    "audio",   "b",          "base",     "basefont", "bdi",      "bdo",
    "big",      "blink",   "blockquote", "body",     "br",       "button",   "canvas",
    "caption",  "center",  "cite",       "code",     "col",      "colgroup", "data",
    "datalist", "dd",      "del",        "details",  "dfn",      "dialog",   "dir",
    "div",      "dl",      "dt",         "em",       "embed",    "fieldset", "figcaption",
    "figure",   "font",    "footer",     "form",     "frame",    "frameset", "h1",
    "h2",       "h3",      "h4",         "h5",       "h6",       "head",     "header",
    "hgroup",   "hr",      "html",       "i",        "iframe",   "img",      "input",
    "ins",      "kbd",     "label",      "legend",   "li",       "link",     "main",
    "map",      "mark",    "marquee",    "math",     "menu",     "meta",     "meter",
    "nav",      "nobr",    "noembed",    "noframes", "noscript", "object",   "ol",
    "optgroup", "option",  "output",     "p",        "param",    "picture",  "pre",
    "progress", "q",       "rp",         "rt",       "ruby",     "s",        "samp",
    "script",   "section", "select",     "small",    "source",   "span",     "strike",
    "strong",   "style",   "sub",        "summary",  "sup",      "svg",      "table",
    "tbody",    "td",      "template",   "textarea", "tfoot",    "th",       "thead",
    "time",     "title",   "tr",         "track",    "tt",       "u",        "ul",
    "var",      "video",   "wbr",
};

}  // namespace

bool IsHtmlElementName(std::string_view name) {
    if (name.empty() || name.size() > 12) return false;
    char lower[12];
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    return std::binary_search(kElements.begin(), kElements.end(),
                              std::string_view(lower, name.size()));
}

}  // namespace varlo
